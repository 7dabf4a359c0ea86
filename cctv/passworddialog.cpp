#include "passworddialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace tavo::cctv {

namespace {

struct DialogTexts {
  const char* title;
  const char* prompt;
  const char* ok;
  const char* cancel;
};

DialogTexts TextsFor(Language language) {
  switch (language) {
    case Language::Korean:
      return {"메일 서버 비밀번호", "이 계정의 비밀번호를 입력하세요:", "확인", "취소"};
    case Language::Japanese:
      return {"メールサーバーのパスワード", "このアカウントのパスワードを入力してください：", "OK",
              "キャンセル"};
    case Language::English:
      break;
  }
  return {"Mail server password", "Input the password of this account:", "OK", "Cancel"};
}

// The panel's colours: dark face, light text, a thin lighter frame.
constexpr QRgb kFace = 0xFF2B3036;
constexpr QRgb kFrame = 0xFF8A96A3;
constexpr QRgb kText = 0xFFE8ECF0;
constexpr int kTitleHeight = 22;

}  // namespace

PasswordDialog::PasswordDialog(const MailAccount& account, Language language, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  const DialogTexts texts = TextsFor(language);
  title_ = QString::fromUtf8(texts.title);
  setWindowTitle(title_);
  setModal(true);
  setFixedSize(300, 128);
  setStyleSheet(
      "QLabel { color: #E8ECF0; }"
      "QLineEdit { background: #F4F6F8; color: #101418; border: 1px solid #8A96A3; }"
      "QPushButton { background: #46505A; color: #E8ECF0; border: 1px solid #8A96A3;"
      "  padding: 2px 12px; }"
      "QPushButton:pressed { background: #30373E; }");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, kTitleHeight + 6, 10, 8);
  layout->setSpacing(5);
  auto* prompt = new QLabel(QString::fromUtf8(texts.prompt), this);
  auto* name = new QLabel(QString::fromStdString(AccountLabel(account)), this);
  name->setTextFormat(Qt::PlainText);
  edit_ = new QLineEdit(this);
  edit_->setEchoMode(QLineEdit::Password);
  // No input method or completion may keep what is typed.
  edit_->setAttribute(Qt::WA_InputMethodEnabled, false);
  ok_ = new QPushButton(QString::fromUtf8(texts.ok), this);
  cancel_ = new QPushButton(QString::fromUtf8(texts.cancel), this);
  ok_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  layout->addWidget(prompt);
  layout->addWidget(name);
  layout->addWidget(edit_);
  layout->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  edit_->setFocus();
}

void PasswordDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(kFace));
  painter.fillRect(QRect(0, 0, width(), kTitleHeight), QColor(kFrame).darker(170));
  painter.setPen(QColor(kText));
  painter.drawText(QRect(8, 0, width() - 16, kTitleHeight), Qt::AlignVCenter | Qt::AlignLeft,
                   title_);
  painter.setPen(QColor(kFrame));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PasswordDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && windowHandle() != nullptr)
    windowHandle()->startSystemMove();
  QDialog::mousePressEvent(event);
}

std::optional<std::string> QtPasswordPrompt::AskPassword(const MailAccount& account) {
  PasswordDialog dialog(account, language_, parent_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QString typed = dialog.passwordEdit()->text();
  dialog.passwordEdit()->clear();
  return typed.toStdString();
}

}  // namespace tavo::cctv
