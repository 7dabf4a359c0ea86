#include "snapshotdialogmodel.h"

#include <algorithm>
#include <cstdio>

namespace tavo::preview {

namespace {

// The slider's span: the thumb's centre runs over 241 pixels.
constexpr float kThumbSpan = kThumbMax - kThumbMin;
constexpr int kSlots = 4;

// Slot k takes presses at x from 7 + 80 (k - 1) to 85 + 80 (k - 1); y 22..80.
constexpr int kSlotTop = 22;
constexpr int kSlotBottom = 80;

}  // namespace

const std::array<SnapshotDialogButtonFace, 6>& SnapshotDialogButtons() {
  static const std::array<SnapshotDialogButtonFace, 6> kButtons = {{
      {kSnapSave, QRect(QPoint(190, 101), QPoint(233, 111)), QRect(189, 100, 45, 12),
       "/but_save_foc.bmp", "/but_save_down.bmp"},
      {kSnapDelete, QRect(QPoint(239, 101), QPoint(282, 111)), QRect(238, 100, 45, 12),
       "/but_del_foc.bmp", "/but_del_down.bmp"},
      {kSnapTake, QRect(QPoint(50, 101), QPoint(117, 111)), QRect(49, 100, 69, 12),
       "/but_snap_foc.bmp", "/but_snap_down.bmp"},
      {kSnapLeft, QRect(QPoint(7, 85), QPoint(19, 97)), QRect(6, 84, 14, 14), "/Left_but_Foc.bmp",
       "/Left_but_Down.bmp"},
      {kSnapRight, QRect(QPoint(313, 85), QPoint(325, 97)), QRect(312, 84, 14, 14),
       "/Right_but_Foc.bmp", "/Right_but_Down.bmp"},
      {kSnapClose, QRect(QPoint(318, 5), QPoint(327, 14)), QRect(317, 4, 11, 11), nullptr,
       "/Exit_But_Down.bmp"},
  }};
  return kButtons;
}

bool SliderTakesPress(QPoint p) { return p.x() >= 22 && p.x() <= 311 && p.y() > 70 && p.y() <= 97; }

bool SliderTakesDrag(QPoint p) { return p.x() >= 22 && p.x() <= 331 && p.y() > 70 && p.y() < 100; }

int SnapshotDialogButtonAt(QPoint point) {
  for (const SnapshotDialogButtonFace& button : SnapshotDialogButtons()) {
    if (button.hitArea.contains(point)) return button.id;
  }
  return 0;
}

int SlotAt(QPoint point, std::uint32_t snapshotCount) {
  if (point.y() < kSlotTop || point.y() > kSlotBottom) return 0;
  for (int slot = 1; slot <= kSlots; ++slot) {
    const int left = 7 + 80 * (slot - 1);
    if (point.x() >= left && point.x() <= left + 78) {
      return snapshotCount >= static_cast<std::uint32_t>(slot) ? slot : 0;
    }
  }
  return 0;
}

bool InDoubleClickStrip(QPoint p) { return p.x() > 6 && p.x() <= 326 && p.y() > 21 && p.y() <= 80; }

PressTarget TargetOfPress(QPoint point, std::uint32_t snapshotCount) {
  if (SliderTakesPress(point)) return {PressKind::kSlider, 0};
  if (const int button = SnapshotDialogButtonAt(point); button != 0) {
    return {PressKind::kButton, button};
  }
  if (const int slot = SlotAt(point, snapshotCount); slot != 0) return {PressKind::kSlot, slot};
  return {};
}

int ThumbLeft(float thumbX) { return static_cast<int>(thumbX - kSliderThumbSize.width() / 2); }

SnapshotDialogModel::SnapshotDialogModel(SnapshotStore& store) : store_(store) {}

void SnapshotDialogModel::SetThumbX(int x) {
  thumbX_ = std::clamp(static_cast<float>(x), kThumbMin, kThumbMax);
}

std::size_t SnapshotDialogModel::PositionOf(std::uint32_t number) const {
  const std::vector<std::uint32_t>& numbers = store_.numbers();
  const auto it = std::lower_bound(numbers.begin(), numbers.end(), number);
  if (it == numbers.end() || *it != number) return 0;
  return static_cast<std::size_t>(it - numbers.begin()) + 1;
}

void SnapshotDialogModel::ApplySlider() {
  const std::vector<std::uint32_t>& numbers = store_.numbers();
  if (numbers.empty()) return;
  const std::size_t count = numbers.size();
  if (count <= kSlots) {
    thumbX_ = kThumbMin;
    return;
  }
  const auto places = static_cast<float>(count - kSlots);
  // Rounded half up; the thumb never leaves its track, so k stays within 0..count - 4.
  const float exact = places * (thumbX_ - kThumbMin) / kThumbSpan;
  const auto k = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(exact + 0.5f, 0.0f)), 0,
                                         count - kSlots);
  const std::uint32_t end = numbers[k + kSlots - 1];
  thumbX_ = kThumbMin + static_cast<float>(k) * kThumbSpan / places;
  store_.SetStripEnd(end);
}

void SnapshotDialogModel::Scroll(bool right) {
  const std::vector<std::uint32_t>& numbers = store_.numbers();
  if (numbers.empty()) return;
  const std::size_t count = numbers.size();
  if (count <= kSlots) {
    thumbX_ = right ? kThumbMax : kThumbMin;
    return;
  }
  const float step = kThumbSpan / static_cast<float>(count - kSlots);
  // Half a step, in whole pixels.
  const auto margin = static_cast<float>(120 / (count - kSlots));
  const bool room = right ? thumbX_ < kThumbMax - margin : thumbX_ > kThumbMin + margin;
  if (!room) return;
  const std::size_t position = PositionOf(store_.stripEnd());
  if (position == 0) return;
  // The thumb moves only with the strip, and stays on its track.
  if (right ? position >= count : position <= 1) return;
  const std::uint32_t next = right ? numbers[position] : numbers[position - 2];
  thumbX_ = std::clamp(thumbX_ + (right ? step : -step), kThumbMin, kThumbMax);
  store_.SetStripEnd(next);
}

void SnapshotDialogModel::ScrollLeft() { Scroll(false); }

void SnapshotDialogModel::ScrollRight() { Scroll(true); }

void SnapshotDialogModel::AfterStored() {
  const std::size_t count = store_.numbers().size();
  const std::size_t position = PositionOf(store_.stripEnd());
  if (count == 0 || position == 0) return;
  const float at =
      kThumbOpen + 290.0f * (static_cast<float>(position) - 0.5f) / static_cast<float>(count);
  thumbX_ = std::min(at, 283.0f);
}

std::uint32_t SnapshotDialogModel::SlotNumber(int slot) const {
  if (slot < 1 || slot > kSlots) return 0;
  // The strip's own rule: the three before the strip end and itself once it stands fourth or
  // later, else from the first up to it. Slot k holds the k-th of those.
  const std::vector<std::uint32_t>& numbers = store_.numbers();
  const std::size_t end = PositionOf(store_.stripEnd());
  if (end == 0) return 0;
  const std::size_t first = end >= kSlots ? end - (kSlots - 1) : 1;
  const std::size_t position = first + static_cast<std::size_t>(slot) - 1;
  return position <= end ? numbers[position - 1] : 0;
}

bool SnapshotDialogModel::SelectSlot(int slot) {
  if (store_.snapshotCount() < static_cast<std::uint32_t>(std::max(slot, 0))) return false;
  const std::uint32_t number = SlotNumber(slot);
  if (number == 0) return false;
  store_.Select(number);
  return true;
}

std::string SnapshotDialogModel::Label() const {
  char text[32];
  std::snprintf(text, sizeof text, "%zu / %u", PositionOf(store_.selectedNumber()),
                store_.snapshotCount());
  return text;
}

ViewerLayout ViewerLayoutFor(int width, int height) {
  if (width == 640 && height == 480) {
    return {true, {646, 508}, {3, 3, 640, 480}, {531, 487}, {584, 487}, "/SnapViewer_bg640.bmp"};
  }
  return {false, {326, 268}, {3, 3, 320, 240}, {211, 246}, {265, 246}, "/SnapViewer_bg.bmp"};
}

QRect ViewerPictureRect(int width, int height) {
  if (width == 640 && height == 480) return {0, 0, 640, 480};
  if (width == 160 && height == 120) return {80, 60, 160, 120};
  return {0, 0, 320, 240};
}

}  // namespace tavo::preview
