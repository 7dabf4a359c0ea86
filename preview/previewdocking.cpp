#include "previewdocking.h"

#include <algorithm>

namespace tavo::preview {

namespace {

constexpr auto kPreview = Satellite::kPreview;
constexpr auto kSnapshot = Satellite::kSnapshot;
constexpr auto kConfig = Satellite::kConfig;
constexpr Satellite kDialogs[] = {kSnapshot, kConfig};

constexpr std::size_t Index(Satellite s) { return static_cast<std::size_t>(s); }

Satellite Partner(Satellite dialog) { return dialog == kSnapshot ? kConfig : kSnapshot; }

// The left edge is pulled onto the target's only when it is already close to it.
int AlignedLeft(int left, int targetLeft) {
  return WithinTolerance(left, targetLeft, kDockEdgeTolerance) ? targetLeft : left;
}

}  // namespace

void PreviewDocking::Start(const QRect& screen, bool wide) {
  wide_ = wide;
  satellites_ = {};
  candidateDock_ = {};
  const QSize previewSize =
      wide ? QSize(kPreviewWideWidth, kPreviewWideHeight) : QSize(kPreviewWidth, kPreviewHeight);
  // The docking line puts the preview window above the bar: the bar starts one preview window
  // down, so that both are on the screen and neither covers the other.
  bar_ = QRect(screen.topLeft() + QPoint(0, previewSize.height()), QSize(kBarWidth, kBarHeight));
  SatelliteState& preview = at(kPreview);
  preview.open = true;
  preview.rect = QRect(screen.topLeft(), previewSize);
  preview.dock = wide ? DockState::kFree : DockState::kAboveBar;
}

const QRect& PreviewDocking::bar() const { return bar_; }

const SatelliteState& PreviewDocking::state(Satellite s) const { return satellites_[Index(s)]; }

SatelliteState& PreviewDocking::at(Satellite s) { return satellites_[Index(s)]; }

void PreviewDocking::SetWide(bool wide) {
  wide_ = wide;
  if (wide) {
    at(kPreview).dock = DockState::kFree;
    at(kPreview).candidate = false;
  }
}

bool PreviewDocking::wide() const { return wide_; }

void PreviewDocking::Opened(Satellite s, const QRect& rect, DockState dock) {
  SatelliteState& state = at(s);
  state.open = true;
  state.rect = rect;
  state.dock = dock;
  state.candidate = false;
}

void PreviewDocking::Closed(Satellite s) {
  SatelliteState& state = at(s);
  state.open = false;
  state.dock = DockState::kFree;
  state.candidate = false;
  if (s != kPreview) return;
  for (Satellite dialog : kDialogs) {
    if (at(dialog).dock == DockState::kUnderPreview) at(dialog).dock = DockState::kFree;
  }
}

QPoint PreviewDocking::PreviewPlace(const QRect& screen) const {
  return wide_ ? screen.topLeft() : PlaceAboveBar(bar_);
}

std::optional<QPoint> PreviewDocking::BarClearOf(const QRect& cover, const QRect& screen) const {
  if (!cover.intersects(bar_)) return std::nullopt;
  const int maxLeft = std::max(screen.left(), screen.right() + 1 - kBarWidth);
  const QPoint below(std::clamp(bar_.x(), screen.left(), maxLeft), cover.bottom() + 1);
  const bool fitsBelow = below.y() + kBarHeight <= screen.bottom() + 1;
  const bool fitsBeside = cover.right() + 1 + kBarWidth <= screen.right() + 1;
  if (!fitsBelow && fitsBeside) return QPoint(cover.right() + 1, cover.top());
  return below;
}

std::optional<Placement> PreviewDocking::Move(Satellite s, QPoint to) {
  at(s).rect.moveTopLeft(to);
  return Placement{s, to};
}

bool PreviewDocking::HangsUnderDockedPartner(Satellite dialog) const {
  const SatelliteState& partner = state(Partner(dialog));
  return state(dialog).dock == DockState::kUnderDialog && partner.open &&
         partner.dock == DockState::kUnderBar;
}

void PreviewDocking::ChainDialogs() {
  if (at(kSnapshot).open && at(kConfig).open && at(kSnapshot).dock == DockState::kUnderBar &&
      at(kConfig).dock == DockState::kUnderBar) {
    at(kConfig).dock = DockState::kUnderDialog;
  }
}

Placements PreviewDocking::BarMoved(const QRect& to) {
  Placements moves{};
  const QPoint from = bar_.topLeft();
  bar_ = to;
  for (SatelliteState& s : satellites_) s.candidate = false;

  SatelliteState& preview = at(kPreview);
  if (preview.open && !wide_) {
    if (preview.dock == DockState::kAboveBar) {
      moves[Index(kPreview)] =
          Move(kPreview,
               {FollowMove(preview.rect.topLeft(), from, to.topLeft()).x(), PlaceAboveBar(to).y()});
    } else if (WithinTolerance(preview.rect.y() + preview.rect.height(), to.top(),
                               kDockEdgeTolerance) &&
               WithinTolerance(preview.rect.x(), to.left(), kDockLeftTolerance)) {
      preview.candidate = true;
      candidateDock_[Index(kPreview)] = DockState::kAboveBar;
    }
  }

  // The chain under the bar follows: a dialog under the bar, and one hanging under that one.
  ChainDialogs();
  std::optional<Satellite> following;
  int followingCount = 0;
  bool follows[kSatelliteCount] = {};
  for (Satellite d : kDialogs) {
    const SatelliteState& dialog = at(d);
    follows[Index(d)] =
        dialog.open && (dialog.dock == DockState::kUnderBar || HangsUnderDockedPartner(d));
  }
  for (Satellite d : kDialogs) {
    SatelliteState& dialog = at(d);
    if (!dialog.open) continue;
    if (follows[Index(d)]) {
      moves[Index(d)] = Move(d, FollowMove(dialog.rect.topLeft(), from, to.topLeft()));
      if (dialog.dock == DockState::kUnderBar) following = d;
      ++followingCount;
    } else if (dialog.dock == DockState::kUnderDialog) {
      // Its partner went its own way or is gone: it stays where it is.
      dialog.dock = DockState::kFree;
    }
  }

  // The others snap when their top comes near the chain's foot.
  if (followingCount >= 2) return moves;
  const DockEdge foot =
      following ? DockEdge{to.top() + kBarHeight + kDialogChainStep, at(*following).rect.left()}
                : DockEdge{to.top() + kBarHeight, to.left()};
  for (Satellite d : kDialogs) {
    SatelliteState& dialog = at(d);
    if (!dialog.open || follows[Index(d)]) continue;
    if (WithinTolerance(dialog.rect.top(), foot.line, kDockEdgeTolerance) &&
        WithinTolerance(dialog.rect.left(), foot.left, kDockLeftTolerance)) {
      dialog.candidate = true;
      candidateDock_[Index(d)] = following ? DockState::kUnderDialog : DockState::kUnderBar;
    }
  }
  return moves;
}

Placements PreviewDocking::BarPositionChanged() {
  Placements moves{};
  SatelliteState& preview = at(kPreview);
  if (preview.candidate && preview.open && !wide_) {
    preview.dock = DockState::kAboveBar;
    moves[Index(kPreview)] =
        Move(kPreview, {AlignedLeft(preview.rect.x(), bar_.left()), PlaceAboveBar(bar_).y()});
  }
  preview.candidate = false;

  // Two dialogs that reach the bar at once: the snapshot dialog takes the place under the bar and
  // the configuration dialog hangs under it.
  if (at(kSnapshot).candidate && at(kConfig).candidate &&
      candidateDock_[Index(kSnapshot)] == DockState::kUnderBar &&
      candidateDock_[Index(kConfig)] == DockState::kUnderBar) {
    candidateDock_[Index(kConfig)] = DockState::kUnderDialog;
  }
  for (Satellite d : kDialogs) {
    SatelliteState& dialog = at(d);
    if (!dialog.candidate || !dialog.open) continue;
    dialog.candidate = false;
    if (candidateDock_[Index(d)] == DockState::kUnderBar) {
      dialog.dock = DockState::kUnderBar;
      moves[Index(d)] = Move(d, {AlignedLeft(dialog.rect.x(), bar_.left()), bar_.bottom() + 1});
      continue;
    }
    const SatelliteState& partner = at(Partner(d));
    // The dialog it was to hang under must still hang under the bar.
    if (!partner.open || partner.dock != DockState::kUnderBar) continue;
    dialog.dock = DockState::kUnderDialog;
    moves[Index(d)] =
        Move(d, {AlignedLeft(dialog.rect.x(), partner.rect.left()), PlaceUnderDialog(bar_).y()});
  }
  for (SatelliteState& s : satellites_) s.candidate = false;
  return moves;
}

QPoint PreviewDocking::SatelliteMoving(Satellite s, QPoint candidate, QSize size) {
  SatelliteState& self = at(s);
  self.dock = DockState::kFree;
  self.candidate = false;
  QPoint to = candidate;
  // Each target is tested with the position asked for; a later match overrides an earlier one.
  const auto tryEdge = [&](DockEdge edge, EdgeFit fit, DockState dock) {
    if (const DockSnap snap = SnapToEdge(candidate, edge, fit); snap.docked) {
      self.dock = dock;
      to = snap.position;
    }
  };
  if (s == kPreview) {
    // The wide window is taller than the bar's docking line assumes: it never docks.
    if (!wide_) tryEdge(TopEdge(bar_), kStandOn, DockState::kAboveBar);
  } else {
    tryEdge(BottomEdge(bar_), kHangUnder, DockState::kUnderBar);
    const SatelliteState& preview = state(kPreview);
    if (preview.open && !wide_ && preview.dock != DockState::kAboveBar) {
      tryEdge(BottomEdge(preview.rect), kHangUnder, DockState::kUnderPreview);
    }
    const SatelliteState& partner = state(Partner(s));
    if (partner.open) tryEdge(BottomEdge(partner.rect), kHangUnder, DockState::kUnderDialog);
  }
  self.rect = QRect(to, size);
  return to;
}

Placements PreviewDocking::Redock() {
  Placements moves{};
  for (SatelliteState& s : satellites_) s.candidate = false;
  if (at(kPreview).open && !wide_) {
    at(kPreview).dock = DockState::kAboveBar;
    moves[Index(kPreview)] = Move(kPreview, PlaceAboveBar(bar_));
  }
  if (at(kSnapshot).open) {
    at(kSnapshot).dock = DockState::kUnderBar;
    moves[Index(kSnapshot)] = Move(kSnapshot, PlaceUnderBar(bar_));
  }
  if (at(kConfig).open) {
    const bool underSnapshot = at(kSnapshot).open;
    at(kConfig).dock = underSnapshot ? DockState::kUnderDialog : DockState::kUnderBar;
    moves[Index(kConfig)] =
        Move(kConfig, underSnapshot ? PlaceUnderDialog(bar_) : PlaceUnderBar(bar_));
  }
  return moves;
}

Placements PreviewDocking::Layout() {
  Placements moves{};
  for (SatelliteState& s : satellites_) s.candidate = false;
  if (at(kPreview).open && !wide_ && at(kPreview).dock == DockState::kAboveBar) {
    moves[Index(kPreview)] = Move(kPreview, PlaceAboveBar(bar_));
  }
  ChainDialogs();
  for (Satellite d : kDialogs) {
    SatelliteState& dialog = at(d);
    if (!dialog.open) continue;
    if (dialog.dock == DockState::kUnderBar) {
      moves[Index(d)] = Move(d, PlaceUnderBar(bar_));
    } else if (HangsUnderDockedPartner(d)) {
      moves[Index(d)] = Move(d, PlaceUnderDialog(bar_));
    } else if (dialog.dock == DockState::kUnderDialog && !at(Partner(d)).open) {
      dialog.dock = DockState::kFree;
    } else if (dialog.dock == DockState::kUnderPreview && !at(kPreview).open) {
      dialog.dock = DockState::kFree;
    }
  }
  return moves;
}

}  // namespace tavo::preview
