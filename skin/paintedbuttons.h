// The painted-button technique shared by every skinned window: the window's background picture
// already shows each button's normal face; hover and pressed faces are drawn over it into fixed
// rectangles, and the window is dragged by any point that is neither a button nor an active area.
#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

class QPainter;
class QKeyEvent;
class QMouseEvent;

namespace tavo {

struct PaintedButton {
  int id = 0;           // the window's own numbering, 1, 2, 3 ...
  QRect hitArea;        // points that hit the button (QRect's inclusive ranges)
  QPoint facePosition;  // top-left corner where the hover and pressed faces are drawn
  QRect repaintArea;    // invalidated when the normal face returns; empty: the face's rectangle
  QImage hoverFace;     // null for buttons that show nothing on hover (close buttons)
  QImage pressedFace;
  bool active = true;   // inactive buttons are not tested (e.g. viewer buttons outside the viewer)
  QRect releaseArea{};  // points where a release runs the command; empty: the hit area
};

// Per-window button state: the buttons in the window's test order, the hover flag and hovered id,
// and the face each button currently shows over the background. Repaints are requested through
// the callback the window passes in, so this class works without a window in tests.
class PaintedButtons {
 public:
  enum class Face { Normal, Hover, Pressed };

  explicit PaintedButtons(std::function<void(const QRect&)> invalidate);

  // Appends a button; buttons are tested in the order they were added.
  void Add(PaintedButton button);
  // Replaces the faces of button `id` (two-state buttons switch faces with their state).
  void SetFaces(int id, QImage hoverFace, QImage pressedFace);
  void SetActive(int id, bool active);

  // The first active button whose hit area holds `point`; 0 for none.
  int ButtonAt(QPoint point) const;

  // A pointer move. On a button: set the hover flag, remember the button, and show its pressed
  // face when the left button alone is held, else its hover face (if it has one). On no button
  // with the hover flag set: clear the flag and let every lit button return to its normal face.
  // Returns false when the move is neither, so the window's other areas get it.
  bool MouseMove(QPoint point, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

  // A left-button press: shows the pressed face of the button hit and returns its id, or 0 when
  // no button was hit (the window then tries its active areas and else starts a drag).
  int Press(QPoint point);

  // A left-button release. Returns the id of the first active button whose release area holds
  // `point` when the press began on that same button, so the window runs its command; otherwise
  // 0, and lit faces under the pointer return to normal. A command never runs for a press that
  // slid onto another button.
  int Release(QPoint point);

  // The pointer left the window: as a move onto no button.
  void Leave();

  // Button `id` shows its normal face again (its repaint area is invalidated).
  void RestoreFace(int id);

  // Draws the hover and pressed faces currently shown; call after painting the background and
  // the window's state faces.
  void Paint(QPainter& painter) const;

  bool hovering() const { return hovering_; }
  int hoveredId() const { return hoveredId_; }
  Face ShownFace(int id) const;

 private:
  struct Entry {
    PaintedButton button;
    Face shown = Face::Normal;
  };
  Entry* Find(int id);
  const Entry* Find(int id) const;
  void Show(Entry& entry, Face face);
  void RestoreAll();

  std::function<void(const QRect&)> invalidate_;
  std::vector<Entry> entries_;
  bool hovering_ = false;
  int hoveredId_ = 0;
  int pressedId_ = 0;
};

// Moves a frameless window with the pointer. The window manager does it when it takes the move;
// without one (or when it refuses) the window follows the pointer by hand.
class WindowDrag {
 public:
  // Starts a drag of `window` pressed at the pointer's global position.
  void Begin(QWidget* window, QPoint globalPosition);
  // Follows the pointer during a manual drag; returns false when no manual drag is running.
  bool Move(QPoint globalPosition);
  // Ends a manual drag; returns whether one was running.
  bool End();
  bool manual() const { return window_ != nullptr; }

 private:
  QWidget* window_ = nullptr;
  QPoint offset_;
};

// True for the keys every skinned dialog swallows: Enter (both keys) and Escape, so no dialog
// closes on them.
bool IsSwallowedDialogKey(const QKeyEvent& event);

// Swallows Enter and Escape key presses for a window and all its child widgets, present and
// future, before they are dispatched; child widgets that are windows of their own (dialogs, boxes)
// keep them. Owned by the window it is installed on.
class DialogKeyFilter : public QObject {
  Q_OBJECT
 public:
  static DialogKeyFilter* Install(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit DialogKeyFilter(QWidget* window);
  void Watch(QObject* object);

  QWidget* window_;
};

// A frameless skinned window that paints its background and buttons and runs the painted-button
// rules. Windows derive from it and answer the hooks; those with particular rules override the
// Qt event handlers and use the pieces above directly.
class SkinWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SkinWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Dialog);

  PaintedButtons& buttons() { return buttons_; }
  // The picture drawn at (0, 0) under everything; it shows each button's normal face.
  void SetBackground(QImage background);
  const QImage& background() const { return background_; }

 protected:
  // A click on button `id`: press and release on it. The window runs the command and decides
  // when the normal face returns (RestoreFace before or after the command).
  virtual void ButtonClicked(int id);
  // Pointer moves, presses and releases on no button. A press hook returns true when an active
  // area took it; otherwise the window is dragged.
  virtual bool AreaMove(QMouseEvent* event);
  virtual bool AreaPress(QMouseEvent* event);
  virtual void AreaRelease(QMouseEvent* event);
  // Faces that show the window's state, drawn over the background and under the button faces.
  virtual void PaintState(QPainter& painter);
  // The tooltip for a client point; empty for none. Painted windows have no child widgets to
  // carry tooltips, so they name them by rectangle.
  virtual QString TooltipAt(QPoint point) const;

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  PaintedButtons buttons_;
  WindowDrag drag_;
  QImage background_;
};

}  // namespace tavo
