#include "runfolders.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "recordingstore.h"

namespace tavo::cctv {

namespace fs = std::filesystem;

namespace {

// A stamp layout: '#' stands for one ASCII digit, every other byte for itself. The fields give
// the offset of the two digits of year, month, day, hour, minute and second.
struct StampLayout {
  std::string_view pattern;
  std::array<std::size_t, 6> fields;
};

// Korean yymmdd-HH시MM분SS초 (each mark three UTF-8 bytes), Japanese yy-mm-dd_HHhMMmSSs and
// English HHhMMmSSs_mm-dd-yy, as MakeTimeStamp writes them.
constexpr std::array<StampLayout, 3> kStampLayouts = {{
    {"######-##\xEC\x8B\x9C##\xEB\xB6\x84##\xEC\xB4\x88", {0, 2, 4, 7, 12, 17}},
    {"##-##-##_##h##m##s", {0, 3, 6, 9, 12, 15}},
    {"##h##m##s_##-##-##", {16, 10, 13, 0, 3, 6}},
}};

bool Matches(std::string_view name, std::string_view pattern) {
  if (name.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const bool digit = name[i] >= '0' && name[i] <= '9';
    if (pattern[i] == '#' ? !digit : name[i] != pattern[i]) return false;
  }
  return true;
}

// The path of run folder `name`: the root is meant to end with "/", but one is added if not.
std::string RunFolderPath(const std::string& imageRoot, const std::string& name) {
  const bool rooted = !imageRoot.empty() && imageRoot.back() == '/';
  return imageRoot + (rooted ? "" : "/") + name;
}

int TwoDigits(std::string_view name, std::size_t at) {
  return (name[at] - '0') * 10 + (name[at + 1] - '0');
}

}  // namespace

std::optional<std::array<int, 6>> RunStampKey(std::string_view name) {
  for (const StampLayout& layout : kStampLayouts) {
    if (!Matches(name, layout.pattern)) continue;
    std::array<int, 6> key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = TwoDigits(name, layout.fields[i]);
    key[0] += 2000;
    // A second of 60 is the leap second strftime may write.
    const bool inRange = key[1] >= 1 && key[1] <= 12 && key[2] >= 1 && key[2] <= 31 &&
                         key[3] <= 23 && key[4] <= 59 && key[5] <= 60;
    return inRange ? std::optional(key) : std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> ListRunFolders(const std::string& imageRoot) {
  std::error_code ec;
  fs::directory_iterator it(imageRoot, ec);
  if (ec) return std::nullopt;
  std::vector<std::string> names;
  // A listing that breaks off keeps what it found, as the panel shows what it could read.
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_directory(typeError)) continue;
    std::string name = it->path().filename().string();
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  using Keyed = std::pair<std::optional<std::array<int, 6>>, std::string>;
  std::vector<Keyed> keyed;
  keyed.reserve(names.size());
  for (std::string& name : names) {
    auto key = RunStampKey(name);
    keyed.emplace_back(key, std::move(name));
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    // Stamped names first, by stamp; then by name.
    if (a.first.has_value() != b.first.has_value()) return a.first.has_value();
    if (a.first != b.first) return *a.first < *b.first;
    return a.second < b.second;
  });
  names.clear();
  for (Keyed& entry : keyed) names.push_back(std::move(entry.second));
  return names;
}

bool IsDeletableRunFolder(const std::string& imageRoot, const std::string& name) {
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
    return false;
  }
  return PathWithinLimits(RunFolderPath(imageRoot, name));
}

FolderPanelModel::FolderPanelModel(std::string imageRoot, Shell& shell,
                                   std::function<void(const std::string&)> showFolder)
    : imageRoot_(std::move(imageRoot)), shell_(shell), showFolder_(std::move(showFolder)) {}

void FolderPanelModel::Fill() {
  filling_ = true;
  selectedIndex_ = -1;
  items_ = ListRunFolders(imageRoot_).value_or(std::vector<std::string>{});
  // The folder chosen in an earlier viewer session stays chosen only while it is listed, and then
  // it is marked: the delete button must never remove a folder the list does not show as chosen.
  const auto chosen = std::find(items_.begin(), items_.end(), selectedFolder_);
  if (selectedFolder_.empty() || chosen == items_.end()) {
    selectedFolder_.clear();
  } else {
    selectedIndex_ = static_cast<int>(chosen - items_.begin());
  }
  filling_ = false;
  if (items_.empty() && showFolder_) showFolder_("");
}

void FolderPanelModel::Select(int index) {
  if (filling_ || index < 0 || index >= static_cast<int>(items_.size())) return;
  selectedIndex_ = index;
  selectedFolder_ = items_[static_cast<std::size_t>(index)];
  // A copy: the viewer may refill the list while it opens the folder.
  const std::string name = selectedFolder_;
  if (showFolder_) showFolder_(name);
}

RunDeleteResult FolderPanelModel::DeleteSelected() {
  RunDeleteResult result = RunDeleteResult::kNothingChosen;
  const std::string name = selectedFolder_;
  if (name.empty()) {
    // Nothing chosen: nothing to delete, the first folder is chosen below.
  } else if (!IsDeletableRunFolder(imageRoot_, name)) {
    result = RunDeleteResult::kRefused;
  } else if (!shell_.DeleteTree(RunFolderPath(imageRoot_, name))) {
    result = RunDeleteResult::kFailed;
  } else {
    result = RunDeleteResult::kDeleted;
    const auto item = std::find(items_.begin(), items_.end(), name);
    if (item != items_.end()) items_.erase(item);
    selectedIndex_ = -1;
    selectedFolder_.clear();
  }
  ChooseFirst();
  return result;
}

void FolderPanelModel::ChooseFirst() {
  if (items_.empty()) {
    selectedIndex_ = -1;
    if (showFolder_) showFolder_("");
    return;
  }
  selectedIndex_ = 0;
  selectedFolder_ = items_.front();
  const std::string name = selectedFolder_;
  if (showFolder_) showFolder_(name);
}

void PanelSlide::Start() {
  n_ = 1;
  closing_ = !closing_;
  running_ = true;
}

PanelSlide::Step PanelSlide::Tick(int mainRight, int mainTop) {
  if (!running_) return {};
  // Six pixels a step; the 27th step ends the slide at the edge (27 x 6 would stop 3 short).
  const bool last = n_ >= kSlideSteps;
  const int offset = last ? kFolderPanelWidth : kSlideStepPixels * n_;
  ++n_;
  if (last) running_ = false;
  if (closing_) {
    if (last) return {Action::kClosed, 0, 0, true};
    return {Action::kPlace, mainRight - offset, mainTop, false};
  }
  return {Action::kPlace, mainRight - kFolderPanelWidth + offset, mainTop, last};
}

}  // namespace tavo::cctv
