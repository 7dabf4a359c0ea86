#include "snapshotdialog.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "previewcontroller.h"
#include "skinbitmap.h"
#include "skinfolder.h"
#include "snapshotviewer.h"

namespace tavo::preview {

namespace {

QColor LabelGround() { return QColor(kLabelGround[0], kLabelGround[1], kLabelGround[2]); }

// 12 pixels high, weight 200; Batang for Korean, Arial for every other language.
QFont LabelFont(const std::string& uiLanguage) {
  QFont font(uiLanguage == "Korean" ? QStringLiteral("Batang") : QStringLiteral("Arial"));
  font.setPixelSize(12);
  font.setWeight(QFont::ExtraLight);
  font.setStyleStrategy(QFont::PreferQuality);
  return font;
}

bool LeftButtonAlone(const QMouseEvent& event) {
  return event.buttons() == Qt::LeftButton &&
         !(event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
}

}  // namespace

SnapshotDialog::SnapshotDialog(QWidget* bar, SnapshotDialogServices services)
    : SatelliteWindow(bar, Qt::Tool), services_(std::move(services)), model_(services_.store) {
  setFixedSize(kSnapshotDialogWidth, kSnapshotDialogHeight);
  // Clicked, it takes the keys, so the arrow keys scroll wherever the pointer is.
  setFocusPolicy(Qt::ClickFocus);
  LoadSkin();

  label_ = new QLabel(this);
  label_->setGeometry(kPositionLabel);
  label_->setAlignment(Qt::AlignCenter);
  label_->setAutoFillBackground(true);
  QPalette palette = label_->palette();
  palette.setColor(QPalette::Window, LabelGround());
  palette.setColor(QPalette::WindowText, Qt::white);
  label_->setPalette(palette);
  label_->setFont(LabelFont(services_.strings.UiLanguage()));
  // Presses on the label are the dialog's (a drag), as on the rest of its face.
  label_->setAttribute(Qt::WA_TransparentForMouseEvents);

  seenLastNumber_ = services_.store.lastNumber();
  services_.store.SetChangedHook([this] { StoreChanged(); });
  ShowChanges();
  if (!skinLoaded_) ShowString(services_.boxes, services_.strings, kMsgBitmapReadFailure);
  // Opening the dialog takes a snapshot; its frame arrives later, through the store.
  if (services_.takeSnapshot) services_.takeSnapshot();
}

SnapshotDialog::~SnapshotDialog() {
  services_.store.SetChangedHook({});
  DestroyViewer();
}

void SnapshotDialog::LoadSkin() {
  const std::string& folder = services_.programFolder;
  const std::string language = services_.strings.UiLanguage();
  const auto load = [&](const char* file) {
    QImage image;
    if (!LoadSkinBitmap(SkinPath(folder, language, kSnapshotDialogFolder, file), image)) {
      skinLoaded_ = false;
    }
    return image;
  };
  QImage face = load(kSnapshotDialogFace);
  if (face.isNull()) {
    // Without its face the dialog still shows its parts on the label's ground.
    face = QImage(kSnapshotDialogWidth, kSnapshotDialogHeight, QImage::Format_RGB32);
    face.fill(LabelGround());
  }
  SetBackground(face);
  track_ = load(kSliderTrackFile);
  thumb_ = load(kSliderThumbFile);
  for (const SnapshotDialogButtonFace& face : SnapshotDialogButtons()) {
    PaintedButton button;
    button.id = face.id;
    button.hitArea = face.hitArea;
    button.facePosition = face.faceArea.topLeft();
    button.repaintArea = face.faceArea;
    if (face.hoverFile != nullptr) button.hoverFace = load(face.hoverFile);
    button.pressedFace = load(face.pressedFile);
    buttons().Add(std::move(button));
  }
}

void SnapshotDialog::PlaceAt(QPoint at) { Place(at); }

void SnapshotDialog::StoreChanged() {
  if (services_.store.lastNumber() != seenLastNumber_) {
    seenLastNumber_ = services_.store.lastNumber();
    model_.AfterStored();
  }
  ShowChanges();
}

void SnapshotDialog::ShowChanges() {
  label_->setText(QString::fromStdString(model_.Label()));
  update();
}

void SnapshotDialog::PaintState(QPainter& painter) {
  if (!track_.isNull()) painter.drawImage(kSliderTrack.topLeft(), track_);
  const QRect thumb(QPoint(ThumbLeft(model_.thumbX()), kSliderTrack.top()), kSliderThumbSize);
  if (!thumb_.isNull()) {
    painter.drawImage(thumb.topLeft(), thumb_);
  } else {
    painter.fillRect(thumb, Qt::lightGray);
  }
  const QImage& strip = services_.store.Strip();
  if (!strip.isNull()) {
    painter.drawImage(kStripOnDialog, strip, QRect(0, 0, kStripWidth, kStripHeight));
  }
}

void SnapshotDialog::mousePressEvent(QMouseEvent* event) {
  // A click makes the dialog the active window, as any dialog clicked is: its arrow keys then
  // work, with or without a window manager to hand it the focus.
  if (!isActiveWindow()) activateWindow();
  // The slider is tested before the buttons and the thumbnails; the thumb shows its new place
  // with the next move or the release.
  if (event->button() == Qt::LeftButton && SliderTakesPress(event->position().toPoint())) {
    model_.SetThumbX(event->position().toPoint().x());
    return;
  }
  SatelliteWindow::mousePressEvent(event);
}

bool SnapshotDialog::AreaPress(QMouseEvent* event) {
  const int slot = SlotAt(event->position().toPoint(), services_.store.snapshotCount());
  if (slot != 0 && model_.SelectSlot(slot)) ShowChanges();
  // Whatever was hit, the dialog is dragged from here.
  return false;
}

bool SnapshotDialog::AreaMove(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (!LeftButtonAlone(*event) || !SliderTakesDrag(point)) return false;
  model_.SetThumbX(point.x());
  model_.ApplySlider();
  ShowChanges();
  return true;
}

void SnapshotDialog::AreaRelease(QMouseEvent*) {
  model_.ApplySlider();
  ShowChanges();
}

void SnapshotDialog::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint point = event->position().toPoint();
  const PressTarget target = TargetOfPress(point, services_.store.snapshotCount());
  switch (target.kind) {
    case PressKind::kSlider:
      model_.SetThumbX(point.x());
      return;
    case PressKind::kButton:
      // The second click of a double click on a button is a click of its own.
      buttons().Press(point);
      return;
    case PressKind::kSlot:
      if (!model_.SelectSlot(target.id)) return;
      ShowChanges();
      if (InDoubleClickStrip(point)) OpenViewer();
      return;
    case PressKind::kElsewhere:
      return;
  }
}

void SnapshotDialog::ButtonClicked(int id) {
  // Saving and deleting may show a box whose loop runs the program's other events.
  const QPointer<SnapshotDialog> self(this);
  SnapshotStore& store = services_.store;
  switch (id) {
    case kSnapSave:
      if (store.snapshotCount() > 0) store.SaveSelectedAs(nullptr, false);
      break;
    case kSnapDelete:
      store.DeleteSelected();
      break;
    case kSnapTake:
      if (services_.takeSnapshot && !services_.takeSnapshot()) {
        ShowString(services_.boxes, services_.strings, kMsgSnapshotFailure);
      }
      if (self == nullptr) return;
      model_.ScrollRight();
      break;
    case kSnapLeft:
      model_.ScrollLeft();
      break;
    case kSnapRight:
      model_.ScrollRight();
      break;
    case kSnapClose:
      Close();
      return;
    default:
      return;
  }
  if (self == nullptr) return;
  buttons().RestoreFace(id);
  ShowChanges();
}

void SnapshotDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Left) {
    model_.ScrollLeft();
    ShowChanges();
  } else if (event->key() == Qt::Key_Right) {
    model_.ScrollRight();
    ShowChanges();
  }
  SatelliteWindow::keyPressEvent(event);
}

void SnapshotDialog::moveEvent(QMoveEvent* event) {
  SatelliteWindow::moveEvent(event);
  // Placements the docking made are recorded before the window moves; their echo changes nothing.
  const QRect now(pos(), size());
  if (now == services_.docking.state(Satellite::kSnapshot).rect) return;
  const QPoint to = services_.docking.SatelliteMoving(Satellite::kSnapshot, pos(), size());
  if (to != pos()) move(to);
}

bool SnapshotDialog::event(QEvent* event) {
  if (static_cast<int>(event->type()) == WM_SNAPSHOT_VIEWER_CLOSED) {
    DestroyViewer();
    return true;
  }
  return SatelliteWindow::event(event);
}

void SnapshotDialog::Close() {
  DestroyViewer();
  // Posted: the bar deletes the dialog, which must not happen inside the dialog's own handler.
  if (owner() != nullptr) {
    QCoreApplication::postEvent(owner(),
                                new ClosedEvent(WM_SNAPSHOT_DIALOG_CLOSED, kClosedByButton));
  } else {
    deleteLater();
  }
}

void SnapshotDialog::OpenViewer() {
  if (viewer_ == nullptr) {
    viewer_ = new SnapshotViewer(this, services_.store, services_.boxes, services_.strings,
                                 services_.programFolder);
  }
  viewer_->ShowSnapshot(services_.store.selectedNumber());
}

void SnapshotDialog::DestroyViewer() {
  if (viewer_ == nullptr) return;
  viewer_->hide();
  delete viewer_.data();
}

}  // namespace tavo::preview
