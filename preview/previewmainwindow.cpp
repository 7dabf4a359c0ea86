#include "previewmainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "framegrabber.h"
#include "previewwindow.h"
#include "skinlook.h"

namespace tavo::preview {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QRect AvailableScreen(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

PreviewMainWindow::PreviewMainWindow(PreviewServices services)
    : SkinWindow(nullptr, Qt::Dialog),
      strings_(services.strings),
      boxes_(services.boxes),
      programFolder_(services.programFolder),
      timers_(this) {
  controller_ = std::make_unique<PreviewController>(*this, std::move(services));
  setAttribute(Qt::WA_QuitOnClose, true);
}

PreviewMainWindow::~PreviewMainWindow() {
  if (!shutDown_) {
    shutDown_ = true;
    controller_->Shutdown();
  }
}

bool PreviewMainWindow::Start(std::uint32_t mediaRuntimeVersion) {
  setFixedSize(kBarWidth, kBarHeight);
  setWindowTitle(QString::fromLatin1(kWindowTitle));
  setWindowIcon(PreviewIcon());
  // The preview window docks above the bar with its top on the screen's top edge.
  docking_.Start(AvailableScreen(*this), false);
  move(docking_.bar().topLeft());
  skin_ = LoadBarPictures(programFolder_, controller_->uiLanguage());
  if (!skin_.Face(kMainBg).isNull()) SetBackground(skin_.Face(kMainBg));
  BuildButtons();
  const bool goOn = controller_->Start(skin_.complete(), mediaRuntimeVersion);
  Refresh();
  return goOn && !ended_;
}

void PreviewMainWindow::BuildButtons() {
  for (const BarButton& face : BarButtons()) {
    PaintedButton button;
    button.id = face.id;
    button.hitArea = face.hitArea;
    button.facePosition = face.faceArea.topLeft();
    button.repaintArea = face.faceArea;
    button.hoverFace = skin_.Face(face.hoverFace);
    button.pressedFace = skin_.Face(face.pressedFace);
    buttons().Add(std::move(button));
  }
}

void PreviewMainWindow::ShowStateFaces(const StateFaces& faces, bool on) {
  const auto i = static_cast<std::size_t>(on);
  buttons().SetFaces(faces.button, skin_.Face(faces.hover[i]), skin_.Face(faces.pressed[i]));
}

void PreviewMainWindow::Refresh() {
  if (controller_ == nullptr) return;
  ShowStateFaces(kPreviewFaces, controller_->previewBuilt());
  ShowStateFaces(kPinFaces, controller_->notPinned());
  update();
}

void PreviewMainWindow::PaintState(QPainter& painter) {
  auto draw = [&](const StateFaces& faces, bool on) {
    const QImage& face = skin_.Face(faces.rest[static_cast<std::size_t>(on)]);
    if (!face.isNull()) painter.drawImage(faces.at, face);
  };
  draw(kPreviewFaces, controller_->previewBuilt());
  draw(kPinFaces, controller_->notPinned());
}

void PreviewMainWindow::ButtonClicked(int id) {
  controller_->OnButton(id);
  buttons().RestoreFace(id);
}

void PreviewMainWindow::Apply(const std::array<std::optional<Placement>, kSatelliteCount>& moves) {
  for (const std::optional<Placement>& move : moves) {
    if (move && move->which == Satellite::kPreview && preview_ != nullptr)
      preview_->PlaceAt(move->at);
    if (move && move->which == Satellite::kConfig && config_ != nullptr) config_->PlaceAt(move->at);
    if (move && move->which == Satellite::kSnapshot && snapshotDialog_ != nullptr)
      snapshotDialog_->PlaceAt(move->at);
  }
}

void PreviewMainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  Apply(docking_.Redock());
}

void PreviewMainWindow::moveEvent(QMoveEvent* event) {
  SkinWindow::moveEvent(event);
  // Qt reports the move once it is made: the follow-on moves, then the docking of the candidates.
  Apply(docking_.BarMoved(frameGeometry()));
  Apply(docking_.BarPositionChanged());
}

QString PreviewMainWindow::TooltipAt(QPoint point) const {
  for (const TooltipArea& tip : BarTooltips()) {
    if (tip.area.contains(point)) return Q(strings_.Text(tip.string));
  }
  return {};
}

bool PreviewMainWindow::event(QEvent* event) {
  switch (static_cast<int>(event->type())) {
    case WM_FRAME_READY:
      controller_->OnFrameReady();
      return true;
    case WM_CAMERA_BUTTON:
      controller_->OnCameraButton();
      return true;
    case WM_SNAPSHOT_DIALOG_CLOSED:
      controller_->OnSnapshotDialogClosed();
      return true;
    case WM_CONFIG_DIALOG_CLOSED:
      controller_->OnConfigDialogClosed();
      return true;
    default:
      break;
  }
  return SkinWindow::event(event);
}

void PreviewMainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    controller_->OpenHelp();
    return;
  }
  SkinWindow::keyPressEvent(event);
}

void PreviewMainWindow::contextMenuEvent(QContextMenuEvent* event) {
  // A frameless window has no system menu: its About item lives here.
  const std::string text = strings_.Text(kStringAboutItem);
  if (text.empty()) return;
  QMenu menu(this);
  StyleSkinMenu(menu, controller_->uiLanguage(), this);
  menu.addAction(Q(text), this, &PreviewMainWindow::ShowAbout);
  menu.exec(event->globalPos());
}

void PreviewMainWindow::ShowAbout() {
  // A child of the bar, so that it stays above the bar when that is pinned on top.
  ShowSkinAbout(this, QString::fromLatin1(kWindowTitle), QString::fromLatin1(kAboutText),
                PreviewIcon(), controller_->uiLanguage());
}

void PreviewMainWindow::closeEvent(QCloseEvent* event) {
  if (!shutDown_) {
    shutDown_ = true;
    controller_->Shutdown();
  }
  SkinWindow::closeEvent(event);
}

QObject* PreviewMainWindow::VideoOwner() {
  return preview_ != nullptr ? preview_->videoControl() : nullptr;
}

void PreviewMainWindow::SetTimer(int id, int milliseconds) { timers_.Set(id, milliseconds); }

void PreviewMainWindow::KillTimer(int id) { timers_.Kill(id); }

void PreviewMainWindow::EndDialog(int) {
  ended_ = true;
  if (isVisible()) close();
}

void PreviewMainWindow::SetTopmost(bool topmost) {
  topmost_ = topmost;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
  if (visible) show();
}

void PreviewMainWindow::Minimise() { showMinimized(); }

bool PreviewMainWindow::HasPreviewWindow() const { return preview_ != nullptr; }

void PreviewMainWindow::CreatePreviewWindow() {
  if (preview_ != nullptr) return;
  preview_ = new PreviewWindow(this, docking_, programFolder_, boxes_, strings_);
  const QPoint at = PlaceAboveBar(docking_.bar());
  docking_.Opened(Satellite::kPreview, QRect(at, preview_->size()), DockState::kAboveBar);
}

void PreviewMainWindow::DestroyPreviewWindow() {
  if (preview_ == nullptr) return;
  docking_.Closed(Satellite::kPreview);
  preview_->close();
  delete preview_.data();
}

void PreviewMainWindow::PlacePreviewWindow(int resolutionIndex) {
  if (preview_ == nullptr) return;
  preview_->SetResolution(resolutionIndex);
  // The wide window places itself at the screen's corner; the others stand on the bar.
  if (resolutionIndex != kResolutionWide) preview_->PlaceAt(PlaceAboveBar(docking_.bar()));
}

void PreviewMainWindow::ShowVideoControl() {
  if (preview_ == nullptr) return;
  preview_->videoControl()->show();
  if (!preview_->isVisible()) preview_->show();
}

bool PreviewMainWindow::dialogOpen(Satellite which) const {
  if (which == Satellite::kConfig) return config_ != nullptr;
  if (which == Satellite::kSnapshot) return snapshotDialog_ != nullptr;
  return false;
}

bool PreviewMainWindow::CreateDialog(Satellite which) {
  if (which == Satellite::kConfig) {
    if (config_ == nullptr) {
      config_ = new ConfigDialog(this, *controller_, docking_);
      // It opens under the bar; the layout that follows hangs it under a docked snapshot dialog.
      const QRect rect(PlaceUnderBar(docking_.bar()), config_->size());
      docking_.Opened(Satellite::kConfig, rect, DockState::kUnderBar);
      config_->PlaceAt(rect.topLeft());
    }
    return true;
  }
  if (which == Satellite::kSnapshot) {
    if (snapshotDialog_ != nullptr) return true;
    // It opens under the bar; the layout that follows hangs the configuration dialog under it.
    const QRect at(PlaceUnderBar(docking_.bar()), QSize(kBarWidth, kSnapshotDialogHeight));
    docking_.Opened(Satellite::kSnapshot, at, DockState::kUnderBar);
    snapshotDialog_ = new SnapshotDialog(
        this, {controller_->store(), docking_, [this] { return controller_->TakeSnapshot(); },
               boxes_, strings_, programFolder_});
    snapshotDialog_->PlaceAt(at.topLeft());
    return true;
  }
  return false;
}

void PreviewMainWindow::DestroyDialog(Satellite which) {
  if (which == Satellite::kConfig) {
    if (config_ == nullptr) return;
    docking_.Closed(Satellite::kConfig);
    config_->close();
    delete config_.data();
    return;
  }
  if (which == Satellite::kSnapshot) {
    if (snapshotDialog_ == nullptr) return;
    docking_.Closed(Satellite::kSnapshot);
    snapshotDialog_->hide();
    delete snapshotDialog_.data();
  }
}

void PreviewMainWindow::LayOutSatellites() {
  if (preview_ != nullptr && !preview_->isVisible()) preview_->show();
  Apply(docking_.Layout());
}

}  // namespace tavo::preview
