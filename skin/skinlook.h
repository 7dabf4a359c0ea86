// The look both programs share beyond their skin pictures: the faces of text in each language,
// Qt's own translations for its dialogs, and the small windows drawn in the skin's style (the
// About box, the context menu, the help viewer used when the desktop cannot open a help page).
#pragma once

#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QIcon>
#include <QString>
#include <string>

class QCoreApplication;
class QDialog;
class QMenu;
class QTextBrowser;
class QTranslator;
class QWidget;

namespace tavo {

namespace look {
inline constexpr QColor kGround(42, 41, 41);      // fields, wells, dialogs
inline constexpr QColor kRaised(82, 82, 82);      // frames and title bars
inline constexpr QColor kEdge(148, 150, 148);     // outlines
inline constexpr QColor kText(255, 255, 255);     // text on the dark ground
inline constexpr QColor kTextDim(176, 178, 176);  // prompts and disabled text, still readable
inline constexpr QColor kAccent(110, 60, 140);    // selection
}  // namespace look

// The proportional face that draws `uiLanguage` ("Korean", "Japanese", else English) in full,
// at `pixelSize`: NanumGothic, IPAPGothic, Liberation Sans.
QFont SkinFont(const std::string& uiLanguage, int pixelSize);

// WCAG contrast ratio of two colours (1 to 21); 4.5 is the least for small text.
double ContrastRatio(const QColor& a, const QColor& b);

// Installs Qt's own translation of its dialogs (buttons of message boxes, file dialogs) for
// `uiLanguage` from Qt's translations folder. Returns the installed translator (owned by `app`),
// or nullptr for English (nothing to load) and when the translation is not installed; the
// dialogs then stay in English.
QTranslator* LoadQtTranslations(QCoreApplication& app, const std::string& uiLanguage);

// A drop-down list in the skin's colours that shows it opens: an arrow in the skin's style at its
// right, and its whole current text in a tooltip and in the open list when the field is too
// narrow for it.
class SkinComboBox final : public QComboBox {
 public:
  // The open list is at least `dropWidth` wide.
  SkinComboBox(QWidget* parent, int dropWidth);
  // The width the arrow takes at the right.
  static constexpr int kArrowWidth = 11;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void UpdateTip();
};

// A context menu in the skin's colours and face. A skinned `owner` swallows Enter and Escape for
// its children; the menu, a window of its own, keeps them, so that Enter chooses an item.
void StyleSkinMenu(QMenu& menu, const std::string& uiLanguage, QWidget* owner = nullptr);

// The About box, frameless in the skin's style: a title bar that drags it, icon, text and a
// close control that works without a window manager; modal, returns when closed.
void ShowSkinAbout(QWidget* parent, const QString& title, const QString& text, const QIcon& icon,
                   const std::string& uiLanguage);

// Shows the help page `file` in a window of our own, for desktops without a handler for HTML.
// The same frame as the About box, not modal. Returns the window (deleted when closed), or
// nullptr when the file cannot be read.
QDialog* ShowHelpViewer(QWidget* parent, const QString& file, const QString& title,
                        const std::string& uiLanguage);

}  // namespace tavo
