// The static faces of the windows: frames, title bars, wells, panels and labels in each language.
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "skinpaint.h"

namespace skingen {
namespace {

const Tr kCctvSubtitle{"동작 감지 감시 카메라", "Motion-sensing surveillance", "動体検知モニター"};
const Tr kMotion{"동작 감지", "Motion", "動体検知"};
const Tr kViewer{"사진보기", "Viewer", "ビューア"};
const Tr kStartStop{"시작/정지", "Start/Stop", "開始/停止"};
const Tr kSetup{"환경설정", "Setup", "環境設定"};
const Tr kDisplay{"화면", "Display", "画面"};
const Tr kCamera{"카메라", "Camera", "カメラ"};
const Tr kRate{"촬영 속도", "Rate", "撮影速度"};
const Tr kMailAlert{"메일 알림", "E-mail", "メール通知"};
const Tr kBright{"밝기", "Bright", "明るさ"};
const Tr kSaturation{"채도", "Saturation", "彩度"};
const Tr kContrast{"대비", "Contrast", "コントラスト"};
const Tr kSensitivity{"감도", "Sensitivity", "感度"};
// Short wordings for a column too narrow for the full ones (half-width kana is how Japanese
// shortens a katakana word).
const Tr kSaturationShort{"채도", "Satur.", "彩度"};
const Tr kContrastShort{"대비", "Contr.", "ｺﾝﾄﾗｽﾄ"};
const Tr kSensitivityShort{"감도", "Sensit.", "感度"};
const Tr kFrom{"보내는 사람", "From", "送信者"};
const Tr kTo{"받는 사람", "To", "宛先"};
const Tr kServer{"메일 서버", "SMTP server", "SMTPサーバー"};
const Tr kApply{"적용", "Apply", "適用"};
const Tr kSlide{"슬라이드", "Slide", "スライド"};
const Tr kSpeed{"속도", "Speed", "速度"};
const Tr kFolders{"촬영 폴더", "Recorded runs", "撮影フォルダ"};
const Tr kDeleteFolder{"폴더 삭제", "Delete folder", "フォルダ削除"};
const Tr kDeleteHint1{"선택한 폴더와", "Removes the chosen", "選択したフォルダと"};
const Tr kDeleteHint2{"사진을 모두 지웁니다", "run and its images", "画像をすべて削除"};
const Tr kImageInfo{"사진 정보", "Image taken", "撮影情報"};
const Tr kDate{"날짜", "Date", "日付"};
const Tr kTime{"시간", "Time", "時刻"};
const Tr kSnapshot{"스냅샷", "Snapshot", "スナップ"};
const Tr kPreview{"미리보기", "Preview", "プレビュー"};
const Tr kSettings{"환경 설정", "Settings", "環境設定"};
const Tr kLivePreview{"실시간 미리보기", "Live preview", "ライブプレビュー"};
const Tr kSize{"해상도", "Size", "解像度"};
const Tr kAtOnce{"변경한 값은 바로 카메라에 적용됩니다",
                 "Changes take effect on the camera at once", "変更はすぐにカメラに反映されます"};
const Tr kSnapshots{"스냅샷", "Snapshots", "スナップショット"};
const Tr kSnapViewer{"스냅샷 보기", "Snapshot viewer", "スナップショット表示"};
const Tr kUsbCamera{"USB PC 카메라", "USB PC CAMERA", "USB PCカメラ"};

QString T(const Tr& tr, Lang lang) { return QString::fromUtf8(tr.In(lang)); }

// A deterministic fine brushed-metal grain, so every run writes the same bytes.
void Grain(QImage& img, const QRect& area) {
  uint32_t seed = 0x2545F491u;
  auto next = [&seed]() {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed;
  };
  const QRect r = area.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const int row = static_cast<int>(next() % 5) - 2;
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = r.left(); x <= r.right(); ++x) {
      const int d = row + static_cast<int>(next() % 3) - 1;
      const QRgb c = line[x];
      auto ch = [d](int v) { return std::clamp(v + d, 0, 255); };
      line[x] = qRgb(ch(qRed(c)), ch(qGreen(c)), ch(qBlue(c)));
    }
  }
}

// Window body: a dark vertical gradient with grain and a two-tone bevelled border.
void Body(QImage& img, QPainter& p) {
  const QRect r = img.rect();
  // Fixed span, not the window's height: the CCTV window's two backgrounds must agree row by row.
  QLinearGradient g(0, 0, 0, 330);
  g.setColorAt(0, QColor(62, 61, 61));
  g.setColorAt(0.12, QColor(52, 51, 51));
  g.setColorAt(1, QColor(40, 39, 39));
  p.fillRect(r, g);
  p.end();
  Grain(img, r);
  p.begin(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
}

void Border(QPainter& p, const QRect& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(10, 10, 10));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  p.setPen(QColor(112, 112, 112));
  p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
  p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
  p.setPen(QColor(26, 26, 26));
  p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
  p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
  p.restore();
}

// The little lens mark that brands every window.
void Logo(QPainter& p, const QPointF& c, qreal r) {
  p.save();
  p.setPen(QPen(QColor(12, 12, 12), 1));
  QLinearGradient ring(c - QPointF(0, r), c + QPointF(0, r));
  ring.setColorAt(0, QColor(190, 192, 190));
  ring.setColorAt(1, QColor(70, 70, 70));
  p.setBrush(ring);
  p.drawEllipse(c, r, r);
  QRadialGradient lens(c - QPointF(r * 0.25, r * 0.3), r * 0.8);
  lens.setColorAt(0, QColor(150, 210, 255));
  lens.setColorAt(0.5, QColor(40, 100, 170));
  lens.setColorAt(1, QColor(8, 20, 40));
  p.setBrush(lens);
  p.drawEllipse(c, r * 0.6, r * 0.6);
  p.restore();
}

// Title bar across the top; the title in white, an optional note on the right.
void TitleBar(QPainter& p, const QRect& r, const QString& title, const QString& note, Lang lang,
              int noteRight) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(88, 88, 88));
  g.setColorAt(0.5, QColor(64, 63, 63));
  g.setColorAt(1, QColor(50, 49, 49));
  p.fillRect(r.adjusted(2, 2, -2, 0), g);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(18, 18, 18));
  p.drawLine(r.left() + 2, r.bottom(), r.right() - 2, r.bottom());
  p.restore();
  Logo(p, QPointF(r.left() + 11.5, r.center().y() + 1), 5.5);
  DrawLabel(p, QRectF(r.left() + 21, r.top() + 1, 190, r.height()), title, Lang::English, 11,
            Qt::AlignLeft | Qt::AlignVCenter, colour::kText, true);
  if (!note.isEmpty())
    DrawLabel(p, QRectF(noteRight - 170, r.top() + 1, 170, r.height()), note, lang, 10,
              Qt::AlignRight | Qt::AlignVCenter, colour::kTextDim);
}

// A recessed area: dark inside, shadow at the top left, light edge at the bottom right.
void Well(QPainter& p, const QRect& r, const QColor& fill) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(r, fill);
  p.setPen(QColor(12, 12, 12));
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom());
  p.setPen(QColor(104, 104, 104));
  p.drawLine(r.left() + 1, r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top() + 1, r.right(), r.bottom());
  p.restore();
}

// A raised panel grouping related controls.
void Panel(QPainter& p, const QRectF& r) {
  p.save();
  const QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient g(b.topLeft(), b.bottomLeft());
  g.setColorAt(0, QColor(58, 57, 57, 220));
  g.setColorAt(1, QColor(44, 43, 43, 220));
  p.setPen(QPen(QColor(20, 20, 20), 1));
  p.setBrush(g);
  p.drawRoundedRect(b, 4, 4);
  p.setPen(QPen(QColor(255, 255, 255, 34), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(b.adjusted(1, 1, -1, -1), 3, 3);
  p.restore();
}

// A black picture area with a faint mark in its middle, shown until a picture covers it.
void Screen(QPainter& p, const QRect& inner, Glyph mark) {
  Well(p, inner.adjusted(-1, -1, 1, 1), QColor(6, 6, 6));
  QRadialGradient vignette(inner.center(), inner.width() * 0.7);
  vignette.setColorAt(0, QColor(26, 28, 30));
  vignette.setColorAt(1, QColor(6, 6, 6));
  p.fillRect(inner, vignette);
  const qreal s = std::min(inner.width(), inner.height()) * 0.22;
  DrawGlyph(p, mark, QRectF(inner.center().x() - s / 2, inner.center().y() - s / 2, s, s),
            QColor(44, 46, 48));
}

void Caption(QPainter& p, int centreX, int y, int width, const QString& text, Lang lang) {
  DrawLabel(p, QRectF(centreX - width / 2.0, y, width, 12), text, lang, 10, Qt::AlignCenter,
            colour::kTextDim);
}

void RightLabel(QPainter& p, const QRect& r, const QString& text, Lang lang) {
  DrawLabel(p, r, text, lang, 11, Qt::AlignRight | Qt::AlignVCenter, colour::kText);
}

// The part of the CCTV window that the normal and the viewer layouts share: title, live picture
// and the main button row.
void CctvTop(QPainter& p, Lang lang) {
  TitleBar(p, QRect(0, 0, 332, 19), QStringLiteral("TAVO CCTV 2.0"), T(kCctvSubtitle, lang), lang,
           326);
  Screen(p, QRect(6, 20, 320, 240), Glyph::Camera);
  Panel(p, QRectF(3, 262, 326, 57));
  // Status pod: the picture-taking sign and the five blinking bars.
  Well(p, QRect(8, 262, 77, 14), QColor(22, 21, 21));
  for (int i = 0; i < 5; ++i) p.fillRect(QRect(33 + 10 * i, 268, 6, 3), QColor(56, 44, 62));
  DrawLabel(p, QRectF(8, 281, 77, 12), T(kMotion, lang), lang, 10, Qt::AlignCenter,
            colour::kTextDim);
  Well(p, QRect(269, 263, 61, 17), QColor(30, 29, 29));
  Caption(p, 118, 306, 44, T(kViewer, lang), lang);
  Caption(p, 166, 306, 46, T(kStartStop, lang), lang);
  Caption(p, 214, 306, 44, T(kSetup, lang), lang);
  DrawLabel(p, QRectF(244, 286, 82, 14), QStringLiteral("TAVO"), Lang::English, 13,
            Qt::AlignRight | Qt::AlignVCenter, QColor(96, 97, 96), true);
  // Groove under the row: the bottom edge at 323 pixels, the divider above the panel at 528.
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(90, 90, 90));
  p.drawLine(2, 320, 329, 320);
  p.setPen(QColor(10, 10, 10));
  p.drawLine(0, 321, 331, 321);
  p.drawLine(0, 322, 331, 322);
  p.restore();
}

void CctvPanel(QPainter& p, Lang lang) {
  Panel(p, QRectF(4, 326, 141, 103));
  Panel(p, QRectF(147, 326, 181, 103));
  Panel(p, QRectF(4, 432, 324, 92));
  RightLabel(p, QRect(8, 333, 58, 16), T(kDisplay, lang), lang);
  RightLabel(p, QRect(8, 356, 58, 16), T(kCamera, lang), lang);
  RightLabel(p, QRect(8, 382, 58, 16), T(kRate, lang), lang);
  RightLabel(p, QRect(8, 409, 58, 15), T(kMailAlert, lang), lang);
  Well(p, QRect(68, 354, 73, 20), colour::kBase);
  Well(p, QRect(68, 380, 73, 20), colour::kBase);
  DrawGlyph(p, Glyph::Mail, QRectF(92, 408, 16, 16), QColor(120, 122, 120));
  const std::vector<std::pair<QString, QString>> sliders = {
      {T(kBright, lang), T(kBright, lang)},
      {T(kSaturation, lang), T(kSaturationShort, lang)},
      {T(kContrast, lang), T(kContrastShort, lang)},
      {T(kSensitivity, lang), T(kSensitivityShort, lang)}};
  const ColumnFit column = FitColumn(sliders, 42, lang, 11, 10);
  for (int i = 0; i < 4; ++i) {
    const int y = 333 + 25 * i;
    DrawLabel(p, QRect(150, y + 2, 42, 16), column.texts[static_cast<std::size_t>(i)], lang,
              column.pixelSize, Qt::AlignRight | Qt::AlignVCenter, colour::kText);
    Well(p, QRect(194, y, 98, 21), colour::kMid);
    Well(p, QRect(293, y + 1, 25, 16), colour::kBase);
  }
  const Tr* fields[] = {&kFrom, &kTo, &kServer};
  const int fieldY[] = {439, 465, 490};
  for (int i = 0; i < 3; ++i) {
    RightLabel(p, QRect(8, fieldY[i], 80, 15), T(*fields[i], lang), lang);
    Well(p, QRect(91, fieldY[i] - 2, 179, 19), colour::kBase);
  }
  DrawGlyph(p, Glyph::Mail, QRectF(285, 444, 23, 23), QColor(108, 110, 108));
  Caption(p, 296, 510, 40, T(kApply, lang), lang);
}

void CctvViewerPart(QPainter& p, Lang lang) {
  Well(p, QRect(5, 328, 322, 62), QColor(14, 14, 14));
  for (int k = 0; k < 4; ++k) {
    const QRect slot(6 + 80 * k, 329, 79, 60);
    p.fillRect(slot, QColor(30, 30, 31));
    DrawGlyph(p, Glyph::Photo, QRectF(slot.center().x() - 9, slot.center().y() - 8, 18, 16),
              QColor(52, 53, 54));
  }
  DrawLabel(p, QRectF(4, 410, 42, 12), T(kSlide, lang), lang, 10, Qt::AlignRight | Qt::AlignVCenter,
            colour::kTextDim);
  Well(p, QRect(112, 410, 77, 13), colour::kBase);
  DrawLabel(p, QRectF(191, 410, 48, 12), T(kSpeed, lang), lang, 10,
            Qt::AlignRight | Qt::AlignVCenter, colour::kTextDim);
  Well(p, QRect(287, 410, 39, 13), colour::kBase);
}

void FolderPanel(QPainter& p, Lang lang) {
  TitleBar(p, QRect(0, 0, 165, 20), T(kFolders, lang), {}, lang, 0);
  Well(p, QRect(5, 21, 154, 240), colour::kBase);
  Panel(p, QRectF(4, 265, 157, 74));
  // Flat ground under the delete caption: the folder list takes its colour from (50, 310).
  Well(p, QRect(8, 270, 104, 65), colour::kBase);
  DrawGlyph(p, Glyph::Folder, QRectF(11, 279, 14, 14), colour::kTextDim);
  DrawLabel(p, QRectF(28, 279, 84, 14), T(kDeleteFolder, lang), lang, 11,
            Qt::AlignLeft | Qt::AlignVCenter, colour::kText, true, false);
  DrawLabel(p, QRectF(11, 313, 101, 10), T(kDeleteHint1, lang), lang, 9,
            Qt::AlignLeft | Qt::AlignVCenter, colour::kTextDim, false, false);
  DrawLabel(p, QRectF(11, 323, 101, 10), T(kDeleteHint2, lang), lang, 9,
            Qt::AlignLeft | Qt::AlignVCenter, colour::kTextDim, false, false);
  Panel(p, QRectF(4, 343, 157, 56));
  DrawLabel(p, QRectF(10, 346, 140, 14), T(kImageInfo, lang), lang, 10,
            Qt::AlignLeft | Qt::AlignVCenter, colour::kTextDim);
  RightLabel(p, QRect(8, 364, 58, 14), T(kDate, lang), lang);
  RightLabel(p, QRect(8, 379, 58, 14), T(kTime, lang), lang);
  Well(p, QRect(69, 363, 82, 16), colour::kMid);
  Well(p, QRect(69, 378, 82, 16), colour::kMid);
  DrawLabel(p, QRectF(0, 401, 165, 12), QStringLiteral("TAVO"), Lang::English, 10, Qt::AlignCenter,
            QColor(90, 91, 90), true);
}

void PreviewBar(QPainter& p, Lang lang) {
  Logo(p, QPointF(19, 25), 9);
  DrawLabel(p, QRectF(32, 12, 70, 18), QStringLiteral("TavoPreview"), Lang::English, 13,
            Qt::AlignLeft | Qt::AlignVCenter, colour::kText, true);
  DrawLabel(p, QRectF(32, 29, 70, 12), T(kUsbCamera, lang), lang, 9,
            Qt::AlignLeft | Qt::AlignVCenter, colour::kTextDim);
  Well(p, QRect(269, 3, 61, 17), QColor(30, 29, 29));
  Caption(p, 118, 47, 48, T(kSnapshot, lang), lang);
  Caption(p, 166, 47, 48, T(kPreview, lang), lang);
  Caption(p, 214, 47, 48, T(kSettings, lang), lang);
  DrawLabel(p, QRectF(260, 30, 66, 16), QStringLiteral("2.0"), Lang::English, 14,
            Qt::AlignRight | Qt::AlignVCenter, QColor(100, 101, 100), true);
}

void PreviewWindow(QPainter& p, Lang lang, const QSize& size, const QRect& video) {
  TitleBar(p, QRect(0, 0, size.width(), 19), QStringLiteral("TavoPreview 2.0"),
           T(kLivePreview, lang), lang, size.width() - 8);
  Screen(p, video, Glyph::Camera);
  DrawLabel(p, QRectF(10, video.bottom() + 2, 200, size.height() - video.bottom() - 4),
            T(kUsbCamera, lang), lang, 9, Qt::AlignLeft | Qt::AlignVCenter, colour::kTextDim);
  DrawLabel(p,
            QRectF(size.width() - 90, video.bottom() + 2, 80, size.height() - video.bottom() - 4),
            QStringLiteral("TAVO"), Lang::English, 10, Qt::AlignRight | Qt::AlignVCenter,
            QColor(96, 97, 96), true);
}

void ConfigDialog(QPainter& p, Lang lang) {
  TitleBar(p, QRect(0, 0, 332, 19), T(kSettings, lang), {}, lang, 0);
  RightLabel(p, QRect(6, 27, 58, 17), T(kDisplay, lang), lang);
  RightLabel(p, QRect(6, 49, 58, 19), T(kCamera, lang), lang);
  RightLabel(p, QRect(6, 75, 58, 19), T(kSize, lang), lang);
  Well(p, QRect(67, 48, 84, 22), colour::kBase);
  Well(p, QRect(67, 74, 84, 22), colour::kBase);
  const std::vector<std::pair<QString, QString>> sliders = {
      {T(kBright, lang), T(kBright, lang)},
      {T(kSaturation, lang), T(kSaturationShort, lang)},
      {T(kContrast, lang), T(kContrastShort, lang)}};
  const ColumnFit column = FitColumn(sliders, 40, lang, 11, 10);
  for (int i = 0; i < 3; ++i) {
    const int y = 25 + 25 * i;
    DrawLabel(p, QRect(152, y + 1, 40, 18), column.texts[static_cast<std::size_t>(i)], lang,
              column.pixelSize, Qt::AlignRight | Qt::AlignVCenter, colour::kText);
    Well(p, QRect(194, y - 1, 98, 22), colour::kMid);
    Well(p, QRect(291, y + 2, 26, 16), colour::kBase);
  }
  DrawLabel(p, QRectF(6, 99, 320, 13), T(kAtOnce, lang), lang, 9, Qt::AlignCenter,
            QColor(130, 132, 130));
}

void SnapshotDialog(QPainter& p, Lang lang) {
  TitleBar(p, QRect(0, 0, 332, 19), T(kSnapshots, lang), {}, lang, 0);
  Well(p, QRect(5, 19, 322, 62), QColor(14, 14, 14));
  for (int k = 0; k < 4; ++k) {
    const QRect slot(6 + 80 * k, 20, 79, 60);
    p.fillRect(slot, QColor(30, 30, 31));
    DrawGlyph(p, Glyph::Photo, QRectF(slot.center().x() - 9, slot.center().y() - 8, 18, 16),
              QColor(52, 53, 54));
  }
  Well(p, QRect(121, 99, 65, 14), colour::kBase);
}

void SnapViewer(QPainter& p, Lang lang, const QSize& size, const QRect& picture) {
  Screen(p, picture, Glyph::Photo);
  // Plain band: the viewer's buttons are the same images in both layouts.
  const QRect band(2, picture.bottom() + 2, size.width() - 4, size.height() - picture.bottom() - 4);
  p.fillRect(band, QColor(46, 45, 45));
  DrawGlyph(p, Glyph::Camera, QRectF(9, band.center().y() - 6, 14, 12), colour::kTextDim);
  DrawLabel(p, QRectF(28, band.top(), 170, band.height()), T(kSnapViewer, lang), lang, 11,
            Qt::AlignLeft | Qt::AlignVCenter, colour::kText, true, false);
}

void Decorate(QPainter& p, const Surface& s, Lang lang) {
  switch (s.decor) {
    case Decor::CctvMain:
      CctvTop(p, lang);
      CctvPanel(p, lang);
      break;
    case Decor::CctvViewer:
      CctvTop(p, lang);
      CctvViewerPart(p, lang);
      break;
    case Decor::FolderPanel:
      FolderPanel(p, lang);
      break;
    case Decor::PreviewBar:
      PreviewBar(p, lang);
      break;
    case Decor::PreviewWindow:
      PreviewWindow(p, lang, s.size, QRect(6, 20, 320, 240));
      break;
    case Decor::PreviewWindow640:
      PreviewWindow(p, lang, s.size, QRect(12, 20, 640, 480));
      break;
    case Decor::ConfigDialog:
      ConfigDialog(p, lang);
      break;
    case Decor::SnapshotDialog:
      SnapshotDialog(p, lang);
      break;
    case Decor::SnapViewer:
      SnapViewer(p, lang, s.size, QRect(3, 3, 320, 240));
      break;
    case Decor::SnapViewer640:
      SnapViewer(p, lang, s.size, QRect(3, 3, 640, 480));
      break;
  }
}

}  // namespace

QImage RenderDecor(const Surface& surface, Lang lang) {
  QImage img(surface.size, QImage::Format_RGB32);
  img.fill(colour::kBase);
  QPainter p(&img);
  Body(img, p);
  Decorate(p, surface, lang);
  Border(p, img.rect());
  return img;
}

namespace {

// Draws a control with its rectangle at the origin over a copy of what lies behind it. Drawing
// at the origin makes text and edges fall on the same sub-pixels wherever the face is used.
QImage FaceOver(const QImage& backing, const Placement& control, FaceState state, int variant,
                Lang lang) {
  QImage face = backing.copy(control.rect);
  QPainter p(&face);
  Placement local = control;
  local.rect.moveTo(0, 0);
  DrawControl(p, local, state, variant, lang);
  return face;
}

// The decor with the resting faces of the surface's controls, leaving out one if asked.
QImage WithControls(const Surface& surface, Lang lang, const Placement* except) {
  const QImage decor = RenderDecor(surface, lang);
  QImage img = decor;
  QPainter p(&img);
  for (const Placement& c : surface.controls)
    if (c.inBackground && &c != except)
      p.drawImage(c.rect.topLeft(), FaceOver(decor, c, FaceState::Normal, 0, lang));
  return img;
}

}  // namespace

QImage RenderBackground(const Surface& surface, Lang lang) {
  return WithControls(surface, lang, nullptr);
}

QImage RenderFace(const FaceFile& face, Lang lang) {
  const Surface* surface = FindSurface(face.surface);
  if (surface == nullptr) return {};
  const Placement* target = FindPlacement(*surface, face.control);
  if (target == nullptr) return {};
  // Everything else on the surface stays as the background shows it (the slider's thumb lies on
  // its track), so the face's edges blend into the background exactly.
  return FaceOver(WithControls(*surface, lang, target), *target, face.state, face.variant, lang);
}

}  // namespace skingen
