#include "cctvmainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QTimer>
#include <QValidator>
#include <QWindow>

#include "folderpanel.h"
#include "framegrabber.h"
#include "skinlook.h"
#include "skinslider.h"

namespace tavo::cctv {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Refuses an edit that would make a mail text longer than the store reads back, counted in bytes
// of UTF-8 as stored, not in characters.
class StoredTextValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return static_cast<std::size_t>(input.toUtf8().size()) <= kMaxStoredTextBytes ? Acceptable
                                                                                  : Invalid;
  }
};

}  // namespace

CctvMainWindow::CctvMainWindow(CctvServices services)
    : SkinWindow(nullptr, Qt::Dialog),
      strings_(services.strings),
      boxes_(services.boxes),
      shell_(services.shell),
      programFolder_(services.programFolder),
      timers_(this, [this](int id) { controller_->OnTimer(id); }) {
  controller_ = std::make_unique<CctvController>(*this, std::move(services));
  setAttribute(Qt::WA_QuitOnClose, true);
}

CctvMainWindow::~CctvMainWindow() {
  if (!shutDown_) controller_->Shutdown();
}

bool CctvMainWindow::Start(std::uint32_t mediaRuntimeVersion) {
  move(0, 0);
  setFixedSize(kWindowWidth, kHeightNormal);
  setWindowTitle(QString::fromLatin1(kWindowTitle));
  setWindowIcon(CctvIcon());
  BuildControls();
  skin_ = LoadSkinPictures(programFolder_, controller_->uiLanguage());
  if (!skin_.Face(kBgNormal).isNull()) SetBackground(skin_.Face(kBgNormal));
  BuildButtons();
  const bool goOn = controller_->Start(skin_.complete(), mediaRuntimeVersion);
  if (panel_ == nullptr) {
    panel_ = new FolderPanel(
        this, programFolder_, controller_->uiLanguage(), shell_,
        [this](const std::string& name) { controller_->viewer().ShowFolder(name); });
    panel_->SetDeleteFailed([this] { ShowString(boxes_, strings_, kMsgDeleteFailed); });
  }
  Refresh();
  return goOn && !ended_;
}

void CctvMainWindow::BuildControls() {
  font_ = ControlFont(controller_->uiLanguage());
  numberFont_ = NumberFont();

  video_ = new QWidget(this);
  video_->setGeometry(QRect(kVideoAt, QSize(kFrameWidth, kFrameHeight)));
  video_->setAutoFillBackground(true);
  QPalette black = video_->palette();
  black.setColor(QPalette::Window, Qt::black);
  video_->setPalette(black);
  video_->setMouseTracking(true);

  for (int i = 0; i < kBarCount; ++i) {
    QWidget* bar = new QWidget(this);
    bar->setGeometry(BarPlace(i));
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, kBarColour);
    bar->setPalette(palette);
    bar->hide();
    bars_[static_cast<std::size_t>(i)] = bar;
  }

  // The viewer's off-screen pictures and its two fields, shown in the viewer layout only.
  large_ = QImage(kFrameWidth, kFrameHeight, QImage::Format_RGB32);
  large_.fill(Qt::black);
  strip_ = QImage(kThumbPitch * kThumbSlots, kThumbHeight, QImage::Format_RGB32);
  strip_.fill(kStripGround);
  counter_ = NewField(kCounterField);
  speed_ = NewField(kSpeedField);
  counter_->hide();
  speed_->hide();

  cameraList_ = new SkinComboBox(this, kCameraListDropWidth);
  cameraList_->setGeometry(kCameraListPlace);
  cameraList_->setFont(font_);
  connect(cameraList_, &QComboBox::activated, this, [this](int index) {
    if (!refreshing_) controller_->OnCameraSelected(index);
  });
  rateList_ = new SkinComboBox(this, 0);
  rateList_->setGeometry(kRateListPlace);
  rateList_->setFont(font_);
  for (int rate = 1; rate <= kRateCount; ++rate) rateList_->addItem(RateItemText(rate));
  rateList_->setCurrentIndex(kRateFirstChoice);
  connect(rateList_, &QComboBox::activated, this, [this](int index) {
    if (!refreshing_) controller_->OnCaptureRateSelected(index);
  });

  const bool korean = controller_->uiLanguage() == "Korean";
  for (const SliderRow& row : kSliderRows) {
    auto* slider = new SkinSlider(Qt::Horizontal, this);
    slider->setGeometry(SliderPlace(row));
    slider->SetThumbColour(kSliderParts);
    slider->SetSelectionColour(kSliderParts);
    slider->SetChannelColour(kSliderParts);
    slider->setAutoFillBackground(true);
    QPalette palette = slider->palette();
    palette.setColor(QPalette::Window, kSliderBack);
    slider->setPalette(palette);
    const int id = row.slider;
    connect(slider, &QSlider::valueChanged, this, [this, id](int value) {
      if (refreshing_) return;
      controller_->OnSlider(id, value);
      Refresh();
    });
    sliders_[id] = slider;
    values_[row.field] = NewField(ValueFieldPlace(row, korean));
  }

  for (const EditRow& row : kMailEdits) {
    auto* edit = new QLineEdit(this);
    edit->setGeometry(row.place);
    edit->setFont(font_);
    edit->setFrame(false);
    edit->setTextMargins(1, 0, 1, 0);
    // White on the fields' dark ground; prompts and disabled text a light grey that stays
    // readable.
    QPalette palette = edit->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      palette.setColor(group, QPalette::Base, kFieldBack);
      palette.setColor(group, QPalette::Text,
                       group == QPalette::Disabled ? kPromptText : kFieldText);
      palette.setColor(group, QPalette::PlaceholderText, kPromptText);
    }
    edit->setPalette(palette);
    edit->setEnabled(false);
    edit->setValidator(new StoredTextValidator(edit));
    const int id = row.id;
    connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
      controller_->OnMailTextEdited(id, text.toStdString());
    });
    edits_[id] = edit;
  }
}

QLabel* CctvMainWindow::NewField(QRect place) {
  auto* field = new QLabel(this);
  field->setGeometry(place);
  field->setFont(numberFont_);
  field->setAlignment(Qt::AlignCenter);
  field->setAutoFillBackground(true);
  QPalette palette = field->palette();
  palette.setColor(QPalette::Window, kFieldBack);
  palette.setColor(QPalette::WindowText, kFieldText);
  field->setPalette(palette);
  return field;
}

void CctvMainWindow::BuildButtons() {
  for (const FaceButton& face : FaceButtons()) {
    PaintedButton button;
    button.id = face.id;
    button.hitArea = face.hitArea;
    button.releaseArea = face.releaseArea;
    button.facePosition = face.facePosition;
    button.repaintArea = face.repaintArea;
    button.hoverFace = skin_.Face(face.hoverFace);
    button.pressedFace = skin_.Face(face.pressedFace);
    button.active = face.row == ButtonRow::kMain;
    buttons().Add(std::move(button));
  }
}

void CctvMainWindow::ShowStateFaces(const StateFaces& faces, bool on) {
  const auto i = static_cast<std::size_t>(on);
  buttons().SetFaces(faces.button, skin_.Face(faces.hover[i]), skin_.Face(faces.pressed[i]));
}

void CctvMainWindow::Refresh() {
  if (video_ == nullptr) return;
  refreshing_ = true;
  const CctvController& c = *controller_;
  ShowStateFaces(kStartStopFaces, c.surveillanceOn());
  ShowStateFaces(kPinFaces, c.pinOff());
  for (const FaceButton& face : FaceButtons()) {
    if (face.row == ButtonRow::kPanel) buttons().SetActive(face.id, c.configOpen());
    if (face.row == ButtonRow::kViewer) buttons().SetActive(face.id, c.viewerOpen());
  }
  // The layout: the viewer's background and fields, or the live picture and the panel's controls.
  const bool viewer = c.viewerLayout();
  if (viewer != viewerBackground_ || background().isNull()) {
    const QImage& picture = skin_.Face(viewer ? kBgViewer : kBgNormal);
    if (!picture.isNull()) SetBackground(picture);
    viewerBackground_ = viewer;
  }
  video_->setVisible(!viewer);
  cameraList_->setVisible(!viewer);
  rateList_->setVisible(!viewer);
  for (auto& [id, slider] : sliders_) slider->setVisible(!viewer);
  for (auto& [id, field] : values_) field->setVisible(!viewer);
  for (auto& [id, edit] : edits_) edit->setVisible(!viewer);
  counter_->setVisible(viewer);
  speed_->setVisible(viewer);
  ShowViewerState();

  std::vector<QString> names;
  for (const std::string& name : c.cameraList()) names.push_back(Q(name));
  bool same = cameraList_->count() == static_cast<int>(names.size());
  for (int i = 0; same && i < cameraList_->count(); ++i)
    same = cameraList_->itemText(i) == names[i];
  if (!same) {
    cameraList_->clear();
    for (const QString& name : names) cameraList_->addItem(name);
  }
  cameraList_->setCurrentIndex(c.cameraSelection());
  rateList_->setCurrentIndex(c.captureRate() - 1);

  for (auto& [id, slider] : sliders_) {
    const SliderModel& model = c.slider(id);
    slider->setRange(model.minimum, model.maximum);
    slider->setValue(model.position);
    slider->SetSelection(model.selectionStart, model.selectionEnd);
  }
  for (auto& [id, field] : values_) field->setText(Q(c.FieldText(id)));
  for (const EditRow& row : kMailEdits) {
    QLineEdit* edit = edits_.at(row.id);
    QString text = Q(c.FieldText(row.id));
    // A first-run prompt wider than the field shows in a shorter wording; the setting keeps it.
    if (text == Q(strings_.Text(row.prompt))) {
      text = PromptShown(row.prompt, c.uiLanguage(), text);
    }
    if (edit->text() != text) {
      edit->setText(text);
      edit->setCursorPosition(0);  // long prompts show their beginning
    }
    edit->setEnabled(c.mailAlertsOn());
  }
  refreshing_ = false;
  update();
}

void CctvMainWindow::PaintState(QPainter& painter) {
  const CctvController& c = *controller_;
  auto draw = [&](QPoint at, int picture) {
    if (const QImage& face = skin_.Face(picture); !face.isNull()) painter.drawImage(at, face);
  };
  auto drawState = [&](const StateFaces& faces, bool on) {
    draw(faces.at, faces.normal[static_cast<std::size_t>(on)]);
  };
  drawState(kStartStopFaces, c.surveillanceOn());
  drawState(kPinFaces, c.pinOff());
  if (c.MailBoxShown()) drawState(kMailCheckFaces, c.mailAlertsOn());
  if (c.viewerOpen()) drawState(kSlideshowFaces, c.viewer().slideshowOn());
  if (c.viewerLayout()) {
    draw(kTrackAt, kSlideBg);
    draw({c.viewer().thumbX() - kTrackThumbHalf, kTrackAt.y()}, kSliderThumb);
    painter.drawImage(kStripAt, strip_);
    painter.drawImage(kLargeAt, large_);
  }
  if (signShown_) draw(kPictureSignArea.topLeft(), kTakePictureSign);
}

void CctvMainWindow::ShowViewerState() {
  const ImageViewer& viewer = controller_->viewer();
  ShowStateFaces(kSlideshowFaces, viewer.slideshowOn());
  counter_->setText(Q(viewer.CounterText()));
  speed_->setText(Q(viewer.SpeedText()));
  if (panel_ != nullptr) {
    panel_->SetCaptions(Q(viewer.captions().date), Q(viewer.captions().time));
  }
}

void CctvMainWindow::ViewerChanged() {
  if (counter_ == nullptr) return;
  ShowViewerState();
  if (controller_->viewerLayout()) update();
}

bool CctvMainWindow::RenderLarge(const std::uint8_t* frame) {
  const QImage picture = frame != nullptr ? ViewerFrameImage(frame) : ViewerPlaceholder();
  if (picture.isNull() || large_.isNull()) return false;
  QPainter p(&large_);
  p.drawImage(0, 0, picture);
  return true;
}

bool CctvMainWindow::RenderThumb(int slot, const std::uint8_t* frame) {
  const QImage picture = frame != nullptr ? ViewerFrameImage(frame) : ViewerPlaceholder();
  if (picture.isNull() || strip_.isNull() || slot < 0 || slot >= kThumbSlots) return false;
  const QImage thumb =
      picture.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (thumb.isNull()) return false;
  QPainter p(&strip_);
  p.drawImage(kThumbPitch * slot, 0, thumb);
  return true;
}

void CctvMainWindow::RefillFolders() {
  if (panel_ != nullptr) panel_->FillFolderTree();
}

void CctvMainWindow::OpenFolderPanel() {
  if (panel_ == nullptr) return;
  panel_->FillFolderTree();
  panel_->StartSlide();
}

void CctvMainWindow::CloseFolderPanel() {
  if (panel_ == nullptr) {
    // Without a panel nothing would report the close: the layout comes back at once.
    QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(WM_VIEWER_CLOSED)));
    return;
  }
  panel_->StartSlide();
}

void CctvMainWindow::ButtonClicked(int id) {
  controller_->OnButton(id);
  buttons().RestoreFace(id);
}

bool CctvMainWindow::MailCheckHit(QPoint point) const {
  return controller_->configOpen() && controller_->MailBoxShown() && kMailCheckArea.contains(point);
}

bool CctvMainWindow::AreaMove(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (controller_->viewerOpen() && (event->buttons() & Qt::LeftButton) &&
      kTrackArea.contains(point)) {
    controller_->viewer().TrackMove(point.x());
    return true;
  }
  return false;
}

bool CctvMainWindow::AreaPress(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (controller_->viewerOpen()) {
    if (kTrackArea.contains(point)) {
      controller_->viewer().TrackPress(point.x());
      return true;
    }
    if (const int slot = ThumbSlotAt(point); slot >= 0) {
      controller_->viewer().PressThumb(slot);
      return true;
    }
    // The large picture takes its presses, so that a double-click there saves it rather than
    // starting a window drag.
    if (kSaveArea.contains(point)) return true;
  }
  return MailCheckHit(point);
}

void CctvMainWindow::AreaRelease(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (controller_->viewerOpen() && kTrackArea.contains(point)) {
    controller_->viewer().TrackRelease(point.x());
    return;
  }
  if (MailCheckHit(point)) controller_->OnButton(kButtonMailCheck);
}

void CctvMainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && controller_->viewerOpen() &&
      kSaveArea.contains(event->position().toPoint())) {
    controller_->viewer().SaveShownImage();
    return;
  }
  SkinWindow::mouseDoubleClickEvent(event);
}

void CctvMainWindow::moveEvent(QMoveEvent* event) {
  SkinWindow::moveEvent(event);
  ForgetUnperformedMinimise();
  if (panel_ != nullptr) panel_->Follow();
}

QString CctvMainWindow::TooltipAt(QPoint point) const {
  auto there = [this](TipWhen when) {
    return when == TipWhen::kAlways ||
           (when == TipWhen::kViewerOpen && controller_->viewerOpen()) ||
           (when == TipWhen::kConfigOpen && controller_->configOpen());
  };
  if (there(kSaveTip.when) && kSaveTip.area.contains(point)) {
    return Q(strings_.Text(kSaveTip.string));
  }
  for (const TooltipArea& tip : Tooltips()) {
    if (there(tip.when) && tip.area.contains(point)) return Q(strings_.Text(tip.string));
  }
  return {};
}

bool CctvMainWindow::event(QEvent* event) {
  const int type = static_cast<int>(event->type());
  if (type == WM_FRAME_READY) {
    controller_->OnFrameReady();
    return true;
  }
  if (type == WM_CAMERA_LOST) {
    controller_->OnCameraLost();
    return true;
  }
  if (type == WM_VIEWER_CLOSED) {
    controller_->OnViewerClosed();
    return true;
  }
  if (event->type() == QEvent::MouseButtonPress) ForgetUnperformedMinimise();
  return SkinWindow::event(event);
}

void CctvMainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    controller_->OpenHelp();
    return;
  }
  SkinWindow::keyPressEvent(event);
}

void CctvMainWindow::contextMenuEvent(QContextMenuEvent* event) {
  // A frameless window has no system menu: its About item lives here.
  const std::string text = strings_.Text(kStringAboutItem);
  if (text.empty()) return;
  QMenu menu(this);
  StyleSkinMenu(menu, controller_->uiLanguage(), this);
  menu.addAction(Q(text), this, &CctvMainWindow::ShowAbout);
  menu.exec(event->globalPos());
}

void CctvMainWindow::ShowAbout() {
  // A child of the main window, so that it stays above the window when that is pinned on top.
  ShowSkinAbout(this, Q(strings_.Text(kStringAboutTitle)), QString::fromLatin1(kAboutText),
                CctvIcon(), controller_->uiLanguage());
}

bool CctvMainWindow::ShowHelpPage(const std::string& file) {
  return ShowHelpViewer(this, Q(file), Q(strings_.Text(kStringHelpTitle)),
                        controller_->uiLanguage()) != nullptr;
}

void CctvMainWindow::changeEvent(QEvent* event) {
  SkinWindow::changeEvent(event);
  // Restored: the window has not moved, so no move would bring the panel back beside it.
  if (event->type() == QEvent::WindowStateChange && panel_ != nullptr && !isMinimized()) {
    panel_->Follow();
  }
}

void CctvMainWindow::ForgetUnperformedMinimise() {
  // Without a window manager nobody carries out a minimise, yet Qt keeps the window marked
  // minimised, and the panel would never follow it again. A window that is on the screen and
  // moves or is clicked is not minimised.
  if (isMinimized() && isVisible() && windowHandle() != nullptr && windowHandle()->isExposed()) {
    setWindowState(windowState() & ~Qt::WindowMinimized);
  }
}

void CctvMainWindow::closeEvent(QCloseEvent* event) {
  if (!shutDown_) {
    shutDown_ = true;
    controller_->Shutdown();
  }
  SkinWindow::closeEvent(event);
}

QObject* CctvMainWindow::VideoOwner() { return video_; }

void CctvMainWindow::SetTimer(int id, int milliseconds) { timers_.Set(id, milliseconds); }

void CctvMainWindow::KillTimer(int id) { timers_.Kill(id); }

void CctvMainWindow::ShowBars(bool phase) {
  for (std::size_t i = 0; i < bars_.size(); ++i) bars_[i]->setVisible((i % 2 == 0) == phase);
}

void CctvMainWindow::HideBars() {
  for (QWidget* bar : bars_) {
    if (bar != nullptr) bar->hide();
  }
}

void CctvMainWindow::SetClientHeight(int height) {
  const QPoint place = pos();
  setFixedSize(kWindowWidth, height);
  move(place);
}

void CctvMainWindow::SetTopmost(bool topmost) {
  topmost_ = topmost;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
  if (visible) show();
}

void CctvMainWindow::Minimise() { showMinimized(); }

void CctvMainWindow::EndDialog(int) {
  ended_ = true;
  if (isVisible()) close();
}

void CctvMainWindow::ShowPictureSign() {
  signShown_ = true;
  if (isVisible()) repaint(kPictureSignArea);
  QTimer::singleShot(kPictureSignMs, this, [this] {
    signShown_ = false;
    update(kPictureSignArea);
  });
}

}  // namespace tavo::cctv
