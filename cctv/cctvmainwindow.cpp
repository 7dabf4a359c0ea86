#include "cctvmainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolTip>

#include "folderpanel.h"
#include "framegrabber.h"
#include "skinslider.h"

namespace tavo::cctv {

namespace {

const QColor kFieldText(255, 255, 255);
const QColor kFieldBack(42, 41, 41);
const QColor kSliderBack(82, 82, 82);
const QColor kBarColour(173, 1, 226);
const QColor kSliderParts(148, 150, 148);

constexpr QPoint kPictureSignAt(11, 263);
const QRect kMailCheck(QPoint(70, 409), QPoint(85, 424));
// The viewer's areas, inclusive.
const QRect kTrackArea(QPoint(22, 385), QPoint(310, 407));
const QRect kSaveArea(QPoint(7, 21), QPoint(325, 259));
constexpr QPoint kLargeAt(6, 20);
constexpr QPoint kStripAt(6, 329);
constexpr QPoint kTrackAt(20, 395);
constexpr QPoint kSlideshowAt(49, 410);
const QColor kStripGround(14, 14, 14);

// The thumbnail slot a point lies in (x 7-85, 87-165, 167-245, 247-325; y 330-388), or -1.
int ThumbSlotAt(QPoint p) {
  if (p.y() < 330 || p.y() > 388) return -1;
  for (int k = 0; k < kThumbSlots; ++k) {
    if (p.x() >= 7 + kThumbPitch * k && p.x() <= 85 + kThumbPitch * k) return k;
  }
  return -1;
}

QRect Area(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QIcon CctvIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(58, 58, 62));
    p.drawRoundedRect(QRectF(0.06 * s, 0.22 * s, 0.7 * s, 0.56 * s), 0.1 * s, 0.1 * s);
    QPainterPath lens;
    lens.moveTo(0.76 * s, 0.42 * s);
    lens.lineTo(0.96 * s, 0.28 * s);
    lens.lineTo(0.96 * s, 0.72 * s);
    lens.lineTo(0.76 * s, 0.58 * s);
    lens.closeSubpath();
    p.drawPath(lens);
    p.setBrush(kBarColour);
    p.drawEllipse(QPointF(0.41 * s, 0.5 * s), 0.17 * s, 0.17 * s);
    p.setBrush(QColor(230, 40, 40));
    p.drawEllipse(QPointF(0.18 * s, 0.32 * s), 0.05 * s, 0.05 * s);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

CctvMainWindow::CctvMainWindow(CctvServices services)
    : SkinWindow(nullptr, Qt::Dialog),
      strings_(services.strings),
      boxes_(services.boxes),
      shell_(services.shell),
      programFolder_(services.programFolder) {
  controller_ = std::make_unique<CctvController>(*this, std::move(services));
  setAttribute(Qt::WA_QuitOnClose, true);
}

CctvMainWindow::~CctvMainWindow() {
  if (!shutDown_) controller_->Shutdown();
}

bool CctvMainWindow::Start(std::uint32_t mediaRuntimeVersion) {
  move(0, 0);
  setFixedSize(kWindowWidth, kHeightNormal);
  setWindowTitle(QStringLiteral("TAVO CCTV 2.0"));
  setWindowIcon(CctvIcon());
  BuildControls();
  skin_ = LoadSkinPictures(programFolder_, controller_->uiLanguage());
  if (skin_.loaded > kBgNormal) SetBackground(skin_[kBgNormal]);
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
  if (controller_->uiLanguage() == "Korean") {
    font_ = QFont(QStringLiteral("Batang"));
    font_.setPixelSize(12);
  } else {
    font_ = QFont(QStringLiteral("Arial"));
    font_.setPixelSize(14);
    font_.setStretch(QFont::SemiCondensed);  // narrow letters, as the fields are small
  }
  font_.setWeight(QFont::ExtraLight);
  font_.setStyleStrategy(QFont::PreferQuality);

  video_ = new QWidget(this);
  video_->setGeometry(6, 20, kFrameWidth, kFrameHeight);
  video_->setAutoFillBackground(true);
  QPalette black = video_->palette();
  black.setColor(QPalette::Window, Qt::black);
  video_->setPalette(black);
  video_->setMouseTracking(true);

  for (int i = 0; i < 5; ++i) {
    QWidget* bar = new QWidget(this);
    bar->setGeometry(33 + 10 * i, 268, 6, 3);
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
  const QRect fieldPlaces[2] = {QRect(112, 410, 77, 13), QRect(287, 410, 39, 13)};
  counter_ = NewField(fieldPlaces[0].adjusted(1, 0, -1, 0));
  speed_ = NewField(fieldPlaces[1].adjusted(1, 0, -1, 0));
  counter_->hide();
  speed_->hide();

  const QString listStyle = QStringLiteral(
      "QComboBox { color: white; background: rgb(42,41,41); border: 1px solid rgb(96,96,96);"
      " padding: 0 2px; }"
      "QComboBox::drop-down { width: 11px; border: none; }"
      "QComboBox QAbstractItemView { color: white; background: rgb(42,41,41);"
      " selection-background-color: rgb(110,60,140); }");
  cameraList_ = new QComboBox(this);
  cameraList_->setGeometry(69, 355, 71, 18);
  cameraList_->setFont(font_);
  cameraList_->setStyleSheet(listStyle);
  cameraList_->view()->setMinimumWidth(250);
  connect(cameraList_, &QComboBox::activated, this, [this](int index) {
    if (!refreshing_) controller_->OnCameraSelected(index);
  });
  rateList_ = new QComboBox(this);
  rateList_->setGeometry(69, 381, 71, 18);
  rateList_->setFont(font_);
  rateList_->setStyleSheet(listStyle);
  for (int rate = 1; rate <= 9; ++rate) rateList_->addItem(QStringLiteral("     %1").arg(rate));
  rateList_->setCurrentIndex(4);
  connect(rateList_, &QComboBox::activated, this, [this](int index) {
    if (!refreshing_) controller_->OnCaptureRateSelected(index);
  });

  const bool korean = controller_->uiLanguage() == "Korean";
  const int rows[4][3] = {{kSliderBrightness, kFieldBrightness, 333},
                          {kSliderSaturation, kFieldSaturation, 358},
                          {kSliderContrast, kFieldContrast, 383},
                          {kSliderSensitivity, kFieldSensitivity, 408}};
  for (const auto& row : rows) {
    auto* slider = new SkinSlider(Qt::Horizontal, this);
    slider->setGeometry(195, row[2], 96, 20);
    slider->SetThumbColour(kSliderParts);
    slider->SetSelectionColour(kSliderParts);
    slider->SetChannelColour(kSliderParts);
    slider->setAutoFillBackground(true);
    QPalette palette = slider->palette();
    palette.setColor(QPalette::Window, kSliderBack);
    slider->setPalette(palette);
    const int id = row[0];
    connect(slider, &QSlider::valueChanged, this, [this, id](int value) {
      if (refreshing_) return;
      controller_->OnSlider(id, value);
      Refresh();
    });
    sliders_[id] = slider;

    values_[row[1]] = NewField(QRect(korean ? 294 : 295, row[2] + 2 + (korean ? 1 : 0), 20, 12));
  }

  const int edits[3][4] = {
      {kEditSender, 93, 439, 174}, {kEditRecipient, 93, 465, 174}, {kEditSmtpServer, 92, 490, 176}};
  for (const auto& e : edits) {
    auto* edit = new QLineEdit(this);
    edit->setGeometry(e[1], e[2], e[3], 15);
    edit->setFont(font_);
    edit->setFrame(false);
    edit->setTextMargins(1, 0, 1, 0);
    edit->setEnabled(false);
    const int id = e[0];
    connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
      controller_->OnMailTextEdited(id, text.toStdString());
    });
    edits_[id] = edit;
  }
}

QLabel* CctvMainWindow::NewField(QRect place) {
  auto* field = new QLabel(this);
  field->setGeometry(place);
  field->setFont(font_);
  field->setAlignment(Qt::AlignCenter);
  field->setAutoFillBackground(true);
  QPalette palette = field->palette();
  palette.setColor(QPalette::Window, kFieldBack);
  palette.setColor(QPalette::WindowText, kFieldText);
  field->setPalette(palette);
  return field;
}

void CctvMainWindow::BuildButtons() {
  auto face = [this](int picture) { return picture < skin_.loaded ? skin_[picture] : QImage(); };
  struct Def {
    int id;
    QRect hit;
    QPoint at;
    QRect repaint;
    int hover;
    int pressed;
    bool active;
  };
  const Def defs[] = {
      {kButtonPrevious,
       Area(7, 395, 19, 407),
       {6, 394},
       Area(6, 394, 20, 408),
       kLeftFoc,
       kLeftDown,
       false},
      {kButtonNext,
       Area(313, 395, 325, 407),
       {312, 394},
       Area(312, 394, 326, 408),
       kRightFoc,
       kRightDown,
       false},
      {kButtonSlideshow,
       Area(50, 411, 107, 421),
       {49, 410},
       Area(49, 410, 108, 422),
       kSlideFoc,
       kSlideDown,
       false},
      {kButtonFaster,
       Area(243, 411, 260, 421),
       {242, 410},
       Area(242, 410, 261, 422),
       kSpeedHiFoc,
       kSpeedHiDown,
       false},
      {kButtonSlower,
       Area(265, 411, 282, 421),
       {264, 410},
       Area(264, 410, 283, 422),
       kSpeedRowFoc,
       kSpeedRowDown,
       false},
      {kButtonCrt,
       Area(70, 334, 103, 349),
       {69, 333},
       Area(69, 333, 143, 350),
       -1,
       kCrtDown,
       false},
      {kButtonLcd,
       Area(105, 334, 138, 349),
       {104, 333},
       Area(69, 333, 143, 350),
       -1,
       kLcdDown,
       false},
      {kButtonApply,
       Area(282, 479, 311, 507),
       {281, 478},
       Area(281, 478, 312, 508),
       kAdjustFoc,
       kAdjustDown,
       false},
      {kButtonViewer,
       Area(102, 269, 132, 300),
       {103, 269},
       Area(102, 269, 132, 300),
       kViewerFoc,
       kViewerDown,
       true},
      {kButtonStartStop,
       Area(150, 269, 180, 302),
       {148, 269},
       Area(148, 269, 184, 305),
       kStartFoc,
       kStartDown,
       true},
      {kButtonSetup,
       Area(202, 269, 230, 300),
       {199, 269},
       Area(199, 269, 230, 300),
       kConfigFoc,
       kConfigDown,
       true},
      {kButtonPin,
       Area(287, 266, 298, 277),
       {287, 266},
       Area(287, 266, 298, 277),
       -1,
       kPinOffDown,
       true},
      {kButtonMinimise,
       Area(302, 266, 313, 277),
       {302, 266},
       Area(302, 266, 313, 277),
       -1,
       kMinimiseDown,
       true},
      {kButtonExit,
       Area(317, 266, 327, 277),
       {317, 266},
       Area(317, 266, 328, 277),
       -1,
       kExitDown,
       true},
      {kButtonHelp,
       Area(272, 266, 282, 276),
       {272, 266},
       Area(272, 266, 282, 277),
       -1,
       kHelpDown,
       true},
  };
  for (const Def& d : defs) {
    PaintedButton button;
    button.id = d.id;
    button.hitArea = d.hit;
    button.facePosition = d.at;
    button.repaintArea = d.repaint;
    button.hoverFace = d.hover >= 0 ? face(d.hover) : QImage();
    button.pressedFace = face(d.pressed);
    button.active = d.active;
    buttons().Add(std::move(button));
  }
}

void CctvMainWindow::Refresh() {
  if (video_ == nullptr) return;
  refreshing_ = true;
  const CctvController& c = *controller_;
  auto face = [this](int picture) { return picture < skin_.loaded ? skin_[picture] : QImage(); };
  const bool on = c.surveillanceOn();
  buttons().SetFaces(kButtonStartStop, face(on ? kStopFoc : kStartFoc),
                     face(on ? kStopDown : kStartDown));
  buttons().SetFaces(kButtonPin, QImage(), face(c.pinOff() ? kPinOffDown : kPinOnDown));
  for (int id : {kButtonCrt, kButtonLcd, kButtonApply}) buttons().SetActive(id, c.configOpen());
  for (int id : {kButtonPrevious, kButtonNext, kButtonSlideshow, kButtonFaster, kButtonSlower}) {
    buttons().SetActive(id, c.viewerOpen());
  }
  // The layout: the viewer's background and fields, or the live picture and the panel's controls.
  const bool viewer = c.viewerLayout();
  if (viewer != viewerBackground_ || background().isNull()) {
    const int picture = viewer ? kBgViewer : kBgNormal;
    if (picture < skin_.loaded) SetBackground(skin_[picture]);
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
  for (auto& [id, edit] : edits_) {
    const QString text = Q(c.FieldText(id));
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
    if (picture < skin_.loaded) painter.drawImage(at, skin_[picture]);
  };
  draw({148, 269}, c.surveillanceOn() ? kStopUp : kStartUp);
  draw({287, 266}, c.pinOff() ? kPinOffUp : kPinOnUp);
  if (c.MailBoxShown()) draw({70, 409}, c.mailAlertsOn() ? kCheckOn : kCheckOff);
  if (c.viewerOpen()) draw(kSlideshowAt, c.viewer().slideshowOn() ? kSlideStopNor : kSlideNor);
  if (c.viewerLayout()) {
    draw(kTrackAt, kSlideBg);
    draw({c.viewer().thumbX() - 25, kTrackAt.y()}, kSliderThumb);
    painter.drawImage(kStripAt, strip_);
    painter.drawImage(kLargeAt, large_);
  }
  if (signShown_) draw(kPictureSignAt, kTakePictureSign);
}

void CctvMainWindow::ShowViewerState() {
  const ImageViewer& viewer = controller_->viewer();
  auto face = [this](int picture) { return picture < skin_.loaded ? skin_[picture] : QImage(); };
  const bool playing = viewer.slideshowOn();
  buttons().SetFaces(kButtonSlideshow, face(playing ? kSlideStopFoc : kSlideFoc),
                     face(playing ? kSlideStopDown : kSlideDown));
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
  return controller_->configOpen() && controller_->MailBoxShown() && kMailCheck.contains(point);
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
  if (panel_ != nullptr) panel_->Follow();
}

QString CctvMainWindow::TooltipAt(QPoint point) const {
  if (controller_->viewerOpen() && kSaveTip.area.contains(point)) {
    return Q(strings_.Text(kSaveTip.string));
  }
  for (const TooltipArea& tip : Tooltips()) {
    if (!tip.area.contains(point)) continue;
    if ((tip.string == 3031 || tip.string == 3032) && !controller_->viewerOpen()) continue;
    if (tip.string == 3033 && !controller_->configOpen()) continue;
    return Q(strings_.Text(tip.string));
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
  const std::string text = strings_.Text(101);
  if (text.empty()) return;
  QMenu menu(this);
  menu.addAction(Q(text), this, &CctvMainWindow::ShowAbout);
  menu.exec(event->globalPos());
}

void CctvMainWindow::ShowAbout() {
  // Not a child of the main window: the window swallows Escape for its children, and the About
  // box closes with Escape.
  QDialog about(nullptr);
  about.setWindowModality(Qt::ApplicationModal);
  about.setWindowTitle(Q(strings_.Text(3092)));
  about.setWindowIcon(CctvIcon());
  auto* layout = new QHBoxLayout(&about);
  auto* icon = new QLabel(&about);
  icon->setPixmap(CctvIcon().pixmap(32, 32));
  layout->addWidget(icon);
  layout->addSpacing(12);
  layout->addWidget(new QLabel(QStringLiteral("TavoCCTV  1.1"), &about));
  about.adjustSize();
  about.move(geometry().center() - about.rect().center());
  about.exec();
}

void CctvMainWindow::closeEvent(QCloseEvent* event) {
  if (!shutDown_) {
    shutDown_ = true;
    controller_->Shutdown();
  }
  SkinWindow::closeEvent(event);
}

QObject* CctvMainWindow::VideoOwner() { return video_; }

void CctvMainWindow::SetTimer(int id, int milliseconds) {
  QTimer*& timer = timers_[id];
  if (timer == nullptr) {
    timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this, id] { controller_->OnTimer(id); });
  }
  timer->start(milliseconds);
}

void CctvMainWindow::KillTimer(int id) {
  auto it = timers_.find(id);
  if (it != timers_.end() && it->second != nullptr) it->second->stop();
}

bool CctvMainWindow::timerActive(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second != nullptr && it->second->isActive();
}

int CctvMainWindow::timerInterval(int id) const {
  auto it = timers_.find(id);
  return it == timers_.end() || it->second == nullptr ? 0 : it->second->interval();
}

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
  const QRect area(kPictureSignAt, QSize(16, 11));
  signShown_ = true;
  if (isVisible()) repaint(area);
  QTimer::singleShot(20, this, [this, area] {
    signShown_ = false;
    update(area);
  });
}

}  // namespace tavo::cctv
