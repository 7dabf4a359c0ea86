#include "configdialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QListView>
#include <QPalette>

#include "skinbitmap.h"
#include "skinfolder.h"
#include "skinslider.h"

namespace tavo::preview {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// White on the lists' dark ground; the drop-down rows as tight as the dialog's other text.
constexpr const char* kListStyle =
    "QComboBox { color: white; background: rgb(42,42,42); border: 1px solid rgb(96,96,96);"
    " padding: 0 2px; }"
    "QComboBox::drop-down { width: 11px; border: none; }"
    "QComboBox QAbstractItemView { color: white; background: rgb(42,42,42);"
    " selection-background-color: rgb(96,96,96); }"
    "QComboBox QAbstractItemView::item { height: 12px; }";

}  // namespace

const std::array<const char*, kConfigSkinFileCount>& ConfigSkinFiles() {
  static const std::array<const char*, kConfigSkinFileCount> kFiles = {
      "/Config_bg.bmp", "/Exit_But_Down.bmp", "/CRT_Down.bmp", "/LCD_Down.bmp"};
  return kFiles;
}

const QImage& ConfigPictures::Face(int i) const {
  static const QImage kNone;
  return i >= 0 && i < loaded ? images[static_cast<std::size_t>(i)] : kNone;
}

ConfigPictures LoadConfigPictures(const std::string& programFolder, const std::string& uiLanguage) {
  ConfigPictures pictures;
  for (const char* file : ConfigSkinFiles()) {
    QImage image;
    if (!LoadSkinBitmap(SkinPath(programFolder, uiLanguage, kConfigSkinFolder, file), image)) {
      break;
    }
    pictures.images[static_cast<std::size_t>(pictures.loaded++)] = std::move(image);
  }
  return pictures;
}

const std::array<ConfigButtonFace, 3>& ConfigButtons() {
  // Both display-type buttons return to normal by repainting the pair; so does the close button
  // by its own square.
  static const QRect kTypeArea(QPoint(68, 27), QPoint(149, 43));
  static const QRect kCloseArea(QPoint(317, 4), QPoint(328, 15));
  static const std::array<ConfigButtonFace, 3> kButtons = {{
      {kConfigCrt, QRect(QPoint(69, 28), QPoint(108, 42)), {68, 27}, kTypeArea, kConfigCrtDown},
      {kConfigLcd, QRect(QPoint(110, 28), QPoint(149, 42)), {109, 27}, kTypeArea, kConfigLcdDown},
      {kConfigClose, QRect(QPoint(318, 5), QPoint(327, 14)), {317, 4}, kCloseArea, kConfigExitDown},
  }};
  return kButtons;
}

QRect ConfigSliderPlace(int row) { return {195, 25 + 25 * row, 96, 20}; }

QRect ConfigLabelPlace(int row, bool korean) {
  return korean ? QRect(292, 29 + 25 * row, 21, 12) : QRect(293, 28 + 25 * row, 21, 12);
}

QFont ConfigControlFont(const std::string& uiLanguage) {
  QFont font;
  if (uiLanguage == "Korean") {
    font = QFont(QStringLiteral("Batang"));
    font.setPixelSize(12);
  } else {
    font = QFont(QStringLiteral("Arial"));
    font.setPixelSize(14);
    font.setStretch(QFont::SemiCondensed);  // narrow letters: the labels are 21 pixels wide
  }
  font.setWeight(QFont::ExtraLight);
  font.setStyleStrategy(QFont::PreferQuality);
  return font;
}

ConfigDialog::ConfigDialog(QWidget* bar, PreviewController& controller, PreviewDocking& docking)
    : SatelliteWindow(bar, Qt::Tool), model_(controller), docking_(docking) {
  setFixedSize(kConfigDialogWidth, kConfigDialogHeight);
  skin_ = LoadConfigPictures(controller.programFolder(), controller.uiLanguage());
  if (const QImage& ground = skin_.Face(kConfigBg); !ground.isNull()) {
    SetBackground(ground);
  } else {
    // Without its picture the dialog still shows its controls on the labels' ground.
    QImage plain(size(), QImage::Format_RGB32);
    plain.fill(kConfigLabelGround);
    SetBackground(plain);
  }
  BuildControls(controller.uiLanguage());
  BuildButtons();
  model_.Initialise();
  Refresh();
}

QComboBox* ConfigDialog::NewList(QRect place, int dropWidth) {
  auto* list = new QComboBox(this);
  // A plain list view takes the style sheet's row height.
  list->setView(new QListView(list));
  list->setGeometry(place);
  list->setFont(font_);
  list->setStyleSheet(QString::fromLatin1(kListStyle));
  list->view()->setMinimumWidth(dropWidth);
  return list;
}

void ConfigDialog::BuildControls(const std::string& uiLanguage) {
  font_ = ConfigControlFont(uiLanguage);
  cameraList_ = NewList(kCameraListPlace, kCameraListDropWidth);
  connect(cameraList_, &QComboBox::activated, this, [this](int item) {
    if (refreshing_) return;
    model_.ChooseCamera(item);
    Refresh();
  });
  resolutionList_ = NewList(kResolutionListPlace, kResolutionListDropWidth);
  for (const char* item : ResolutionItems()) resolutionList_->addItem(QString::fromLatin1(item));
  connect(resolutionList_, &QComboBox::activated, this, [this](int item) {
    if (refreshing_) return;
    model_.ChooseResolution(item);
    Refresh();
  });

  const bool korean = uiLanguage == "Korean";
  for (int row = 0; row < static_cast<int>(kConfigSliderRows.size()); ++row) {
    const ConfigSliderRow& ids = kConfigSliderRows[static_cast<std::size_t>(row)];
    auto* slider = new SkinSlider(Qt::Horizontal, this);
    slider->setGeometry(ConfigSliderPlace(row));
    slider->SetThumbColour(kConfigSliderParts);
    slider->SetSelectionColour(kConfigSliderParts);
    slider->SetChannelColour(kConfigSliderParts);
    slider->setAutoFillBackground(true);
    QPalette ground = slider->palette();
    ground.setColor(QPalette::Window, kConfigSliderGround);
    slider->setPalette(ground);
    const int id = ids.slider;
    connect(slider, &QSlider::valueChanged, this, [this, id](int value) {
      if (refreshing_) return;
      model_.MoveSlider(id, value);
      Refresh();
    });
    sliders_[id] = slider;

    auto* label = new QLabel(this);
    label->setGeometry(ConfigLabelPlace(row, korean));
    label->setFont(font_);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setAutoFillBackground(true);
    QPalette text = label->palette();
    text.setColor(QPalette::Window, kConfigLabelGround);
    text.setColor(QPalette::WindowText, kConfigText);
    label->setPalette(text);
    labels_[ids.label] = label;
  }
}

void ConfigDialog::BuildButtons() {
  for (const ConfigButtonFace& face : ConfigButtons()) {
    PaintedButton button;
    button.id = face.id;
    button.hitArea = face.hitArea;
    button.facePosition = face.faceAt;
    button.repaintArea = face.repaintArea;
    button.pressedFace = skin_.Face(face.pressedFace);
    buttons().Add(std::move(button));
  }
}

SkinSlider* ConfigDialog::slider(int id) const {
  const auto it = sliders_.find(id);
  return it == sliders_.end() ? nullptr : it->second;
}

QLabel* ConfigDialog::label(int id) const {
  const auto it = labels_.find(id);
  return it == labels_.end() ? nullptr : it->second;
}

void ConfigDialog::Refresh() {
  refreshing_ = true;
  const std::vector<std::string>& names = model_.cameraItems();
  bool same = cameraList_->count() == static_cast<int>(names.size());
  for (int i = 0; same && i < cameraList_->count(); ++i) {
    same = cameraList_->itemText(i) == Q(names[static_cast<std::size_t>(i)]);
  }
  if (!same) {
    cameraList_->clear();
    for (const std::string& name : names) cameraList_->addItem(Q(name));
  }
  cameraList_->setCurrentIndex(model_.cameraSelection());
  resolutionList_->setCurrentIndex(model_.resolutionSelection());
  for (auto& [id, slider] : sliders_) {
    const SliderModel& model = model_.slider(id);
    slider->setRange(model.minimum, model.maximum);
    slider->setValue(model.position);
    slider->SetSelection(model.selectionStart, model.selectionEnd);
  }
  for (auto& [id, label] : labels_) label->setText(Q(model_.label(id)));
  refreshing_ = false;
}

void ConfigDialog::ButtonClicked(int id) {
  switch (id) {
    case kConfigCrt:
      model_.Crt();
      Refresh();
      break;
    case kConfigLcd:
      model_.Lcd();
      Refresh();
      break;
    case kConfigClose:
      // Posted: the bar deletes the dialog, which must not happen inside its own handler.
      if (owner() != nullptr) {
        QCoreApplication::postEvent(owner(),
                                    new QEvent(static_cast<QEvent::Type>(WM_CONFIG_DIALOG_CLOSED)));
      }
      break;
    default:
      break;
  }
  buttons().RestoreFace(id);
}

void ConfigDialog::PlaceAt(QPoint at) { Place(at); }

void ConfigDialog::moveEvent(QMoveEvent* event) {
  SatelliteWindow::moveEvent(event);
  // Placements the docking made are recorded before the window moves; their echo changes nothing.
  if (QRect(pos(), size()) == docking_.state(Satellite::kConfig).rect) return;
  const QPoint to = docking_.SatelliteMoving(Satellite::kConfig, pos(), size());
  if (to != pos()) move(to);
}

}  // namespace tavo::preview
