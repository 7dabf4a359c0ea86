// The small skinned dialog that asks once for the mail server's password, when apply stores a
// server that takes a login. What is typed goes to the secret store and nowhere else.
#pragma once

#include <QDialog>
#include <QPointer>
#include <optional>
#include <string>

#include "mail/secretstore.h"
#include "stringtable.h"

class QLineEdit;
class QPushButton;

namespace tavo::cctv {

class PasswordDialog final : public QDialog {
 public:
  // Texts in `language`; `account` is shown as "user@host:port".
  PasswordDialog(const MailAccount& account, Language language, QWidget* parent = nullptr);

  QLineEdit* passwordEdit() const { return edit_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  // The face drags the dialog, as it does the main window.
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString title_;
  QLineEdit* edit_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// Opens PasswordDialog modally over `parent`; none when the user cancels.
class QtPasswordPrompt final : public PasswordPrompt {
 public:
  explicit QtPasswordPrompt(Language language, QWidget* parent = nullptr)
      : language_(language), parent_(parent) {}
  std::optional<std::string> AskPassword(const MailAccount& account) override;
  void SetParent(QWidget* parent) { parent_ = parent; }

 private:
  Language language_;
  QPointer<QWidget> parent_;
};

}  // namespace tavo::cctv
