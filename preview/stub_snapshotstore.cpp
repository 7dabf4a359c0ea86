// Stand-in for the snapshot store until its own branch lands: numbered JPEG files and the list,
// nothing of the strip, the deletion rules or saving.
#include <filesystem>
#include <vector>

#include "jpegfile.h"
#include "snapshotstore.h"

namespace tavo::preview {

struct SnapshotStore::State {
  std::string folder;
  MessageBoxes& boxes;
  int resolutionIndex = 2;
  std::uint32_t last = 0;
  std::vector<std::uint32_t> numbers{};
  std::function<void()> changed{};
  QImage strip{};
};

FrameSize FrameSizeOf(int resolutionIndex) {
  switch (resolutionIndex) {
    case 1:
      return {640, 480};
    case 3:
      return {160, 120};
    default:
      return {320, 240};
  }
}

SnapshotStore::SnapshotStore(std::string temporaryFolder, MessageBoxes& boxes, const StringTable&,
                             SaveFileDialog&)
    : state_(std::make_unique<State>(State{std::move(temporaryFolder), boxes})) {}
SnapshotStore::~SnapshotStore() = default;

void SnapshotStore::SetResolutionIndex(int index) { state_->resolutionIndex = index; }
int SnapshotStore::resolutionIndex() const { return state_->resolutionIndex; }
void SnapshotStore::SetChangedHook(std::function<void()> changed) {
  state_->changed = std::move(changed);
}

bool SnapshotStore::StoreGrabbedFrame(const std::uint8_t* frame, std::size_t bytes) {
  const FrameSize size = FrameSizeOf(state_->resolutionIndex);
  const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 3;
  if (frame == nullptr || bytes != rowBytes * static_cast<std::size_t>(size.height)) return false;
  std::vector<std::uint8_t> rgb(frame, frame + bytes);
  JpegFile::FlipRows(rgb.data(), static_cast<std::uint32_t>(rowBytes),
                     static_cast<std::uint32_t>(size.height));
  JpegFile::SwapRedBlue(rgb.data(), static_cast<std::uint32_t>(size.width),
                        static_cast<std::uint32_t>(size.height));
  const std::uint32_t n = state_->last + 1;
  JpegFile jpeg(state_->boxes);
  if (!jpeg.RgbToJpeg(PathOf(n), kSnapshotQuality, rgb.data(),
                      static_cast<std::uint32_t>(size.width),
                      static_cast<std::uint32_t>(size.height))) {
    return false;
  }
  state_->last = n;
  state_->numbers.push_back(n);
  if (state_->changed) state_->changed();
  return true;
}

bool SnapshotStore::DeleteSelected() { return false; }
bool SnapshotStore::SaveSelectedAs(const SnapshotPixels*, bool, bool* confirmed) {
  if (confirmed != nullptr) *confirmed = false;
  return false;
}
const QImage& SnapshotStore::Strip() { return state_->strip; }
bool SnapshotStore::DecodeSnapshot(std::uint32_t, bool, SnapshotPixels&) const { return false; }
void SnapshotStore::Select(std::uint32_t) {}
void SnapshotStore::SetStripEnd(std::uint32_t) {}

void SnapshotStore::ClearTemporaryFolder() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(state_->folder, error)) {
    if (entry.path().filename().string().rfind("SnapShot", 0) == 0) {
      std::filesystem::remove(entry.path(), error);
    }
  }
  state_->numbers.clear();
}

std::string SnapshotStore::PathOf(std::uint32_t number) const {
  return state_->folder + "/SnapShot" + std::to_string(number) + ".jpg";
}

std::uint32_t SnapshotStore::lastNumber() const { return state_->last; }
std::uint32_t SnapshotStore::snapshotCount() const {
  return static_cast<std::uint32_t>(state_->numbers.size());
}
const std::vector<std::uint32_t>& SnapshotStore::numbers() const { return state_->numbers; }
std::uint32_t SnapshotStore::selectedNumber() const {
  return state_->numbers.empty() ? 0 : state_->numbers.back();
}
std::uint32_t SnapshotStore::stripEnd() const { return selectedNumber(); }
std::size_t SnapshotStore::cacheBytes() const { return 0; }

SnapshotPixels PlaceholderPicture(int resolutionIndex) {
  const FrameSize size = FrameSizeOf(resolutionIndex);
  return {std::vector<std::uint8_t>(static_cast<std::size_t>(size.width) * size.height * 3, 82),
          size.width, size.height};
}

}  // namespace tavo::preview
