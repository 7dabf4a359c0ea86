#include "cctvface.h"

#include <QFont>
#include <QPainter>

#include "skinbitmap.h"
#include "skinfolder.h"

namespace tavo::cctv {

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

const std::array<TooltipArea, 10>& Tooltips() {
  // QRect(left, top, width, height) from the inclusive (left, top, right, bottom) areas.
  static const std::array<TooltipArea, 10> kTips = {{
      {3027, QRect(QPoint(102, 269), QPoint(132, 300))},
      {3028, QRect(QPoint(150, 269), QPoint(180, 302))},
      {3029, QRect(QPoint(202, 269), QPoint(230, 300))},
      {3030, QRect(QPoint(287, 266), QPoint(298, 276))},
      {3031, QRect(QPoint(242, 410), QPoint(261, 422))},
      {3032, QRect(QPoint(264, 410), QPoint(283, 422))},
      {3033, QRect(QPoint(281, 478), QPoint(312, 508))},
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

}  // namespace tavo::cctv
