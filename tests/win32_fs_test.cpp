// Windows behaviour of the platform layer, run on Windows or under Wine.
// Where Wine cannot show a Windows behaviour, the case says so and is skipped.
#include <windows.h>
#include <winioctl.h>
#undef Yield  // a Win16 leftover that would rename UiServices::Yield

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>

#include "results_page/single_file.h"
#include "results_page/transfer_words.h"
#include "fs/folder_walk.h"
#include "app/taskbar_win32.h"
#include "fs/win32_text.h"
#include "tests/scripted_ui.h"
#include "tests/test_tree.h"

namespace {

using os::Wide;

class Win32Fs : public ::testing::Test {
 protected:
  std::string root;
  ScriptedUi ui;
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root = os::Narrow(temp) + "lark-w" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000) +
           "\\";
    ASSERT_TRUE(CreateDirectoryW(Wide(root).c_str(), nullptr));
  }
  void TearDown() override {
    std::string command = "rmdir /s /q \"" + root + "\" >nul 2>nul";
    std::system(command.c_str());
  }
  std::string Folder(const std::string& relative, DWORD attributes = 0) {
    const std::string path = root + relative;
    EXPECT_TRUE(CreateDirectoryW(Wide(path).c_str(), nullptr)) << path;
    if (attributes != 0) SetFileAttributesW(Wide(path).c_str(), attributes);
    return path;
  }
  static void Write(const std::string& path, const std::string& content) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
  }
  static std::string Read(const std::string& path) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<none>";
    char buffer[256];
    DWORD got = 0;
    ReadFile(h, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(h);
    return std::string(buffer, got);
  }
  std::vector<std::string> Walk() {
    return Sorted(WalkedFolders({root}, true, ui));
  }
};

}  // namespace

TEST_F(Win32Fs, OnlyFoldersExactlyHiddenAndSystemAreNotSearchedWhereWineKeepsTheBits) {
  const DWORD hs = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  struct Case {
    const char* name;
    DWORD attributes;
    bool searched;
  } cases[] = {{"hs", hs, false},                                    // 22
               {"hs-archive", hs | FILE_ATTRIBUTE_ARCHIVE, true},    // 54
               {"hs-readonly", hs | FILE_ATTRIBUTE_READONLY, true},  // 23
               {"hidden", FILE_ATTRIBUTE_HIDDEN, true}};             // 18
  std::vector<std::string> expected = {root};
  for (const Case& c : cases) {
    const std::string folder = Folder(c.name, c.attributes);
    Folder(std::string(c.name) + "\\inside");
    const DWORD kept = GetFileAttributesW(Wide(folder).c_str()) & ~FILE_ATTRIBUTE_DIRECTORY;
    if (kept != c.attributes) {
      // Wine keeps neither the archive nor the read-only bit on a folder.
      std::printf("skipped %s: Wine kept attributes %lu, not %lu\n", c.name, kept, c.attributes);
      RemoveDirectoryW(Wide(folder + "\\inside").c_str());
      RemoveDirectoryW(Wide(folder).c_str());
      continue;
    }
    if (c.searched) {
      expected.push_back(folder + "\\");
      expected.push_back(folder + "\\inside\\");
    }
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Walk(), expected);
}

TEST_F(Win32Fs, WineCannotSetAReparsePointSoFilesOnDemandAreNotShown) {
  // A cloud placeholder is a file with a reparse point of its provider's
  // tag; it must be listed, and a link to a folder must not be expanded.
  const std::string file = root + "placeholder.txt";
  Write(file, "x");
  HANDLE h = CreateFileW(Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  struct {
    DWORD tag;
    WORD length, reserved;
    BYTE data[8];
  } buffer{0x9000001AL /* IO_REPARSE_TAG_CLOUD_1 */, 8, 0, {}};
  DWORD returned = 0;
  const BOOL set = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, &buffer, sizeof buffer, nullptr, 0,
                                   &returned, nullptr);
  CloseHandle(h);
  if (!set) GTEST_SKIP() << "Wine cannot set a reparse point (error " << GetLastError() << ")";
  std::vector<std::string> files;
  WalkedFolders({root}, false, ui, &files);
  EXPECT_EQ(files, (std::vector<std::string>{"placeholder.txt"}));
}

TEST_F(Win32Fs, ThePathLimitCountsUtf16Units) {
  std::string name;
  // 80 characters: 240 bytes, so the whole path passes 260 bytes but not 260 characters.
  for (int i = 0; i < 80; ++i) name += "\xe6\xbc\xa2";
  const std::string folder = Folder(name);
  Write(folder + "\\a.txt", "a");
  EXPECT_TRUE(IsFolder(folder));
  ASSERT_GE(folder.size(), 260u);
  EXPECT_EQ(Walk(), (std::vector<std::string>{root, folder + "\\"}));
  std::vector<std::string> files;
  WalkedFolders({folder}, false, ui, &files);
  EXPECT_EQ(files, (std::vector<std::string>{"a.txt"}));
}

TEST_F(Win32Fs, AFileNearThePathLimitCanBeReplacedThoughWineSetsNoLimitToShowIt) {
  std::string folder = root;
  while (folder.size() + 40 < 259 - 6) folder += std::string(30, 'd') + "\\";
  folder += std::string(259 - 6 - folder.size(), 'e') + "\\";  // folder + "x.txt": 259
  for (std::size_t at = root.size(); at < folder.size(); ++at)
    if (folder[at] == '\\') CreateDirectoryW(Wide(folder.substr(0, at)).c_str(), nullptr);
  Write(folder + "x.txt", "old");
  Write(root + "x.txt", "new");
  Write(folder + "past-the-limit.txt", "far");  // listed: its folder is within the limit
  TransferRun run(ui);
  EXPECT_TRUE(CopyFileChecked(root + "x.txt", folder + "x.txt", run));
  EXPECT_TRUE(CopyFileChecked(folder + "past-the-limit.txt", root + "far.txt", run));
  EXPECT_TRUE(FSOFileMove(folder + "past-the-limit.txt", root + "moved.txt", run));
  run.Flush();
  EXPECT_EQ(Read(folder + "x.txt") + Read(root + "far.txt") + Read(root + "moved.txt"),
            "newfarfar");
}

TEST(Win32Errors, ADriveGoneOrReadOnlyAndANameTooLongAreSaidAsSuch) {
  const std::pair<DWORD, std::string> cases[] = {
      {ERROR_WRITE_PROTECT, "Permission denied: C:\\o\\ is on a drive that is read-only"},
      {ERROR_FILENAME_EXCED_RANGE, "File name too long: f is too long for C:\\o\\"},
      {ERROR_NETNAME_DELETED, "Device unavailable: the drive that holds C:\\o\\ is no longer"},
      {ERROR_NOT_READY, "Device unavailable: the drive that holds C:\\o\\ is no longer"}};
  for (const auto& [code, says] : cases)
    EXPECT_EQ(Words(Classify(os::ErrnoOf(code), "", "C:\\o\\f")).rfind(says, 0), 0u) << code;
}

TEST_F(Win32Fs, AMoveThatFailsKeepsTheReadOnlyAttribute) {
  Write(root + "dest.txt", "old");
  SetFileAttributesW(Wide(root + "dest.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  Write(root + "busy.txt", "new");
  // Held open without sharing, the source cannot be moved.
  HANDLE held = CreateFileW(Wide(root + "busy.txt").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TransferRun run(ui);
  FSOFileMove(root + "busy.txt", root + "dest.txt", run);
  run.Flush();
  CloseHandle(held);
  EXPECT_EQ(ui.Failures().size(), 1u);
  EXPECT_EQ(Read(root + "dest.txt"), "old");
  EXPECT_TRUE(GetFileAttributesW(Wide(root + "dest.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(Wide(root + "dest.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32Fs, ACopyRemovesOnlyTheTemporaryFilesAKilledProgramLeft) {
  Write(root + "~lark-ab12cd34ef56gh78.lark-part", "left by a killed copy");
  Write(root + "~lark-notes.txt", "the user's");
  Write(root + "x.txt", "new");
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;  // as a move keeps them
  SetFileAttributesW(Wide(root + "x.txt").c_str(), kept);
  TransferRun run(ui);
  EXPECT_TRUE(CopyFileChecked(root + "x.txt", root + "x2.txt", run));
  run.Flush();
  EXPECT_EQ(GetFileAttributesW(Wide(root + "x2.txt").c_str()) & kept, kept);
  EXPECT_EQ(GetFileAttributesW(Wide(root + "~lark-ab12cd34ef56gh78.lark-part").c_str()),
            INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Read(root + "~lark-notes.txt"), "the user's");
}

TEST_F(Win32Fs, TheCommandLineTakesFoldersOfAnyNameAndListsThemWhole) {
  std::string exe = GATHER, command = "\"\"";  // under Wine, the build's path is on Z:
  std::replace(exe.begin(), exe.end(), '/', '\\');
  command += (exe[0] == '\\' ? "Z:" : "") + exe + "\" -0 --after 2000-01-01";
  std::string listed;
  for (const std::string name : {"caf\xc3\xa9", "\xe6\x97\xa5\xe6\x9c\xac"}) {
    Write(Folder(name) + "\\x", "x");
    command += " \"" + root + name + "\"";
    listed += root + name + "\\x" + '\0';
  }
  EXPECT_EQ(_wsystem(Wide(command + " > \"" + root + "out\"\"").c_str()), 0);
  EXPECT_EQ(Read(root + "out"), listed);
  Folder("dst");  // and plans their copies, as its run would make them
  EXPECT_EQ(_wsystem(Wide(command + " -n --copy-to \"" + root + "dst\" > nul\"").c_str()), 0);
}

// Records what the program draws on a window's task bar button.
struct RecordingTaskbar : ITaskbarList3 {
  std::vector<std::string> calls;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG done, ULONGLONG total) override {
    calls.push_back(std::to_string(done) + "/" + std::to_string(total));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG state) override {
    calls.push_back("state " + std::to_string(state));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return E_NOTIMPL; }
};

TEST(Win32Taskbar, APassDrawsItsBarAtMostTenTimesASecondThenClearsIt) {
  RecordingTaskbar taskbar;
  {
    Win32TaskbarProgress progress(nullptr, &taskbar);
    progress.Set(0.25);
    progress.Set(0.5);  // within the same tenth of a second: left out
    progress.Set(1.0);
    progress.End();
  }
  EXPECT_EQ(taskbar.calls, (std::vector<std::string>{"2500/10000", "10000/10000", "state 0"}));
  // The system's own task bar, on a real window.
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  HWND window = CreateWindowExW(0, L"STATIC", L"lark", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
  {
    Win32TaskbarProgress system(window);
    EXPECT_TRUE(system.available());
    system.Set(0.5);
    system.End();
  }
  DestroyWindow(window);
  CoUninitialize();
}
