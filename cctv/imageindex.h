// Finds recorded images by number without listing the folder on every lookup.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavo::cctv {

class ImageIndex {
 public:
  // Full path ("folder/name") of the first entry, in name order, whose name ends in `n` written
  // with at least five digits ("%05d") followed by ".jpg"; empty when none does or the folder
  // cannot be read. A folder's listing is kept and read again only when the folder changed or a
  // lookup misses shortly after a change.
  std::string Find(const std::string& folder, int n);

  // `name` was just written into `folder`: a loaded listing takes it in without a rescan.
  void Added(const std::string& folder, const std::string& name);

  // Someone else has just listed `folder` (every file name in it, in any order), having read its
  // modification time `modified` before listing at `listedAt`: the index keeps that listing
  // instead of reading the folder again.
  void Adopt(const std::string& folder, std::filesystem::file_time_type modified,
             std::filesystem::file_time_type listedAt, const std::vector<std::string>& names);

  // Drops every listing (for a viewer that deleted folders, say).
  void Clear() { folders.clear(); }

  // The numbers `name` answers to: every n whose "%05d" text ends its stem, for names ending in
  // ".jpg". Empty for other names.
  static std::vector<int> NumbersOf(std::string_view name);

 private:
  struct Listing {
    std::string folder;
    std::filesystem::file_time_type modified;
    std::filesystem::file_time_type listedAt;
    std::unordered_map<int, std::string> names;
    std::uint64_t lastUse = 0;
  };

  // The listing of `folder`, made (empty, `created` set) when there is none, the least recently
  // used one giving way when the index is full; marked as used now.
  std::vector<Listing>::iterator Slot(const std::string& folder, bool& created);
  Listing* Load(const std::string& folder, bool forceRescan);
  static bool Scan(Listing& listing);
  static void Insert(Listing& listing, int n, const std::string& name);

  // A viewer and the recorder touch two or three folders at a time; older listings are dropped.
  static constexpr std::size_t kMaxFolders = 4;
  std::vector<Listing> folders;
  std::uint64_t useClock = 0;
};

}  // namespace tavo::cctv
