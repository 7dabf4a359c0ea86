#include "qtservices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "bmpbuilder.h"

namespace tavo {
namespace {

// Runs `check` on the modal widget once it is up, then lets `close` dismiss it.
template <typename Close>
void WhenModal(Close close) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, close] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      poll->stop();
      poll->deleteLater();
      close(modal);
    }
  });
  poll->start(10);
}

TEST(QtMessageBoxes, ShowsAnOkBoxTitledWithTheProgramWhileTimersKeepRunning) {
  QtMessageBoxes boxes("TavoPreview");
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(5);

  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    // Let the timer beneath the box tick a few times before closing it.
    QTimer::singleShot(60, box, [&, box] {
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->standardButtons();
      box->button(QMessageBox::Ok)->click();
    });
  });
  const int before = ticks;
  boxes.Show("Image load failure", MessageIcon::Error);
  EXPECT_EQ(title, "TavoPreview");
  EXPECT_EQ(text, "Image load failure");
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(buttons, QMessageBox::Ok);
  EXPECT_GT(ticks, before);

  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    title = box->windowTitle();
    icon = box->icon();
    box->button(QMessageBox::Ok)->click();
  });
  boxes.Show("촬영된 사진", MessageIcon::Warning, "Mail");
  EXPECT_EQ(title, "Mail");
  EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST(QtMessageBoxes, ShowTextThatLooksLikeMarkupLiterally) {
  QtMessageBoxes boxes("TavoCCTV");
  const QString markup = "<b>x</b> <a href=\"file:///etc\">y</a> <img src=\"/tmp/z.png\">";
  Qt::TextFormat format = Qt::AutoText;
  QString shown;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    format = box->textFormat();
    // What the box's label shows, as the user sees it.
    if (auto* label = box->findChild<QLabel*>("qt_msgbox_label")) {
      shown = label->textFormat() == Qt::PlainText ? label->text() : QString();
    }
    box->button(QMessageBox::Ok)->click();
  });
  boxes.Show(markup.toStdString(), MessageIcon::Error, "JPEG Fatal Error");
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_EQ(shown.toStdString(), markup.toStdString());
}

TEST(QtSaveFileDialog, FiltersAndDefaultExtensionReachTheDialog) {
  EXPECT_EQ(QtNameFilters("Jpg file (*.jpg)|*.jpg|All file(*.*)|*.*|"),
            "Jpg file (*.jpg);;All file (*)");
  EXPECT_EQ(QtNameFilters(""), "");

  test::TempFolder folder;
  QtSaveFileDialog dialog;
  SaveFileRequest request{(folder.path() / "SnapShot3.jpg").string(),
                          "Jpg file (*.jpg)|*.jpg|All file(*.*)|*.*|", "*.jpg", true};
  QString filter;
  WhenModal([&](QWidget* modal) {
    auto* files = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(files, nullptr);
    filter = files->selectedNameFilter();
    files->selectFile("typed");  // no extension: the default one is added
    static_cast<QDialog*>(files)->accept();
  });
  std::string path = "unchanged";
  ASSERT_TRUE(dialog.Ask(request, path));
  EXPECT_EQ(filter, "Jpg file (*.jpg)");
  EXPECT_EQ(std::filesystem::path(path), folder.path() / "typed.jpg");

  WhenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  path = "unchanged";
  EXPECT_FALSE(dialog.Ask(request, path));
  EXPECT_EQ(path, "unchanged");
}

TEST(QtShell, MissingFilesReportThirtyTwoOrLess) {
  QtShell shell;
  EXPECT_LE(shell.Open("/nonexistent/TavoPreviewHelp_Eng.html"), 32);
  EXPECT_LE(shell.Start("/nonexistent/TavoPreview", "/"), 32);
  EXPECT_LE(shell.Start("", ""), 32);
}

TEST(QtShell, StartsAProgramInItsFolder) {
  test::TempFolder folder;
  QtShell shell;
  const auto marker = folder.path() / "started";
  const auto script = folder.path() / "run.sh";
  test::WriteFile(script, {});
  { std::ofstream(script) << "#!/bin/sh\npwd > started\n"; }
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  EXPECT_GT(shell.Start(script.string(), folder.path().string()), 32);
  for (int i = 0; i < 200 && !std::filesystem::exists(marker); ++i) QTest::qWait(10);
  EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST(QtShell, DeleteTreeRemovesEverythingButRefusesTheRootAndEmptyPaths) {
  test::TempFolder folder;
  const auto run = folder.path() / "CCTV_Image" / "2024-01-01";
  test::WriteFile(run / "EmailSendJpg" / "a.jpg", {1});
  test::WriteFile(run / "1.jpg", {1});
  const auto keep = folder.path() / "CCTV_Image" / "keep.jpg";
  test::WriteFile(keep, {1});

  QtShell shell;
  EXPECT_TRUE(shell.DeleteTree(run.string()));
  EXPECT_FALSE(std::filesystem::exists(run));
  EXPECT_TRUE(std::filesystem::exists(keep));
  EXPECT_FALSE(shell.DeleteTree(run.string()));  // already gone
  for (const char* refused : {"", "/", "//", "/.", "."}) {
    EXPECT_FALSE(shell.DeleteTree(refused)) << refused;
  }
}

TEST(RecordingDoubles, RecordRequestsAndAnswerAsScripted) {
  RecordingShell shell;
  shell.openResult = 2;
  EXPECT_EQ(shell.Open("help.html"), 2);
  EXPECT_EQ(shell.Start("p", "f"), kShellSucceeded);
  ASSERT_EQ(shell.started.size(), 1u);
  EXPECT_EQ(shell.started[0].folder, "f");

  ScriptedSaveFileDialog dialog;
  std::string path = "x";
  EXPECT_FALSE(dialog.Ask({"a.jpg", "", "", true}, path));
  EXPECT_EQ(path, "x");
  dialog.answer = "/tmp/b.jpg";
  EXPECT_TRUE(dialog.Ask({"a.jpg", "", "", true}, path));
  EXPECT_EQ(path, "/tmp/b.jpg");
  EXPECT_EQ(dialog.requests.size(), 2u);
}

}  // namespace
}  // namespace tavo
