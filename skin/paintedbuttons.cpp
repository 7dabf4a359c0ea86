#include "paintedbuttons.h"

#include <QChildEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>

namespace tavo {

PaintedButtons::PaintedButtons(std::function<void(const QRect&)> invalidate)
    : invalidate_(std::move(invalidate)) {}

void PaintedButtons::Add(PaintedButton button) { entries_.push_back({std::move(button)}); }

void PaintedButtons::SetFaces(int id, QImage hoverFace, QImage pressedFace) {
  if (Entry* entry = Find(id)) {
    entry->button.hoverFace = std::move(hoverFace);
    entry->button.pressedFace = std::move(pressedFace);
  }
}

void PaintedButtons::SetActive(int id, bool active) {
  Entry* entry = Find(id);
  if (entry == nullptr) return;
  entry->button.active = active;
  if (!active) {
    if (entry->shown != Face::Normal) Show(*entry, Face::Normal);
    if (hoveredId_ == id) hovering_ = false, hoveredId_ = 0;
    if (pressedId_ == id) pressedId_ = 0;
  }
}

int PaintedButtons::ButtonAt(QPoint point) const {
  for (const Entry& entry : entries_) {
    if (entry.button.active && entry.button.hitArea.contains(point)) return entry.button.id;
  }
  return 0;
}

bool PaintedButtons::MouseMove(QPoint point, Qt::MouseButtons buttons,
                               Qt::KeyboardModifiers modifiers) {
  const int id = ButtonAt(point);
  if (id != 0) {
    hovering_ = true;
    hoveredId_ = id;
    // "Left button alone" as the key flags say it: no other button and no Shift or Ctrl.
    const bool leftAlone =
        buttons == Qt::LeftButton && !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier));
    Entry& entry = *Find(id);
    if (leftAlone) {
      if (!entry.button.pressedFace.isNull()) Show(entry, Face::Pressed);
    } else if (!entry.button.hoverFace.isNull()) {
      Show(entry, Face::Hover);
    }
    return true;
  }
  if (hovering_) {
    Leave();
    return true;
  }
  return false;
}

int PaintedButtons::Press(QPoint point) {
  const int id = ButtonAt(point);
  pressedId_ = id;
  if (id != 0) {
    Entry& entry = *Find(id);
    if (!entry.button.pressedFace.isNull()) Show(entry, Face::Pressed);
  }
  return id;
}

int PaintedButtons::Release(QPoint point) {
  const int pressed = pressedId_;
  pressedId_ = 0;
  for (const Entry& entry : entries_) {
    const PaintedButton& button = entry.button;
    const QRect& area = button.releaseArea.isEmpty() ? button.hitArea : button.releaseArea;
    if (!button.active || !area.contains(point)) continue;
    if (button.id == pressed) return pressed;
    break;
  }
  const int id = ButtonAt(point);
  if (id != 0) RestoreFace(id);
  if (pressed != 0) RestoreFace(pressed);
  return 0;
}

void PaintedButtons::Leave() {
  hovering_ = false;
  hoveredId_ = 0;
  RestoreAll();
}

void PaintedButtons::RestoreFace(int id) {
  if (Entry* entry = Find(id)) Show(*entry, Face::Normal);
}

void PaintedButtons::RestoreAll() {
  for (Entry& entry : entries_) {
    if (entry.shown != Face::Normal) Show(entry, Face::Normal);
  }
}

void PaintedButtons::Paint(QPainter& painter) const {
  for (const Entry& entry : entries_) {
    const QImage* face = entry.shown == Face::Hover     ? &entry.button.hoverFace
                         : entry.shown == Face::Pressed ? &entry.button.pressedFace
                                                        : nullptr;
    if (face != nullptr && !face->isNull()) painter.drawImage(entry.button.facePosition, *face);
  }
}

PaintedButtons::Face PaintedButtons::ShownFace(int id) const {
  const Entry* entry = Find(id);
  return entry != nullptr ? entry->shown : Face::Normal;
}

PaintedButtons::Entry* PaintedButtons::Find(int id) {
  for (Entry& entry : entries_) {
    if (entry.button.id == id) return &entry;
  }
  return nullptr;
}

const PaintedButtons::Entry* PaintedButtons::Find(int id) const {
  return const_cast<PaintedButtons*>(this)->Find(id);
}

void PaintedButtons::Show(Entry& entry, Face face) {
  const QRect previous = entry.shown == Face::Hover     ? entry.button.hoverFace.rect()
                         : entry.shown == Face::Pressed ? entry.button.pressedFace.rect()
                                                        : QRect();
  entry.shown = face;
  if (!invalidate_) return;
  if (face == Face::Normal) {
    // The normal face comes back with the background; cover the repaint area and whatever face
    // was drawn, in case the two differ.
    QRect area = entry.button.repaintArea;
    area |= previous.translated(entry.button.facePosition);
    invalidate_(area);
  } else {
    const QImage& image = face == Face::Hover ? entry.button.hoverFace : entry.button.pressedFace;
    invalidate_(image.rect().translated(entry.button.facePosition) |
                previous.translated(entry.button.facePosition));
  }
}

void WindowDrag::Begin(QWidget* window, QPoint globalPosition) {
  window_ = nullptr;
  if (window == nullptr) return;
  QWidget* top = window->window();
  if (QWindow* handle = top->windowHandle(); handle != nullptr && handle->startSystemMove()) {
    return;
  }
  // No window manager took the move (none runs under Xvfb or offscreen): follow by hand.
  window_ = top;
  offset_ = globalPosition - top->pos();
}

bool WindowDrag::Move(QPoint globalPosition) {
  if (window_ == nullptr) return false;
  window_->move(globalPosition - offset_);
  return true;
}

bool WindowDrag::End() {
  const bool was = window_ != nullptr;
  window_ = nullptr;
  return was;
}

bool IsSwallowedDialogKey(const QKeyEvent& event) {
  return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter ||
         event.key() == Qt::Key_Escape;
}

DialogKeyFilter* DialogKeyFilter::Install(QWidget* window) { return new DialogKeyFilter(window); }

DialogKeyFilter::DialogKeyFilter(QWidget* window) : QObject(window), window_(window) {
  Watch(window);
}

void DialogKeyFilter::Watch(QObject* object) {
  object->installEventFilter(this);
  for (QObject* child : object->children()) {
    if (child->isWidgetType()) Watch(child);
  }
}

bool DialogKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  // A window of its own among the children (a file dialog, a message box) keeps its keys: Enter
  // accepts it and Escape cancels it.
  const bool ours = watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == window_;
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Claiming the key keeps shortcuts and default buttons from acting on it; the key press
      // that follows is swallowed below.
      if (ours && IsSwallowedDialogKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
      }
      break;
    case QEvent::KeyPress:
      if (ours && IsSwallowedDialogKey(*static_cast<QKeyEvent*>(event))) return true;
      break;
    case QEvent::ChildAdded: {
      QObject* child = static_cast<QChildEvent*>(event)->child();
      if (child->isWidgetType()) Watch(child);
      break;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

QString SkinWindow::TooltipAt(QPoint) const { return {}; }

bool SkinWindow::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = TooltipAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

SkinWindow::SkinWindow(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags | Qt::FramelessWindowHint),
      buttons_([this](const QRect& area) { update(area); }) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  DialogKeyFilter::Install(this);
}

void SkinWindow::SetBackground(QImage background) {
  background_ = std::move(background);
  update();
}

void SkinWindow::ButtonClicked(int) {}
bool SkinWindow::AreaMove(QMouseEvent*) { return false; }
bool SkinWindow::AreaPress(QMouseEvent*) { return false; }
void SkinWindow::AreaRelease(QMouseEvent*) {}
void SkinWindow::PaintState(QPainter&) {}

void SkinWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!background_.isNull()) painter.drawImage(QPoint(0, 0), background_);
  PaintState(painter);
  buttons_.Paint(painter);
}

void SkinWindow::mouseMoveEvent(QMouseEvent* event) {
  if (drag_.Move(event->globalPosition().toPoint())) return;
  if (buttons_.MouseMove(event->position().toPoint(), event->buttons(), event->modifiers())) {
    return;
  }
  AreaMove(event);
}

void SkinWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (buttons_.Press(event->position().toPoint()) != 0) return;
  if (AreaPress(event)) return;
  drag_.Begin(this, event->globalPosition().toPoint());
}

void SkinWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (drag_.End()) return;
  if (const int id = buttons_.Release(event->position().toPoint()); id != 0) {
    ButtonClicked(id);
    return;
  }
  AreaRelease(event);
}

void SkinWindow::leaveEvent(QEvent*) {
  if (!drag_.manual()) buttons_.Leave();
}

}  // namespace tavo
