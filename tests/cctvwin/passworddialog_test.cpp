// The mail password dialog, offscreen: what is typed comes back only through OK, hidden as it is
// typed.
#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "passworddialog.h"

namespace tavo::cctv {
namespace {

const MailAccount kAccount{"cam@example.test", "smtp.example.test", 587};

// Acts on the dialog once its modal loop runs.
void WhenOpen(const std::function<void(PasswordDialog&)>& act) {
  QTimer::singleShot(0, [act] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* dialog = dynamic_cast<PasswordDialog*>(widget); dialog && dialog->isVisible()) {
        act(*dialog);
        return;
      }
    }
  });
}

TEST(PasswordDialog, OkReturnsWhatWasTypedHidden) {
  QtPasswordPrompt prompt(Language::English);
  bool hidden = false;
  QString shown;
  WhenOpen([&](PasswordDialog& dialog) {
    QTest::keyClicks(dialog.passwordEdit(), "pa ss");
    hidden = dialog.passwordEdit()->echoMode() == QLineEdit::Password;
    dialog.okButton()->click();
  });
  EXPECT_EQ(prompt.AskPassword(kAccount), "pa ss");
  EXPECT_TRUE(hidden);
}

TEST(PasswordDialog, EnterAcceptsAndCancelGivesNothing) {
  QtPasswordPrompt prompt(Language::Korean);
  WhenOpen([](PasswordDialog& dialog) {
    QTest::keyClicks(dialog.passwordEdit(), "x");
    QTest::keyClick(dialog.passwordEdit(), Qt::Key_Return);
  });
  EXPECT_EQ(prompt.AskPassword(kAccount), "x");

  WhenOpen([](PasswordDialog& dialog) {
    QTest::keyClicks(dialog.passwordEdit(), "typed, then thought better of");
    dialog.cancelButton()->click();
  });
  EXPECT_EQ(prompt.AskPassword(kAccount), std::nullopt);
}

}  // namespace
}  // namespace tavo::cctv
