// SkinButton: an owner-painted push button showing a bitmap and an optional caption, flat by
// default, lighting up while the pointer is over it.
#pragma once

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <optional>
#include <string>

namespace tavo {

class SkinButton : public QPushButton {
  Q_OBJECT
 public:
  enum Align { kImageLeft = 0, kImageAbove = 1, kImageRight = 2 };

  explicit SkinButton(QWidget* parent = nullptr);
  explicit SkinButton(const QString& text, QWidget* parent = nullptr);

  // Loads `imageIn` from `fileIn` and `imageOut` from `fileOut` (skin files, case folded),
  // dropping earlier images, records the size of `imageIn` and repaints. Without `fileOut`, or
  // when it does not load, `imageOut` is `imageIn`. A file that does not load stores no image
  // (the button then draws only its caption and borders). Returns false when a named file failed.
  bool SetBitmaps(const std::string& fileIn, const std::string& fileOut = {});
  // The same from pictures already loaded.
  void SetImages(QImage imageIn, QImage imageOut = {});

  void SetDrawBorder(bool on, bool repaint = true);
  void SetFlat(bool on, bool repaint = true);
  // 0 image left of the caption, 1 above it, 2 right of it; other values are ignored.
  void SetAlign(int align, bool repaint = true);
  void SetShowText(bool on, bool repaint = true);
  void SetDrawFlatFocus(bool on, bool repaint = true);
  void SetDrawTransparent(bool on, bool repaint = true);
  // The cursor shown over the button; none restores the parent's.
  void SetButtonCursor(std::optional<QCursor> cursor);
  // Tool tip text; the tip is created on first use.
  void SetTooltipText(const QString& text);

  // Colours of the active (hovered or pressed) and inactive states.
  void SetActiveBgColour(const QColor& colour, bool repaint = true);
  void SetActiveFgColour(const QColor& colour, bool repaint = true);
  void SetInactiveBgColour(const QColor& colour, bool repaint = true);
  void SetInactiveFgColour(const QColor& colour, bool repaint = true);

  int align() const { return align_; }
  bool showText() const { return showText_; }
  bool drawBorder() const { return drawBorder_; }
  bool flat() const { return flat_; }
  bool mouseOnButton() const { return mouseOnButton_; }
  bool drawFlatFocus() const { return drawFlatFocus_; }
  bool drawTransparent() const { return drawTransparent_; }
  const std::optional<QCursor>& buttonCursor() const { return cursor_; }
  const QImage& imageIn() const { return imageIn_; }
  const QImage& imageOut() const { return imageOut_; }
  int imageWidth() const { return imageWidth_; }
  int imageHeight() const { return imageHeight_; }
  QColor activeBgColour() const { return activeBg_; }
  QColor activeFgColour() const { return activeFg_; }
  QColor inactiveBgColour() const { return inactiveBg_; }
  QColor inactiveFgColour() const { return inactiveFg_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Init();
  void SetMouseOnButton(bool on);
  void Repaint(bool repaint);

  int align_ = kImageLeft;
  bool showText_ = true;
  bool drawBorder_ = true;
  bool flat_ = true;
  bool mouseOnButton_ = false;
  bool drawFlatFocus_ = false;
  bool drawTransparent_ = false;
  std::optional<QCursor> cursor_;
  QColor activeBg_, activeFg_, inactiveBg_, inactiveFg_;
  QImage imageIn_, imageOut_;
  // Full sizes: a picture wider or taller than 255 pixels is placed correctly, not truncated.
  int imageWidth_ = 0;
  int imageHeight_ = 0;
  QPixmap parentBackground_;  // cached copy of the parent under the button (drawTransparent)
};

}  // namespace tavo
