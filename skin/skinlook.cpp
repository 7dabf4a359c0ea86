#include "skinlook.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "paintedbuttons.h"

namespace tavo {

namespace {

QString Rgb(const QColor& c) {
  return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

double Luminance(const QColor& c) {
  auto channel = [](int v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

// The title bar of a skinned dialog: its text, and a press anywhere on it drags the dialog by
// hand, as there may be no window manager to do it.
class TitleBar final : public QWidget {
 public:
  TitleBar(QWidget* parent, const QString& title, const QFont& font) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 1, 2, 1);
    layout->setSpacing(4);
    auto* label = new QLabel(title, this);
    label->setObjectName(QStringLiteral("skinTitle"));
    QFont bold = font;
    bold.setBold(true);
    label->setFont(bold);
    layout->addWidget(label, 1);
    close_ = new QPushButton(QStringLiteral("\u00d7"), this);
    close_->setObjectName(QStringLiteral("skinClose"));
    close_->setFixedSize(16, 15);
    close_->setFocusPolicy(Qt::NoFocus);
    close_->setToolTip(QApplication::translate("QDialogButtonBox", "Close"));
    layout->addWidget(close_);
    setFixedHeight(19);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, look::kRaised);
    setPalette(palette);
  }
  QPushButton* closeButton() const { return close_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    offset_ = event->globalPosition().toPoint() - window()->pos();
    dragging_ = true;
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (dragging_) window()->move(event->globalPosition().toPoint() - offset_);
  }
  void mouseReleaseEvent(QMouseEvent*) override { dragging_ = false; }

 private:
  QPushButton* close_ = nullptr;
  QPoint offset_;
  bool dragging_ = false;
};

QString DialogStyle() {
  return QStringLiteral(
             "QDialog#skinDialog { background: %1; border: 1px solid %2; }"
             "QLabel { color: %3; background: transparent; }"
             "QPushButton#skinClose { color: %3; background: %1; border: 1px solid %2;"
             " padding: 0; font-weight: bold; }"
             "QPushButton#skinClose:hover { background: %4; }"
             "QPushButton { color: %3; background: %5; border: 1px solid %2; padding: 2px 12px; }"
             "QPushButton:hover { background: %4; }"
             "QTextBrowser { background: white; color: black; border: 1px solid %2; }")
      .arg(Rgb(look::kGround), Rgb(look::kEdge), Rgb(look::kText), Rgb(look::kAccent),
           Rgb(look::kRaised));
}

// A frameless dialog: the skin's title bar above a body the caller fills.
QDialog* NewSkinDialog(QWidget* parent, const QString& title, const std::string& uiLanguage,
                       QWidget** body) {
  auto* dialog = new QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint);
  dialog->setObjectName(QStringLiteral("skinDialog"));
  dialog->setWindowTitle(title);
  dialog->setFont(SkinFont(uiLanguage, 12));
  dialog->setStyleSheet(DialogStyle());
  auto* layout = new QVBoxLayout(dialog);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);
  auto* bar = new TitleBar(dialog, title, dialog->font());
  QObject::connect(bar->closeButton(), &QPushButton::clicked, dialog, &QDialog::reject);
  layout->addWidget(bar);
  *body = new QWidget(dialog);
  layout->addWidget(*body, 1);
  return dialog;
}

// A skinned parent swallows Enter and Escape for every widget that becomes its child, our dialog
// and its contents among them; the dialog is a window of its own and keeps its keys.
void KeepDialogKeys(QWidget* dialog, QWidget* parent) {
  if (parent == nullptr) return;
  QList<QWidget*> widgets = dialog->findChildren<QWidget*>();
  widgets.append(dialog);
  for (auto* filter : parent->findChildren<DialogKeyFilter*>(Qt::FindDirectChildrenOnly)) {
    for (QWidget* widget : widgets) widget->removeEventFilter(filter);
  }
}

// Centred over `parent`, but whole on the parent's screen: a help window is wider than the
// main window, which may stand at the screen's edge.
void CentreOver(QWidget* dialog, QWidget* parent) {
  if (parent == nullptr) return;
  QRect place(QPoint(), dialog->size());
  place.moveCenter(parent->geometry().center());
  if (const QScreen* screen = parent->screen()) {
    const QRect room = screen->availableGeometry();
    place.moveLeft(std::max(room.left(), std::min(place.left(), room.right() + 1 - place.width())));
    place.moveTop(std::max(room.top(), std::min(place.top(), room.bottom() + 1 - place.height())));
  }
  dialog->move(place.topLeft());
}

}  // namespace

QFont SkinFont(const std::string& uiLanguage, int pixelSize) {
  const char* family = uiLanguage == "Korean"     ? "NanumGothic"
                       : uiLanguage == "Japanese" ? "IPAPGothic"
                                                  : "Liberation Sans";
  QFont font(QString::fromLatin1(family));
  font.setPixelSize(pixelSize);
  font.setStyleStrategy(QFont::PreferQuality);
  return font;
}

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QTranslator* LoadQtTranslations(QCoreApplication& app, const std::string& uiLanguage) {
  const char* code = uiLanguage == "Korean" ? "ko" : uiLanguage == "Japanese" ? "ja" : nullptr;
  if (code == nullptr) return nullptr;
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_%1").arg(QString::fromLatin1(code)),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

SkinComboBox::SkinComboBox(QWidget* parent, int dropWidth) : QComboBox(parent) {
  setStyleSheet(
      QStringLiteral("QComboBox { color: %1; background: %2; border: 1px solid rgb(96,96,96);"
                     " padding: 0 %3px 0 2px; }"
                     "QComboBox::drop-down { width: %3px; border: none; }"
                     "QComboBox::down-arrow { image: none; }"
                     "QComboBox QAbstractItemView { color: %1; background: %2;"
                     " selection-background-color: %4; }")
          .arg(Rgb(look::kText), Rgb(look::kGround))
          .arg(kArrowWidth)
          .arg(Rgb(look::kAccent)));
  view()->setMinimumWidth(dropWidth);
  view()->setTextElideMode(Qt::ElideNone);
  connect(this, &QComboBox::currentIndexChanged, this, [this] { UpdateTip(); });
  connect(model(), &QAbstractItemModel::dataChanged, this, [this] { UpdateTip(); });
}

void SkinComboBox::UpdateTip() {
  const QString text = currentText();
  const int room = width() - kArrowWidth - 4;
  setToolTip(fontMetrics().horizontalAdvance(text) > room ? text : QString());
}

void SkinComboBox::paintEvent(QPaintEvent* event) {
  QComboBox::paintEvent(event);
  UpdateTip();
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box(width() - kArrowWidth - 1, 1, kArrowWidth, height() - 2);
  p.setPen(QColor(96, 96, 96));
  p.drawLine(QPointF(box.left() + 0.5, box.top() + 2), QPointF(box.left() + 0.5, box.bottom() - 2));
  // A small downward triangle in the colour of the skin's edges.
  const QPointF c = box.center() + QPointF(0.5, 0.5);
  const QPointF arrow[3] = {c + QPointF(-3.5, -1.5), c + QPointF(3.5, -1.5), c + QPointF(0, 2.5)};
  p.setPen(Qt::NoPen);
  p.setBrush(isEnabled() ? look::kEdge : look::kRaised);
  p.drawPolygon(arrow, 3);
}

void StyleSkinMenu(QMenu& menu, const std::string& uiLanguage, QWidget* owner) {
  KeepDialogKeys(&menu, owner);
  menu.setFont(SkinFont(uiLanguage, 12));
  menu.setStyleSheet(
      QStringLiteral("QMenu { background: %1; color: %2; border: 1px solid %3;"
                     " padding: 2px; }"
                     "QMenu::item { padding: 3px 16px 3px 10px; }"
                     "QMenu::item:selected { background: %4; }")
          .arg(Rgb(look::kGround), Rgb(look::kText), Rgb(look::kEdge), Rgb(look::kAccent)));
}

void ShowSkinAbout(QWidget* parent, const QString& title, const QString& text, const QIcon& icon,
                   const std::string& uiLanguage) {
  QWidget* body = nullptr;
  QDialog* about = NewSkinDialog(parent, title, uiLanguage, &body);
  about->setAttribute(Qt::WA_DeleteOnClose);
  about->setWindowModality(Qt::ApplicationModal);
  about->setWindowIcon(icon);
  auto* layout = new QHBoxLayout(body);
  layout->setContentsMargins(16, 14, 20, 14);
  auto* picture = new QLabel(body);
  picture->setPixmap(icon.pixmap(32, 32));
  layout->addWidget(picture);
  layout->addSpacing(12);
  auto* words = new QLabel(text, body);
  words->setObjectName(QStringLiteral("aboutText"));
  words->setTextFormat(Qt::PlainText);
  layout->addWidget(words);
  KeepDialogKeys(about, parent);
  about->adjustSize();
  CentreOver(about, parent);
  about->exec();
}

QDialog* ShowHelpViewer(QWidget* parent, const QString& file, const QString& title,
                        const std::string& uiLanguage) {
  QFile page(file);
  if (!page.open(QIODevice::ReadOnly)) return nullptr;
  page.close();
  QWidget* body = nullptr;
  QDialog* viewer = NewSkinDialog(parent, title, uiLanguage, &body);
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(6, 6, 6, 6);
  auto* browser = new QTextBrowser(body);
  browser->setObjectName(QStringLiteral("helpBrowser"));
  browser->setOpenExternalLinks(false);
  browser->setOpenLinks(true);
  browser->setFont(SkinFont(uiLanguage, 13));
  // The page's own folder, so that its style sheet and pictures are found.
  browser->setSearchPaths({QFileInfo(file).absolutePath()});
  browser->setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
  layout->addWidget(browser);
  KeepDialogKeys(viewer, parent);
  viewer->resize(560, 520);
  CentreOver(viewer, parent);
  viewer->show();
  viewer->raise();
  return viewer;
}

}  // namespace tavo
