#pragma once
// The terminal as the library's window, for a run of larkspur-gather and for
// its undo.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "app/ui_services.h"
#include "cli/gather.h"

// The terminal as the library's window: failures go to err in the words of
// the window's boxes; a signal ends the run at its next yield; progress is
// one line rewritten at most ten times a second.
class ConsoleUi : public UiServices {
 public:
  // How far a transfer has come.
  struct Counts {
    std::size_t rows_done = 0;
    std::uint64_t bytes_done = 0, bytes = 0;
  };
  ConsoleUi(std::FILE* err, bool progress) : err_(err), progress_(progress) {}
  void Information(const std::string&) override {}
  bool Question(const std::string&) override { return false; }
  void FailureBox(const std::string& text) override {
    ++failures_;
    Say("larkspur-gather: " + text);
  }
  // A script's reader wants what failed, not where in the program.
  void Failed(const std::string& description, const std::string&, int) override {
    FailureBox(description);
  }
  // A line on stderr, in place of the progress line if one shows. A control
  // byte a sentence holds (in a name it quotes) is written as \ooo: it never
  // splits the line or reaches the terminal as a control.
  void Say(const std::string& line) {
    std::string shown;
    for (const char c : line) {
      const unsigned char byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 && byte != 0x7f) {
        shown += c;
        continue;
      }
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\%03o", byte);
      shown += escaped;
    }
    std::fprintf(err_, "%s%s\n", progress_shown_ ? "\r\033[K" : "", shown.c_str());
  }
  // Writes text to out (the listing); where out is the terminal that shows
  // the progress line, that line is cleared first, so no name is glued to it.
  void Write(std::FILE* out, std::string_view text) {
    if (progress_shown_ && SharesTerminal(out)) {
      std::fputs("\r\033[K", err_);
      progress_shown_ = false;
    }
    std::fwrite(text.data(), 1, text.size(), out);
  }
  std::string PickFolder(const std::string&, const std::string&) override { return {}; }
  std::string SaveFileName(const std::string&, const std::string&) override { return {}; }
  void OpenFolder(const std::string&) override {}
  void EndProgram() override {}
  bool Yield() override {
    if (g_stop_signal != 0) throw ProgramEnding{};
    if (progress_ && status_) {
      const auto now = std::chrono::steady_clock::now();
      if (now - shown_ >= std::chrono::milliseconds(100)) {
        shown_ = now;
        std::fprintf(err_, "\r\033[K%s", status_().c_str());
        std::fflush(err_);
        progress_shown_ = true;
      }
    }
    return false;
  }
  bool ShowsProgress() const override { return progress_; }
  void TransferProgress(std::size_t rows_done, std::size_t rows, std::uint64_t bytes_done,
                        std::uint64_t bytes) override {
    static_cast<void>(rows);
    transfer_ = {rows_done, bytes_done, bytes};
  }
  void CopiedBytes(std::uint64_t bytes) override { transfer_.bytes_done += bytes; }
  const Counts& transfer() const { return transfer_; }
  // What the progress line says, asked when it is due.
  void SetStatus(std::function<std::string()> status) { status_ = std::move(status); }
  void EndProgress() {
    if (progress_shown_) std::fprintf(err_, "\r\033[K");
    progress_shown_ = false;
    status_ = nullptr;
  }
  int failures() const { return failures_; }

 private:
  bool SharesTerminal(std::FILE* out) {
    if (out_terminal_ < 0) out_terminal_ = IsTerminal(out) ? 1 : 0;
    return out_terminal_ == 1;
  }
  static bool IsTerminal(std::FILE* file);
  int out_terminal_ = -1;
  std::FILE* err_;
  bool progress_;
  bool progress_shown_ = false;
  std::function<std::string()> status_;
  std::chrono::steady_clock::time_point shown_{};
  Counts transfer_;
  int failures_ = 0;
};
