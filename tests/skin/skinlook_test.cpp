// The shared look: Qt's own dialogs in the program's language, and the skinned About box that
// closes without a window manager.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include "paintedbuttons.h"
#include "skinlook.h"

namespace tavo {
namespace {

TEST(SkinLook, AKoreanProgramGetsKoreanButtonsOnItsMessageBoxes) {
  EXPECT_EQ(LoadQtTranslations(*qApp, "English"), nullptr);
  QTranslator* korean = LoadQtTranslations(*qApp, "Korean");
  if (korean == nullptr) {
    GTEST_SKIP() << "qtbase_ko.qm is not in "
                 << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString()
                 << " (qt6-translations-l10n)";
  }
  {
    QMessageBox box(QMessageBox::Information, "t", "x", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text().toStdString(), "확인");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), "취소");
  }
  QCoreApplication::removeTranslator(korean);
  delete korean;
  QMessageBox english(QMessageBox::Information, "t", "x", QMessageBox::Ok);
  EXPECT_EQ(english.button(QMessageBox::Ok)->text().toStdString(), "OK");
}

TEST(SkinLook, TheAboutBoxIsSkinnedAndItsCloseControlCloses) {
  QWidget owner;
  owner.setGeometry(100, 100, 332, 528);
  bool closed = false;
  QColor ground;
  QString text;
  QTimer::singleShot(0, [&] {
    auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (about == nullptr) return;
    EXPECT_TRUE(about->windowFlags() & Qt::FramelessWindowHint);
    ground = about->grab().toImage().pixelColor(about->width() / 2, about->height() - 3);
    if (auto* label = about->findChild<QLabel*>("aboutText")) text = label->text();
    auto* close = about->findChild<QPushButton*>("skinClose");
    ASSERT_NE(close, nullptr);
    close->click();
    closed = true;
  });
  ShowSkinAbout(&owner, "About", "TavoCCTV  1.1", QIcon(), "Japanese");
  EXPECT_TRUE(closed);
  EXPECT_EQ(ground, look::kGround);
  EXPECT_EQ(text.toStdString(), "TavoCCTV  1.1");
}

TEST(SkinLook, EnterChoosesFromTheMenuOfAWindowThatSwallowsIt) {
  QWidget owner;
  DialogKeyFilter::Install(&owner);
  QMenu menu(&owner);
  StyleSkinMenu(menu, "Korean", &owner);
  bool chosen = false;
  menu.addAction("About", [&] { chosen = true; });
  QTimer::singleShot(0, [&] {
    QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_Return);
  });
  menu.exec(QPoint(10, 10));
  EXPECT_TRUE(chosen);
  // The owner itself still swallows Enter.
  QLineEdit edit(&owner);
  bool returned = false;
  QObject::connect(&edit, &QLineEdit::returnPressed, [&] { returned = true; });
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_FALSE(returned);
}

TEST(SkinLook, TheHelpViewerRefusesAPageItCannotRead) {
  EXPECT_EQ(ShowHelpViewer(nullptr, "/nonexistent/help.html", "Help", "English"), nullptr);
}

}  // namespace
}  // namespace tavo
