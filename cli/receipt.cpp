#include "cli/receipt.h"

#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "app/failure.h"
#include "cli/shell_quote.h"
#include "fs/file_times.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"
#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using json = nlohmann::ordered_json;

std::FILE* OpenFile(const std::string& path, const char* mode) {
#ifdef _WIN32
  const std::filesystem::path wide(std::u8string(path.begin(), path.end()));
  return _wfopen(wide.c_str(), std::wstring(mode, mode + std::strlen(mode)).c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

// path as it reads from any folder, an undo may run elsewhere: its folder
// as the system resolves it, so no ".." remains.
std::string Absolute(const std::string& path) {
#ifdef _WIN32
  const std::filesystem::path given =
      std::filesystem::absolute(std::u8string(path.begin(), path.end()));
#else
  const std::filesystem::path given = std::filesystem::absolute(path);
#endif
  std::error_code error;
  const auto folder = std::filesystem::weakly_canonical(given.parent_path(), error);
  const auto made = (error ? given : folder / given.filename()).u8string();
  return std::string(made.begin(), made.end());
}

json NameJson(const std::string& name) {
  try {
    static_cast<void>(json(name).dump());  // throws for bytes that are not UTF-8
    return name;
  } catch (const json::type_error&) {
    std::string hex;
    for (const unsigned char byte : name) {
      char two[3];
      std::snprintf(two, sizeof two, "%02x", byte);
      hex += two;
    }
    return json{{"hex", hex}};
  }
}

std::string NameFrom(const json& field) {
  if (field.is_string()) return field.get<std::string>();
  const std::string hex = field.at("hex").get<std::string>();
  std::string name;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    name += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  if (hex.size() % 2 != 0 || name.empty()) throw std::invalid_argument("a name's hex is not whole");
  return name;
}

std::string DigestText(const os::Digest& digest) {
  char text[33];
  std::snprintf(text, sizeof text, "%016" PRIx64 "%016" PRIx64, digest.high, digest.low);
  return text;
}

// "2024-03-05T11:07:09.123456789Z"
std::string UtcText(const os::Timestamp& at) {
  const std::int64_t day = at.sec >= 0 ? at.sec / 86400 : (at.sec - 86399) / 86400;
  const std::int64_t second = at.sec - day * 86400;
  int y = 0, m = 0, d = 0;
  CivilFromDays(static_cast<long>(DaysFromCivil(1970, 1, 1) + day), y, m, d);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%09dZ", y, m, d,
                static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
                static_cast<int>(second % 60), static_cast<int>(at.nsec));
  return text;
}

// The file at path: its facts and the digest of its bytes; why not.
std::string Measure(const std::string& path, os::FileFacts& facts, os::Digest& digest) {
  const auto examined = os::Examine(path);
  if (!examined || !examined->regular) return DescribeError(ENOENT);
  facts = *examined;
  const int error = os::DigestOfFile(path, digest, nullptr);
  return error == 0 ? std::string() : DescribeError(error);
}

// One line of a receipt, read back.
struct Entry {
  std::string action, source, destination;
  std::uint64_t size = 0;
  std::string modified, digest;
};

// Whether the file at path (as examined) holds the entry's bytes: read only
// where its size already agrees. left: the file the run left, which has the
// entry's date too.
bool Holds(const std::string& path, const std::optional<os::FileFacts>& facts, const Entry& entry,
           bool left = false) {
  os::Digest digest;
  return facts && facts->regular && facts->size == entry.size &&
         (!left || UtcText(facts->modified) == entry.modified) &&
         os::DigestOfFile(path, digest, nullptr) == 0 && DigestText(digest) == entry.digest;
}

// Whether a receipt's path names one place whatever the folder an undo runs
// in: absolute, and through no "..".
bool Plain(const std::string& path) {
#ifdef _WIN32
  const bool absolute =
      (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
      path.starts_with("\\\\");
  const char* separators = "\\/";
#else
  const bool absolute = path.starts_with('/');
  const char* separators = "/";
#endif
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t end = std::min(path.find_first_of(separators, at), path.size());
    if (path.compare(at, end - at, "..") == 0) return false;
    at = end + 1;
  }
  return absolute;
}

// Why the receipt open as file is no record to act on: a folder, or a file
// another user could have written (not this user's, or writable by group or
// others, as ssh and sudo judge theirs); empty when it is one.
std::string Untrusted(std::FILE* file) {
#ifdef _WIN32
  struct _stat64 st {};
  if (_fstat64(_fileno(file), &st) != 0) return std::strerror(errno);
  return (st.st_mode & _S_IFDIR) ? "it is a folder, not a receipt" : "";
#else
  struct stat st {};
  if (fstat(fileno(file), &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "it is a folder, not a receipt";
  if (!S_ISREG(st.st_mode)) return "it is no file";
  if (st.st_uid != geteuid())
    return "it belongs to another user, so it is no record of this user's runs";
  if (st.st_mode & (S_IWGRP | S_IWOTH))
    return "others may write it, so it is no record of this user's runs";
  return {};
#endif
}

}  // namespace

std::unique_ptr<Receipt> Receipt::Open(const std::string& path, std::string& why) {
#ifdef _WIN32
  std::FILE* file = OpenFile(path, "ab");
#else
  // The user's own, as an undo wants it: no one else may write it.
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "ab");
  if (fd >= 0 && file == nullptr) close(fd);
#endif
  if (file == nullptr) {
    why = ShellQuoted(path) + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<Receipt>(new Receipt(file));
}

Receipt::~Receipt() { std::fclose(file_); }

std::string Receipt::Add(const FileOutcome& file, TransferKind kind, const std::string& holding) {
  os::FileFacts facts;
  os::Digest digest;
  if (std::string why = Measure(holding, facts, digest); !why.empty())
    return ShellQuoted(holding) + ": " + why;
  const char* action = kind == TransferKind::kCopy               ? "copy"
                       : file.what == FileOutcome::kAlreadyThere ? "remove"
                                                                 : "move";
  const json line = {{"action", action},
                     {"source", NameJson(Absolute(file.source))},
                     {"destination", NameJson(Absolute(file.path))},
                     {"size", facts.size},
                     {"modified", UtcText(facts.modified)},
                     {"xxh3_128", DigestText(digest)}};
  const std::string text = line.dump() + '\n';
  // On disk before the next file is begun: a killed run's receipt holds
  // every file it finished but the last.
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0)
    return std::strerror(errno);
#ifdef _WIN32
  if (_commit(_fileno(file_)) != 0) return std::strerror(errno);
#else
  if (fdatasync(fileno(file_)) != 0) return std::strerror(errno);
#endif
  return {};
}

ExitCode Undo(const std::string& path, ConsoleUi& ui, std::FILE* out) {
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) {
    ui.Say("larkspur-gather: " + ShellQuoted(path) + ": " + std::strerror(errno));
    return ExitCode::kUsage;
  }
  const auto refuse = [&](const std::string& why) {
    ui.Say("larkspur-gather: " + ShellQuoted(path) + ": " + why + "; nothing was undone");
    return ExitCode::kUsage;
  };
  if (const std::string why = Untrusted(file); !why.empty()) {
    std::fclose(file);
    return refuse(why);
  }
  std::vector<Entry> entries;
  std::string text;
  char block[1 << 16];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, n);
  const bool unread = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (unread) return refuse(std::strerror(error));
  std::size_t line_number = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    ++line_number;
    try {
      const json j = json::parse(line);
      entries.push_back({j.at("action").get<std::string>(), NameFrom(j.at("source")),
                         NameFrom(j.at("destination")), j.at("size").get<std::uint64_t>(),
                         j.at("modified").get<std::string>(), j.at("xxh3_128").get<std::string>()});
      if (entries.back().action != "copy" && entries.back().action != "move" &&
          entries.back().action != "remove")
        throw std::invalid_argument("no such action");
    } catch (const std::exception&) {
      // A line cut short by a power cut never held a finished file: the
      // others are undone, and the cut said.
      if (end == std::string::npos) {
        ui.Say("larkspur-gather: " + ShellQuoted(path) + ": its last line is cut short (the run " +
               "ended while writing it) and names no finished file; the lines before it are " +
               "undone");
        continue;
      }
      return refuse("line " + std::to_string(line_number) + " is no receipt line");
    }
    // A record of the program's own: each place named whole, wherever the
    // undo runs.
    if (!Plain(entries.back().source) || !Plain(entries.back().destination))
      return refuse("line " + std::to_string(line_number) +
                    " names a place that is not absolute or goes through \"..\", which no run "
                    "writes");
  }
  TransferRun run(ui);
  run.KeepExisting();  // nothing at a file's first place is ever replaced
  // What was done, as a dry run's line says it: "moved back D -> S".
  const auto say = [&](const char* done, const std::string& from, const std::string& to) {
    const std::string line = std::string(done) + " " + ShellQuoted(from) +
                             (to.empty() ? "" : " -> " + ShellQuoted(to)) + "\n";
    std::fwrite(line.data(), 1, line.size(), out);
  };
  run.TellOutcomes([&](const FileOutcome& file) {
    ShowBox(file, ui);
    using W = FileOutcome;
    const bool copied = file.what == W::kCopied || file.what == W::kCopiedRenamed;
    const bool renamed = file.what == W::kCopiedRenamed || file.what == W::kMovedRenamed;
    if (file.Done())  // a name taken meanwhile gives a numbered one: said
      say(copied ? (renamed ? "copied back under a new name" : "copied back")
                 : (renamed ? "moved back under a new name" : "moved back"),
          file.source, file.path);
    else if (!file.boxed())
      ui.FailureBox(ShellQuoted(file.source) + " was not put back: " + Words(file.error));
  });
  const auto keep = [&](const Entry& e, const std::string& why) {
    ui.FailureBox(ShellQuoted(e.destination) + " was not undone: " + why);
  };
  // A copy whose original holds its bytes still: it goes.
  const auto take_away = [&](const Entry& e) {
    if (const int error = os::RemoveFile(e.destination))
      keep(e, DescribeError(error));
    else
      say("removed", e.destination, "");
  };
  try {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
      const Entry& e = *it;
      ui.Yield();
      const auto there = os::Examine(e.destination), first = os::Examine(e.source);
      if (e.action == "copy") {
        if (!there) continue;  // removed already
        if (!Holds(e.destination, there, e, true))
          keep(e, "its bytes are no longer those the run copied");
        else if (!Holds(e.source, first, e))
          keep(e, "its original " + ShellQuoted(e.source) + " is gone or changed, so it is kept");
        else
          take_away(e);
        continue;
      }
      // A file a later run moved on is back once it is at its first place of
      // all: an earlier line's move may have brought it to this one's source.
      // The chain is followed only for a file in neither place.
      bool back = Holds(e.source, first, e);
      if (!back && !there && !first) {
        std::string origin = e.source;
        for (auto before = it + 1; before != entries.rend(); ++before)
          if (before->action == "move" && before->destination == origin) origin = before->source;
        back = origin != e.source && Holds(origin, os::Examine(origin), e);
      }
      if (back && (!there || e.action == "remove")) continue;  // put back already
      const bool holds = Holds(e.destination, there, e, true);
      // A line is written before its source goes: a run cut short then may
      // have moved nothing (the name holds another file), or left the copy
      // beside its source, which goes as a copy's does.
      if (back && !holds) continue;
      if (back) {
        take_away(e);
        continue;
      }
      if (!holds)
        keep(e, "its bytes are no longer those the run " +
                    std::string(e.action == "move" ? "moved" : "left") + " there");
      else if (first)  // a folder too: it is looked at without following links
        keep(e, ShellQuoted(e.source) + " is taken by " +
                    (IsFolder(e.source) ? "a folder" : "another file") +
                    ", which is never replaced");
      else if (e.action == "move")
        FSOFileMove(e.destination, e.source, run);
      else if (const CopyResult copy = CopyFileChecked(e.destination, e.source, run); !copy)
        keep(e, Words(copy.error));
    }
    run.Flush();
  } catch (const ProgramEnding&) {
    return ExitCode::kStopped;
  }
  return ui.failures() > 0 ? ExitCode::kIncomplete : ExitCode::kDone;
}
