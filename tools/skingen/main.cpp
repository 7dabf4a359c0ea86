// skingen: draws every skin bitmap of both programs in the three language folders.
//   skingen <program folder>                     write the skins
//   skingen --contact-sheet <program folder> <out folder>
//                                               one PNG per language showing every window
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstring>

#include "bmpfile.h"
#include "skinpaint.h"
#include "skintable.h"

namespace skingen {
namespace {

QString SkinPath(const QString& root, const Language& lang, const char* folder, const char* file) {
  return QStringLiteral("%1/%2/%3/%4")
      .arg(root, QLatin1String(lang.folder), QLatin1String(folder), QLatin1String(file));
}

int WriteSkins(const QString& root) {
  int written = 0;
  for (const Language& lang : Languages()) {
    for (const Surface& s : Surfaces()) {
      const QImage bg = RenderBackground(s, lang.lang);
      if (!WriteBmp24(bg, SkinPath(root, lang, s.folder, s.file))) {
        std::fprintf(stderr, "skingen: cannot write %s/%s/%s\n", lang.folder, s.folder, s.file);
        return 1;
      }
      ++written;
    }
    for (const FaceFile& f : FaceFiles()) {
      const QImage face = RenderFace(f, lang.lang);
      if (face.isNull() || !WriteBmp24(face, SkinPath(root, lang, f.folder, f.file))) {
        std::fprintf(stderr, "skingen: cannot draw or write %s/%s/%s\n", lang.folder, f.folder,
                     f.file);
        return 1;
      }
      ++written;
    }
  }
  std::printf("skingen: %d skin files in %s\n", written, qPrintable(root));
  return 0;
}

// Contact sheet: the windows as the programs assemble them, from the files on disk.
class Sheet {
 public:
  Sheet(const QString& root, const Language& lang) : root_(root), lang_(lang) {}

  QImage Load(const char* folder, const char* file) const {
    QImage img(SkinPath(root_, lang_, folder, file));
    if (img.isNull()) {
      std::fprintf(stderr, "skingen: missing %s/%s/%s\n", lang_.folder, folder, file);
      img = QImage(8, 8, QImage::Format_RGB32);
      img.fill(Qt::magenta);
    }
    return img;
  }

  QImage Render() const {
    QImage sheet(1420, 1640, QImage::Format_RGB32);
    sheet.fill(QColor(200, 202, 205));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(14);
    title.setBold(true);
    p.setFont(title);
    auto heading = [&p](int x, int y, const char* text) {
      p.setPen(QColor(40, 40, 40));
      p.drawText(x, y - 6, QString::fromUtf8(text));
    };

    // TavoCCTV at rest with the settings panel.
    heading(20, 40, "TavoCCTV - settings panel open");
    QImage cctv = Load("Bg", "TavoCCTV_bg.bmp");
    {
      QPainter w(&cctv);
      w.drawImage(148, 269, Load("MainButton", "CctvStart_but_Up.bmp"));
      w.drawImage(287, 266, Load("MainButton", "pin_off_Up.bmp"));
      w.drawImage(70, 409, Load("ConfigImage", "Check_Off.bmp"));
      w.drawImage(199, 269, Load("MainButton", "Config_but_Foc.bmp"));
    }
    p.drawImage(20, 40, cctv);

    // Surveillance running: stop face, pin on, sign lit, bars blinking, a pressed button.
    heading(372, 40, "TavoCCTV - surveillance running");
    QImage running = Load("Bg", "TavoCCTV_bg.bmp").copy(0, 0, 332, 323);
    {
      QPainter w(&running);
      w.fillRect(6, 20, 320, 240, QColor(70, 90, 110));
      w.drawImage(148, 269, Load("MainButton", "CctvStop_but_Foc.bmp"));
      w.drawImage(287, 266, Load("MainButton", "pin_on_Up.bmp"));
      w.drawImage(317, 266, Load("MainButton", "Exit_But_Down.bmp"));
      w.drawImage(11, 263, Load("MainButton", "TakePicture_Sign.bmp"));
      for (int i = 0; i < 5; i += 2) w.fillRect(33 + 10 * i, 268, 6, 3, QColor(173, 1, 226));
      w.drawImage(103, 269, Load("MainButton", "JpgView_but_Down.bmp"));
    }
    p.drawImage(372, 40, running);
    heading(372, 390, "Settings panel, pressed and checked");
    QImage panel = Load("Bg", "TavoCCTV_bg.bmp").copy(0, 323, 332, 205);
    {
      QPainter w(&panel);
      w.drawImage(69, 10, Load("ConfigImage", "CRT_Down.bmp"));
      w.drawImage(70, 86, Load("ConfigImage", "Check_On.bmp"));
      w.drawImage(281, 155, Load("ConfigImage", "Adjust_Foc.bmp"));
    }
    p.drawImage(372, 390, panel);

    // Viewer mode with its folder panel.
    heading(724, 40, "TavoCCTV - viewer mode and folder panel");
    QImage viewer = Load("Bg", "ViewMain_bg.bmp");
    {
      QPainter w(&viewer);
      w.drawImage(20, 395, Load("JgpViewer", "slide_bg.bmp"));
      w.drawImage(96 - 25, 395, Load("JgpViewer", "SliderThumb.bmp"));
      w.drawImage(49, 410, Load("JgpViewer", "Slide_but_Stop_Nor.bmp"));
      w.drawImage(312, 394, Load("JgpViewer", "Right_but_Foc.bmp"));
      w.drawImage(242, 410, Load("JgpViewer", "Speed_But_Hi_Down.bmp"));
    }
    p.drawImage(724, 40, viewer);
    QImage folders = Load("Bg", "JpgViewer_bg.bmp");
    {
      QPainter w(&folders);
      w.drawImage(116, 292, Load("JgpViewer", "Delete_Forder_Foc.bmp"));
    }
    p.drawImage(724 + 332, 40, folders);

    // TavoPreview docked: preview window, control bar, snapshot dialog, configuration dialog.
    heading(20, 620, "TavoPreview - docked windows");
    int y = 620;
    p.drawImage(20, y, Load("Bg", "viewer_bg.bmp"));
    y += 276;
    QImage bar = Load("Main", "main_bg.bmp");
    {
      QPainter w(&bar);
      w.drawImage(148, 8, Load("Main", "PreviewStop_up.bmp"));
      w.drawImage(287, 6, Load("Main", "pin_off_Up.bmp"));
      w.drawImage(103, 9, Load("Main", "Snapshot_Focus.bmp"));
    }
    p.drawImage(20, y, bar);
    y += 63;
    QImage snap = Load("SnapShotDlg", "snapshot_bg.bmp");
    {
      QPainter w(&snap);
      w.drawImage(20, 85, Load("SnapShotDlg", "slide_bg.bmp"));
      w.drawImage(46 - 25, 85, Load("SnapShotDlg", "SliderThumb.bmp"));
      w.drawImage(189, 100, Load("SnapShotDlg", "but_save_foc.bmp"));
    }
    p.drawImage(20, y, snap);
    y += 114;
    p.drawImage(20, y, Load("Config", "Config_bg.bmp"));

    heading(372, 620, "Control bar faces");
    int fy = 620;
    const char* barFaces[][2] = {{"Snapshot_up.bmp", "PrevidwPlay_Down.bmp"},
                                 {"Config_up.bmp", "PreviewPlay_Focus.bmp"}};
    for (auto& row : barFaces) {
      QImage b = Load("Main", "main_bg.bmp");
      QPainter w(&b);
      w.drawImage(row[0][1] == 'n' ? 103 : 199, 9, Load("Main", row[0]));
      w.drawImage(148, 8, Load("Main", row[1]));
      w.drawImage(302, 6, Load("Main", "Minimize_but_Down.bmp"));
      w.end();
      p.drawImage(372, fy, b);
      fy += 70;
    }
    heading(372, fy + 14, "Snapshot dialog, pressed faces");
    QImage snap2 = Load("SnapShotDlg", "snapshot_bg.bmp");
    {
      QPainter w(&snap2);
      w.drawImage(20, 85, Load("SnapShotDlg", "slide_bg.bmp"));
      w.drawImage(200 - 25, 85, Load("SnapShotDlg", "SliderThumb.bmp"));
      w.drawImage(49, 100, Load("SnapShotDlg", "but_snap_down.bmp"));
      w.drawImage(238, 100, Load("SnapShotDlg", "but_del_foc.bmp"));
      w.drawImage(6, 84, Load("SnapShotDlg", "Left_but_Down.bmp"));
      w.drawImage(317, 4, Load("SnapShotDlg", "Exit_But_Down.bmp"));
    }
    p.drawImage(372, fy + 14, snap2);
    fy += 14 + 120;
    QImage cfg = Load("Config", "Config_bg.bmp");
    {
      QPainter w(&cfg);
      w.drawImage(109, 27, Load("Config", "LCD_Down.bmp"));
    }
    p.drawImage(372, fy, cfg);
    fy += 125;
    heading(372, fy + 14, "Snapshot viewer");
    QImage sv = Load("SnapViewer", "SnapViewer_bg.bmp");
    {
      QPainter w(&sv);
      w.drawImage(211, 246, Load("SnapViewer", "save_up.bmp"));
      w.drawImage(265, 246, Load("SnapViewer", "Cancel_up.bmp"));
    }
    p.drawImage(372, fy + 14, sv);

    heading(724, 620, "Large layouts (half size)");
    QImage big = Load("Bg", "viewer_bg_640.bmp");
    p.drawImage(QRect(724, 620, 332, 258), big);
    QImage sv640 = Load("SnapViewer", "SnapViewer_bg640.bmp");
    {
      QPainter w(&sv640);
      w.drawImage(531, 487, Load("SnapViewer", "save_up.bmp"));
      w.drawImage(584, 487, Load("SnapViewer", "Cancel_up.bmp"));
    }
    p.drawImage(QRect(1064, 620, 323, 254), sv640);

    // Every face file at twice its size.
    heading(724, 920, "Every face file (x2)");
    int x = 724;
    int rowY = 920, rowH = 0;
    QFont small(QStringLiteral("Liberation Sans"));
    small.setPixelSize(9);
    p.setFont(small);
    for (const FaceFile& f : FaceFiles()) {
      if (std::strcmp(f.file, "slide_bg.bmp") == 0) continue;
      const QImage img = Load(f.folder, f.file);
      const int w = std::max(img.width() * 2, 60);
      if (x + w > 1410) {
        x = 724;
        rowY += rowH + 16;
        rowH = 0;
      }
      p.drawImage(QRect(x, rowY, img.width() * 2, img.height() * 2), img);
      p.setPen(QColor(40, 40, 40));
      p.drawText(x, rowY + img.height() * 2 + 10, QString::fromLatin1(f.file).chopped(4).left(14));
      x += w + 8;
      rowH = std::max(rowH, img.height() * 2 + 4);
    }
    return sheet;
  }

 private:
  QString root_;
  Language lang_;
};

int WriteContactSheets(const QString& root, const QString& outDir) {
  QDir().mkpath(outDir);
  for (const Language& lang : Languages()) {
    const QString path =
        QStringLiteral("%1/contact-%2.png").arg(outDir, QLatin1String(lang.folder));
    if (!Sheet(root, lang).Render().save(path)) {
      std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
      return 1;
    }
    std::printf("skingen: %s\n", qPrintable(path));
  }
  return 0;
}

}  // namespace
}  // namespace skingen

namespace skingen {
int WriteIcons(const QString& root);
}

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc == 2) return skingen::WriteSkins(QString::fromLocal8Bit(argv[1]));
  if (argc == 3 && std::strcmp(argv[1], "--icons") == 0)
    return skingen::WriteIcons(QString::fromLocal8Bit(argv[2]));
  if (argc == 4 && std::strcmp(argv[1], "--contact-sheet") == 0)
    return skingen::WriteContactSheets(QString::fromLocal8Bit(argv[2]),
                                       QString::fromLocal8Bit(argv[3]));
  std::fprintf(stderr,
               "usage: skingen <program folder>\n"
               "       skingen --icons <out folder>\n"
               "       skingen --contact-sheet <program folder> <out folder>\n");
  return 2;
}
