// The desktop icons of the two programs, drawn at every hicolor size rather than scaled from one,
// so the small ones stay sharp: a dark rounded tile with a camera lens; TavoCCTV's carries the red
// recording light, TavoPreview's a blue glint.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace skingen {

namespace {

QImage DrawIcon(int size, bool cctv) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  QPainterPath tile;
  tile.addRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.18, s * 0.18);
  QLinearGradient face(0, 0, 0, s);
  face.setColorAt(0, QColor(0x4a, 0x52, 0x5e));
  face.setColorAt(1, QColor(0x1e, 0x22, 0x28));
  p.fillPath(tile, face);
  const QPointF centre(s * 0.5, s * 0.53);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xd8, 0xdc, 0xe2));
  p.drawEllipse(centre, s * 0.30, s * 0.30);
  p.setBrush(QColor(0x10, 0x12, 0x16));
  p.drawEllipse(centre, s * 0.21, s * 0.21);
  p.setBrush(cctv ? QColor(0x30, 0x36, 0x40) : QColor(0x2a, 0x6c, 0xd0));
  p.drawEllipse(centre, s * 0.12, s * 0.12);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(centre + QPointF(-s * 0.06, -s * 0.06), s * 0.035, s * 0.035);
  if (cctv) {
    p.setBrush(QColor(0xe0, 0x20, 0x20));
    p.drawEllipse(QPointF(s * 0.78, s * 0.2), s * 0.08, s * 0.08);
  }
  return image;
}

}  // namespace

// <root>/hicolor/<n>x<n>/apps/{tavocctv,tavopreview}.png for the usual hicolor sizes.
int WriteIcons(const QString& root) {
  int written = 0;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(root).arg(size);
    if (!QDir().mkpath(folder)) return 1;
    for (const bool cctv : {true, false}) {
      const QString file = folder + (cctv ? "/tavocctv.png" : "/tavopreview.png");
      if (!DrawIcon(size, cctv).save(file, "PNG")) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(file));
        return 1;
      }
      ++written;
    }
  }
  std::printf("skingen: %d icons in %s\n", written, qPrintable(root));
  return 0;
}

}  // namespace skingen
