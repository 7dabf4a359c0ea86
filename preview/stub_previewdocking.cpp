// Stand-in for the docking of the satellites until its own branch lands: the bar's rectangle and
// the states; satellites stay where they are put, the preview window above the bar.
#include "previewdocking.h"

namespace tavo::preview {

void PreviewDocking::Start(const QRect& screen, bool wide) {
  wide_ = wide;
  const int top = screen.top() + (wide ? kPreviewWideHeight : kPreviewHeight);
  bar_ = QRect(screen.left(), top, kBarWidth, kBarHeight);
}
const QRect& PreviewDocking::bar() const { return bar_; }
const SatelliteState& PreviewDocking::state(Satellite s) const {
  return satellites_[static_cast<std::size_t>(s)];
}
void PreviewDocking::SetWide(bool wide) { wide_ = wide; }
bool PreviewDocking::wide() const { return wide_; }

void PreviewDocking::Opened(Satellite s, const QRect& rect, DockState dock) {
  satellites_[static_cast<std::size_t>(s)] = {true, rect, dock, false};
}
void PreviewDocking::Closed(Satellite s) { satellites_[static_cast<std::size_t>(s)] = {}; }

std::array<std::optional<Placement>, kSatelliteCount> PreviewDocking::BarMoved(const QRect& to) {
  bar_ = to;
  return Layout();
}
std::array<std::optional<Placement>, kSatelliteCount> PreviewDocking::BarPositionChanged() {
  return {};
}
QPoint PreviewDocking::SatelliteMoving(Satellite s, QPoint candidate, QSize size) {
  auto& state = satellites_[static_cast<std::size_t>(s)];
  state.rect = QRect(candidate, size);
  return candidate;
}
std::array<std::optional<Placement>, kSatelliteCount> PreviewDocking::Redock() { return Layout(); }
std::array<std::optional<Placement>, kSatelliteCount> PreviewDocking::Layout() {
  std::array<std::optional<Placement>, kSatelliteCount> moves;
  const auto& preview = satellites_[0];
  if (preview.open && preview.dock == DockState::kAboveBar && !wide_) {
    moves[0] = Placement{Satellite::kPreview, PlaceAboveBar(bar_)};
  }
  return moves;
}

}  // namespace tavo::preview
