#include "satellitewindow.h"

#include <QRegion>

namespace tavo {

SatelliteWindow::SatelliteWindow(QWidget* owner, Qt::WindowFlags flags)
    : SkinWindow(owner, flags), owner_(owner) {
  // A satellite sits beside its owner and never takes the activation from it.
  setAttribute(Qt::WA_ShowWithoutActivating);
}

QRect SatelliteWindow::OwnerRect() const {
  return owner_ != nullptr ? owner_->frameGeometry() : QRect();
}

std::optional<QPoint> SatelliteWindow::FollowPosition(const QRect&) const { return std::nullopt; }

void SatelliteWindow::Follow() {
  if (owner_ == nullptr || owner_->isMinimized()) return;
  if (const std::optional<QPoint> at = FollowPosition(OwnerRect())) Place(*at);
}

void SatelliteWindow::Place(QPoint at) { PlaceFromBehind(at, at.x()); }

void SatelliteWindow::PlaceFromBehind(QPoint at, int ownerRight) {
  move(at);
  // A tool window stays above its owner, so the part still over the owner is masked off.
  const int hidden = ownerRight - at.x();
  if (hidden <= 0) {
    clearMask();
  } else if (hidden < width()) {
    setMask(QRegion(hidden, 0, width() - hidden, height()));
  }
  if (!isVisible()) show();
}

void SatelliteWindow::Withdraw() {
  hide();
  clearMask();
}

}  // namespace tavo
