#include "cctvface.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "cctvcontroller.h"
#include "imageviewer.h"
#include "skinbitmap.h"
#include "skinfolder.h"
#include "skinlook.h"

namespace tavo::cctv {

namespace {

QRect Area(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

const std::array<SkinFile, kSkinFileCount>& SkinFiles() {
  static const std::array<SkinFile, kSkinFileCount> kFiles = {{
      {"/Bg", "/TavoCCTV_bg.bmp"},
      {"/Bg", "/ViewMain_bg.bmp"},
      {"/MainButton", "/JpgView_but_Down.bmp"},
      {"/MainButton", "/JpgView_but_Foc.bmp"},
      {"/MainButton", "/CctvStart_but_Up.bmp"},
      {"/MainButton", "/CctvStart_but_Down.bmp"},
      {"/MainButton", "/CctvStart_but_Foc.bmp"},
      {"/MainButton", "/TakePicture_Sign.bmp"},
      {"/MainButton", "/Exit_But_Down.bmp"},
      {"/MainButton", "/Minimize_but_Down.bmp"},
      {"/MainButton", "/Help_but_Down.bmp"},
      {"/MainButton", "/CctvStop_but_Up.bmp"},
      {"/MainButton", "/CctvStop_but_Down.bmp"},
      {"/MainButton", "/CctvStop_but_Foc.bmp"},
      {"/MainButton", "/Config_but_Down.bmp"},
      {"/MainButton", "/Config_but_Foc.bmp"},
      {"/ConfigImage", "/CRT_Down.bmp"},
      {"/ConfigImage", "/LCD_Down.bmp"},
      {"/ConfigImage", "/Adjust_Down.bmp"},
      {"/ConfigImage", "/Adjust_Foc.bmp"},
      {"/MainButton", "/pin_off_Up.bmp"},
      {"/MainButton", "/pin_off_Down.bmp"},
      {"/MainButton", "/pin_on_Up.bmp"},
      {"/MainButton", "/pin_on_Down.bmp"},
      {"/ConfigImage", "/Check_On.bmp"},
      {"/ConfigImage", "/Check_Off.bmp"},
      {"/JgpViewer", "/SliderThumb.bmp"},
      {"/JgpViewer", "/slide_bg.bmp"},
      {"/JgpViewer", "/Slide_but_Foc.bmp"},
      {"/JgpViewer", "/Slide_but_Down.bmp"},
      {"/JgpViewer", "/Slide_but_Nor.bmp"},
      {"/JgpViewer", "/Slide_but_Stop_Foc.bmp"},
      {"/JgpViewer", "/Slide_but_Stop_down.bmp"},
      {"/JgpViewer", "/Slide_but_Stop_Nor.bmp"},
      {"/JgpViewer", "/Speed_But_Row_Down.bmp"},
      {"/JgpViewer", "/Speed_But_Row_Foc.bmp"},
      {"/JgpViewer", "/Speed_But_Hi_Down.bmp"},
      {"/JgpViewer", "/Speed_But_Hi_Foc.bmp"},
      {"/JgpViewer", "/Left_but_Down.bmp"},
      {"/JgpViewer", "/Left_but_Foc.bmp"},
      {"/JgpViewer", "/Right_but_Down.bmp"},
      {"/JgpViewer", "/Right_but_Foc.bmp"},
  }};
  return kFiles;
}

SkinPictures LoadSkinPictures(const std::string& programFolder, const std::string& uiLanguage) {
  SkinPictures pictures;
  for (const SkinFile& file : SkinFiles()) {
    QImage image;
    if (!LoadSkinBitmap(SkinPath(programFolder, uiLanguage, file.folder, file.file), image)) break;
    pictures.images[static_cast<std::size_t>(pictures.loaded++)] = std::move(image);
  }
  return pictures;
}

const QImage& SkinPictures::Face(int i) const {
  static const QImage kNone;
  return i >= 0 && i < loaded ? (*this)[i] : kNone;
}

const std::array<FaceButton, 15>& FaceButtons() {
  using enum ButtonRow;
  static const std::array<FaceButton, 15> kButtons = {{
      {kButtonPrevious,
       kViewer,
       Area(7, 395, 19, 407),
       Area(7, 395, 19, 407),
       {6, 394},
       Area(6, 394, 20, 408),
       kLeftFoc,
       kLeftDown},
      {kButtonNext,
       kViewer,
       Area(313, 395, 325, 407),
       Area(313, 395, 325, 407),
       {312, 394},
       Area(312, 394, 326, 408),
       kRightFoc,
       kRightDown},
      {kButtonSlideshow,
       kViewer,
       Area(50, 411, 107, 421),
       Area(48, 409, 109, 423),  // wider than the hover area
       {49, 410},
       Area(49, 410, 108, 422),
       kSlideFoc,
       kSlideDown},
      {kButtonFaster,
       kViewer,
       Area(243, 411, 260, 421),
       Area(243, 411, 260, 421),
       {242, 410},
       Area(242, 410, 261, 422),
       kSpeedHiFoc,
       kSpeedHiDown},
      {kButtonSlower,
       kViewer,
       Area(265, 411, 282, 421),
       Area(265, 411, 282, 421),
       {264, 410},
       Area(264, 410, 283, 422),
       kSpeedRowFoc,
       kSpeedRowDown},
      // The two display-type buttons repaint together.
      {kButtonCrt,
       kPanel,
       Area(70, 334, 103, 349),
       Area(70, 334, 103, 349),
       {69, 333},
       Area(69, 333, 143, 350),
       kNoFace,
       kCrtDown},
      {kButtonLcd,
       kPanel,
       Area(105, 334, 138, 349),
       Area(105, 334, 138, 349),
       {104, 333},
       Area(69, 333, 143, 350),
       kNoFace,
       kLcdDown},
      {kButtonApply,
       kPanel,
       Area(282, 479, 311, 507),
       Area(282, 479, 311, 507),
       {281, 478},
       Area(281, 478, 312, 508),
       kAdjustFoc,
       kAdjustDown},
      {kButtonViewer,
       kMain,
       Area(102, 269, 132, 300),
       Area(102, 269, 132, 300),
       {103, 269},
       Area(102, 269, 132, 300),
       kViewerFoc,
       kViewerDown},
      {kButtonStartStop,
       kMain,
       Area(150, 269, 180, 302),
       Area(150, 269, 180, 302),
       {148, 269},
       Area(148, 269, 184, 305),
       kStartFoc,
       kStartDown},
      {kButtonSetup,
       kMain,
       Area(202, 269, 230, 300),
       Area(202, 269, 230, 300),
       {199, 269},
       Area(199, 269, 230, 300),
       kConfigFoc,
       kConfigDown},
      {kButtonPin,
       kMain,
       Area(287, 266, 298, 277),
       Area(287, 266, 298, 277),
       {287, 266},
       Area(287, 266, 298, 277),
       kNoFace,
       kPinOffDown},
      {kButtonMinimise,
       kMain,
       Area(302, 266, 313, 277),
       Area(302, 266, 313, 277),
       {302, 266},
       Area(302, 266, 313, 277),
       kNoFace,
       kMinimiseDown},
      {kButtonExit,
       kMain,
       Area(317, 266, 327, 277),
       Area(317, 266, 327, 277),
       {317, 266},
       Area(317, 266, 328, 277),
       kNoFace,
       kExitDown},
      {kButtonHelp,
       kMain,
       Area(272, 266, 282, 276),
       Area(272, 266, 282, 277),  // one row lower than the hover area
       {272, 266},
       Area(272, 266, 282, 277),
       kNoFace,
       kHelpDown},
  }};
  return kButtons;
}

const StateFaces kStartStopFaces{kButtonStartStop,
                                 {148, 269},
                                 {kStartUp, kStopUp},
                                 {kStartFoc, kStopFoc},
                                 {kStartDown, kStopDown}};
const StateFaces kPinFaces{
    kButtonPin, {287, 266}, {kPinOnUp, kPinOffUp}, {kNoFace, kNoFace}, {kPinOnDown, kPinOffDown}};
const StateFaces kMailCheckFaces{
    0, {70, 409}, {kCheckOff, kCheckOn}, {kNoFace, kNoFace}, {kNoFace, kNoFace}};
const StateFaces kSlideshowFaces{kButtonSlideshow,
                                 {49, 410},
                                 {kSlideNor, kSlideStopNor},
                                 {kSlideFoc, kSlideStopFoc},
                                 {kSlideDown, kSlideStopDown}};

QFont ControlFont(const std::string& uiLanguage) { return SkinFont(uiLanguage, 11); }

QFont NumberFont() {
  QFont font(QStringLiteral("Liberation Sans Narrow"));
  font.setPixelSize(10);
  font.setStyleStrategy(QFont::PreferQuality);
  return font;
}

QString PromptShown(int string, const std::string& uiLanguage, const QString& prompt) {
  // The Japanese prompts are sentences three times the field's width.
  if (uiLanguage == "Japanese") {
    switch (string) {
      case kMsgFirstSender:
        return QString::fromUtf8("送信者のメールアドレス");
      case kMsgFirstRecipient:
        return QString::fromUtf8("宛先のメールアドレス");
      case kMsgFirstServer:
        return QString::fromUtf8("送信SMTPサーバー名");
      default:
        break;
    }
  }
  return prompt;
}

QString RateItemText(int rate) { return QStringLiteral("     %1").arg(rate); }

QRect BarPlace(int index) { return QRect(33 + 10 * index, 268, 6, 3); }

const std::array<SliderRow, 4> kSliderRows = {{
    {kSliderBrightness, kFieldBrightness, 333},
    {kSliderSaturation, kFieldSaturation, 358},
    {kSliderContrast, kFieldContrast, 383},
    {kSliderSensitivity, kFieldSensitivity, 408},
}};

QRect SliderPlace(const SliderRow& row) { return QRect(195, row.y, 96, 20); }

QRect ValueFieldPlace(const SliderRow& row, bool korean) {
  return QRect(korean ? 294 : 295, row.y + 2 + (korean ? 1 : 0), 20, 12);
}

const std::array<EditRow, 3> kMailEdits = {{
    {kEditSender, QRect(93, 439, 174, 15), kMsgFirstSender},
    {kEditRecipient, QRect(93, 465, 174, 15), kMsgFirstRecipient},
    {kEditSmtpServer, QRect(92, 490, 176, 15), kMsgFirstServer},
}};

int ThumbSlotAt(QPoint point) {
  if (point.y() < 330 || point.y() > 388) return -1;
  for (int k = 0; k < kThumbSlots; ++k) {
    if (point.x() >= 7 + kThumbPitch * k && point.x() <= 85 + kThumbPitch * k) return k;
  }
  return -1;
}

const TooltipArea kSaveTip{kTipSaveByDoubleClick, QRect(QPoint(6, 20), QPoint(326, 260)),
                           TipWhen::kViewerOpen};

const std::array<TooltipArea, 10>& Tooltips() {
  // QRect(left, top, width, height) from the inclusive (left, top, right, bottom) areas.
  static const std::array<TooltipArea, 10> kTips = {{
      {3027, QRect(QPoint(102, 269), QPoint(132, 300))},
      {3028, QRect(QPoint(150, 269), QPoint(180, 302))},
      {3029, QRect(QPoint(202, 269), QPoint(230, 300))},
      {3030, QRect(QPoint(287, 266), QPoint(298, 276))},
      {3031, QRect(QPoint(242, 410), QPoint(261, 422)), TipWhen::kViewerOpen},
      {3032, QRect(QPoint(264, 410), QPoint(283, 422)), TipWhen::kViewerOpen},
      {3033, QRect(QPoint(281, 478), QPoint(312, 508)), TipWhen::kConfigOpen},
      {3034, QRect(QPoint(272, 266), QPoint(282, 276))},
      {3035, QRect(QPoint(302, 266), QPoint(312, 276))},
      {3036, QRect(QPoint(317, 266), QPoint(327, 276))},
  }};
  return kTips;
}

const QImage& ViewerPlaceholder() {
  static const QImage kPicture = [] {
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(QColor(150, 150, 150));
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(46);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(118, 118, 118));
    p.translate(160, 120);
    p.rotate(-36.87);  // the diagonal of 320 x 240
    p.drawText(QRectF(-200, -40, 400, 80), Qt::AlignCenter, QStringLiteral("TavoCCTV"));
    p.end();
    return picture;
  }();
  return kPicture;
}

QImage ViewerFrameImage(const std::uint8_t* frame) {
  constexpr int kWidth = 320;
  constexpr int kHeight = 240;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  if (image.isNull() || frame == nullptr) return {};
  for (int y = 0; y < kHeight; ++y) {
    const std::uint8_t* row = frame + static_cast<std::size_t>(kHeight - 1 - y) * kWidth * 3;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
  return image;
}

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

}  // namespace tavo::cctv
