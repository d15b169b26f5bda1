#include "tests/transfer_checks.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

std::time_t MTime(const std::string& path) {
  std::error_code ec;
  const auto when = std::filesystem::last_write_time(std::u8string(path.begin(), path.end()), ec);
  if (ec) return 0;
  return std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(when));
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

#ifndef _WIN32
bool Reading(const std::string& path) {
  const std::filesystem::path wanted = std::filesystem::canonical(path);
  std::error_code error;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    if (std::filesystem::read_symlink(e.path(), error) == wanted) return true;
  }
  return false;
}

Mounted::Mounted(std::string folder, std::string kind, std::string options)
    : folder_(std::move(folder)), kind_(std::move(kind)) {
  if (geteuid() != 0) {
    error_ = "mounting a " + kind_ + " file system needs root";
    return;
  }
  std::filesystem::create_directories(folder_);
  const std::string f = "'" + folder_ + "'";
  image_ = folder_ + ".img";
  const std::string img = "'" + image_ + "'";
  if (kind_ == "tmpfs") {
    mounted_ = Sh("mount -t tmpfs -o '" + options + "' tmpfs " + f);
  } else if (kind_ == "xfs") {
    mounted_ = Sh("truncate -s 320M " + img + " && mkfs.xfs -q -f " + img) &&
               Sh("mount -o loop " + img + " " + f);
  } else if (kind_ == "exfat") {
    // The kernel here has no exFAT or FAT driver: the FUSE one, on a loop device.
    if (Sh("truncate -s 64M " + img + " && mkfs.exfat " + img + " >/dev/null") &&
        Sh("losetup -f --show " + img + " > " + img + ".dev")) {
      std::ifstream(image_ + ".dev") >> device_;
      mounted_ = Sh("mount.exfat-fuse '" + device_ + "' " + f + " 2>/dev/null");
    }
  } else if (kind_ == "fat") {
    mounted_ = Sh("truncate -s 64M " + img + " && mkfs.fat " + img) &&
               Sh("fusefat -o rw+ " + img + " " + f);
  } else if (kind_ == "lazyfs") {
    // Drops every byte not yet synced when told to: a power cut.
    std::filesystem::create_directories(folder_ + ".lower");
    mounted_ = Sh(std::string(POWERCUT) + " mount '" + folder_ + ".lower' " + f);
  } else {
    error_ = "unknown file system " + kind_;
  }
  if (!mounted_ && error_.empty()) error_ = "could not mount " + kind_;
}

Mounted::~Mounted() {
  if (mounted_ && kind_ == "lazyfs") Sh(std::string(POWERCUT) + " umount '" + folder_ + "'");
  if (mounted_ && kind_ != "lazyfs") Sh("umount -l '" + folder_ + "'");
  if (!device_.empty()) Sh("losetup -d '" + device_ + "'");
  std::error_code ec;
  std::filesystem::remove(image_, ec);
  std::filesystem::remove(image_ + ".dev", ec);
  std::filesystem::remove_all(folder_ + ".lower", ec);
}

bool Mounted::Sh(const std::string& command) {
  const std::string log = folder_ + ".log";
  if (std::system(("(" + command + ") > '" + log + "' 2>&1").c_str()) == 0) return true;
  std::stringstream said;
  said << std::ifstream(log).rdbuf();
  error_ = "`" + command + "` failed: " + said.str();
  return false;
}

bool Mounted::PowerCut() { return Sh(std::string(POWERCUT) + " cut '" + folder_ + "'"); }

// The bracket keeps the pattern from matching the shell that runs pkill.
bool Mounted::Disconnect() {
  if (kind_ == "exfat") return Sh("pkill -9 -f -- '[m]ount.exfat-fuse " + device_ + " '");
  return Sh("pkill -9 -f -- '[f]usefat .*" + image_ + "'");
}

bool Mounted::MakeReadOnly() { return Sh("mount -o remount,ro '" + folder_ + "'"); }

bool Mounted::CrashAndRemount() {
  return Sh("xfs_io -x -c shutdown '" + folder_ + "'") && Sh("umount '" + folder_ + "'") &&
         Sh("mount -o loop '" + image_ + "' '" + folder_ + "'");
}
#endif  // _WIN32
