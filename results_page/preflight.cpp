#include "results_page/preflight.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "fs/path_rules.h"
#include "results_page/single_file.h"
#include "results_page/transfer_words.h"

namespace {

// A name a Windows drive (FAT, exFAT, NTFS) can hold: no control character
// and none of the characters Windows keeps for paths and patterns.
bool WindowsName(const std::string& name) {
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 ||
           std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
  });
}

std::uint64_t Rounded(std::uint64_t size, std::uint64_t cluster) {
  return (size + cluster - 1) / cluster * cluster;
}

}  // namespace

const Finding* Preflight::For(std::size_t row) const {
  const auto it = std::lower_bound(files.begin(), files.end(), row,
                                   [](const Finding& f, std::size_t r) { return f.row < r; });
  return it != files.end() && it->row == row ? &*it : nullptr;
}

Preflight CheckBeforeWriting(const TransferRows& rows, const std::string& destination,
                             TransferKind kind, const TransferOptions& options, UiServices& ui) {
  Preflight p;
  p.sizes.resize(rows.count);
  const std::string folder = NormalizeSlashes(destination + os::kSeparator);
  // A folder still to be made is asked of the drive it will be made on.
  const std::string made_in =
      options.folder_to_make ? FolderOf(folder.substr(0, folder.size() - 1)) : folder;
  const std::string asked = made_in.empty() ? std::string(".") : made_in;
  const auto limits = os::LimitsOf(asked);
  const auto drive = os::Examine(asked);
  std::uint64_t need = 0;
  bool acts = false;
  struct Written {
    std::size_t row;
    std::uint64_t room;
    os::FileId id;
  };
  std::vector<Written> written;  // the files a copy writes, as looked at
  for (std::size_t i = 0; i < rows.count; ++i) {
    ui.Yield();
    if (!rows.ticked(i)) continue;
    const std::string source = rows.path(i);
    const auto file = os::Examine(source);
    if (!file || !file->regular) continue;  // the run says what it is
    p.total += p.sizes[i] = file->size;
    if (!limits || !drive) continue;
    const std::string name = FileNameOf(source);
    const int error = file->size > limits->largest_file             ? EFBIG
                      : limits->windows_names && !WindowsName(name) ? EILSEQ
                      : !os::NameFits(*limits, folder, name)        ? ENAMETOOLONG
                                                                    : 0;
    if (error != 0) {
      p.files.push_back({i, error, source, file->size});
      continue;
    }
    acts = true;
    if (kind == TransferKind::kMove && file->id.volume == drive->id.volume) continue;  // renamed
    written.push_back({i, Rounded(file->size, limits->cluster), file->id});
    need += written.back().room;
  }
  if (!limits || !acts) return p;
  if (limits->read_only) {
    p.whole = Finding{Finding::kWhole, EROFS, {}};
    return p;
  }
  // The destination is looked at only when the files may not fit: a file
  // there already (gathered, or itself) takes no more room, and one the run
  // replaces gives its room back.
  std::uint64_t freed = 0;
  for (std::size_t k = 0; !options.folder_to_make && need > limits->free && k < written.size();
       ++k) {
    ui.Yield();
    const Written& file = written[k];
    const auto there = os::Examine(folder + FileNameOf(rows.path(file.row)));
    if (!there || !there->regular) continue;
    if (there->id == file.id || (options.skip_gathered && there->size == p.sizes[file.row]))
      need -= file.room;
    else if (!options.keep_existing)
      freed += Rounded(there->size, limits->cluster);
  }
  if (need > freed && need - freed > limits->free)
    p.whole = Finding{Finding::kWhole, ENOSPC, {}, need - freed, limits->free};
  return p;
}

std::string SizeText(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
  double shown = static_cast<double>(bytes);
  for (const char* unit : {"kB", "MB", "GB", "TB"}) {
    if (shown < 1000) break;
    shown /= 1000;
    std::snprintf(text, sizeof text, "%.1f %s", shown, unit);
  }
  return text;
}

std::string FindingText(const Finding& finding, const std::string& destination, TransferKind kind) {
  const std::string folder = NormalizeSlashes(destination + os::kSeparator);
  const std::string verbed = TransferVerb(kind);
  const std::string why =
      Words(Classify(finding.error, finding.source,
                     folder + (finding.source.empty() ? "" : FileNameOf(finding.source))));
  switch (finding.error) {
    case ENOSPC:
      return why + ": the files to be " + verbed + " need " + SizeText(finding.need) + ", and " +
             SizeText(finding.free) + " is free; nothing was " + verbed;
    case EROFS:
      return why + "; nothing was " + verbed;
    case EFBIG:
      return "File too large: " + finding.source + " (" + SizeText(finding.need) + ") is larger " +
             "than the file system of " + folder + " holds (FAT: under 4 GiB); it was not " +
             verbed;
    default:
      return why + "; " + finding.source + " was not " + verbed;
  }
}
