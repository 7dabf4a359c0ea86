// A skinned window that floats beside an owner window (a program's control bar or main window):
// a tool window that stays above its owner and never takes the activation from it, placed in
// screen coordinates and moved along when the owner moves.
#pragma once

#include <QPointer>
#include <QRect>
#include <optional>

#include "paintedbuttons.h"

namespace tavo {

class SatelliteWindow : public SkinWindow {
  Q_OBJECT
 public:
  // A window owned by `owner` (it goes with it), hidden until first placed.
  explicit SatelliteWindow(QWidget* owner, Qt::WindowFlags flags = Qt::Tool);

  // The owner moved: unless the owner is gone or minimised, or FollowPosition has no place, the
  // window moves to the place FollowPosition gives and shows without taking the focus.
  void Follow();

  QWidget* owner() const { return owner_; }
  // The owner's window rectangle in screen coordinates; empty when the owner is gone.
  QRect OwnerRect() const;

 protected:
  // Where the window goes when its owner, now at `owner`, has moved; nothing while it is not to
  // follow (undocked, shut). The default never follows.
  virtual std::optional<QPoint> FollowPosition(const QRect& owner) const;

  // Moves the window's top-left corner to `at` and shows it, whole, without activating it.
  void Place(QPoint at);
  // As Place, but the part left of the screen x `ownerRight` stays unseen, as if behind the
  // owner: the window seems to come out from under the owner's right edge. A window entirely
  // left of the edge keeps its last mask.
  void PlaceFromBehind(QPoint at, int ownerRight);
  // Hides the window and drops its mask.
  void Withdraw();

 private:
  QPointer<QWidget> owner_;
};

}  // namespace tavo
