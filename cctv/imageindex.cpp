#include "imageindex.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace tavo::cctv {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kJpgSuffix = ".jpg";

// Coarsest modification-time step of the file systems a run folder may sit on (FAT keeps two
// seconds). A listing taken at least this long after the folder's last change cannot have missed a
// later change without the folder's time moving on.
constexpr auto kTimeGranularity = std::chrono::seconds(2);

}  // namespace

std::vector<int> ImageIndex::NumbersOf(std::string_view name) {
  std::vector<int> numbers;
  if (name.size() <= kJpgSuffix.size() || !name.ends_with(kJpgSuffix)) return numbers;
  const std::string_view stem = name.substr(0, name.size() - kJpgSuffix.size());
  std::size_t digits = 0;
  while (digits < stem.size() && stem[stem.size() - 1 - digits] >= '0' &&
         stem[stem.size() - 1 - digits] <= '9')
    ++digits;
  // "%05d" writes five digits below 100000 and otherwise the number without a leading zero.
  for (std::size_t k = 5; k <= std::min<std::size_t>(digits, 10); ++k) {
    const std::string_view tail = stem.substr(stem.size() - k);
    if (k > 5 && tail.front() == '0') continue;
    long long value = 0;
    for (char c : tail) value = value * 10 + (c - '0');
    if (value <= INT_MAX) numbers.push_back(static_cast<int>(value));
  }
  return numbers;
}

void ImageIndex::Insert(Listing& listing, int n, const std::string& name) {
  auto [it, inserted] = listing.names.try_emplace(n, name);
  if (!inserted && name < it->second) it->second = name;  // the first in name order answers
}

bool ImageIndex::Scan(Listing& listing) {
  listing.names.clear();
  listing.listedAt = fs::file_time_type::clock::now();
  std::error_code ec;
  fs::directory_iterator it(listing.folder, ec);
  if (ec) return false;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return false;
    std::error_code typeError;
    if (it->is_directory(typeError)) continue;  // a folder is never an image
    const std::string name = it->path().filename().string();
    for (int n : NumbersOf(name)) Insert(listing, n, name);
  }
  return !ec;
}

std::vector<ImageIndex::Listing>::iterator ImageIndex::Slot(const std::string& folder,
                                                            bool& created) {
  auto it = std::find_if(folders.begin(), folders.end(),
                         [&](const Listing& l) { return l.folder == folder; });
  created = it == folders.end();
  if (created) {
    if (folders.size() >= kMaxFolders) {
      folders.erase(std::min_element(
          folders.begin(), folders.end(),
          [](const Listing& a, const Listing& b) { return a.lastUse < b.lastUse; }));
    }
    folders.push_back(Listing{folder, {}, {}, {}, 0});
    it = folders.end() - 1;
  }
  it->lastUse = ++useClock;
  return it;
}

ImageIndex::Listing* ImageIndex::Load(const std::string& folder, bool forceRescan) {
  std::error_code ec;
  const fs::file_time_type modified = fs::last_write_time(folder, ec);
  if (ec) return nullptr;
  bool created = false;
  const auto it = Slot(folder, created);
  forceRescan = forceRescan || created;
  if (forceRescan || it->modified != modified) {
    it->modified = modified;
    if (!Scan(*it)) {
      folders.erase(it);
      return nullptr;
    }
  }
  return &*it;
}

std::string ImageIndex::Find(const std::string& folder, int n) {
  if (n < 0 || folder.empty()) return {};
  bool rescanned = false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    Listing* listing = Load(folder, rescanned);
    if (!listing) return {};
    const auto found = listing->names.find(n);
    if (found != listing->names.end()) {
      std::string path = folder + "/" + found->second;
      std::error_code ec;
      // Guards against a file removed within one tick of the folder's clock.
      if (fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec) return path;
    } else if (listing->listedAt - listing->modified > kTimeGranularity) {
      return {};  // the listing is younger than any change it could have missed
    }
    if (rescanned) break;
    rescanned = true;
  }
  return {};
}

void ImageIndex::Adopt(const std::string& folder, fs::file_time_type modified,
                       fs::file_time_type listedAt, const std::vector<std::string>& names) {
  if (folder.empty()) return;
  bool created = false;
  const auto it = Slot(folder, created);
  it->modified = modified;
  it->listedAt = listedAt;
  it->names.clear();
  for (const std::string& name : names) {
    for (int n : NumbersOf(name)) Insert(*it, n, name);
  }
}

void ImageIndex::Added(const std::string& folder, const std::string& name) {
  auto it = std::find_if(folders.begin(), folders.end(),
                         [&](const Listing& l) { return l.folder == folder; });
  if (it == folders.end()) return;
  std::error_code ec;
  const fs::file_time_type modified = fs::last_write_time(folder, ec);
  if (ec) {
    folders.erase(it);
    return;
  }
  it->modified = modified;
  for (int n : NumbersOf(name)) Insert(*it, n, name);
}

}  // namespace tavo::cctv
