// SkinSlider: a slider that draws its own channel and thumb in three colours and the shades
// derived from them; tick marks are left to the style.
#pragma once

#include <QColor>
#include <QPen>
#include <QSlider>

namespace tavo {

class SkinSlider : public QSlider {
  Q_OBJECT
 public:
  explicit SkinSlider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

  // Setting the thumb or selection colour recomputes shades and pens and repaints at once;
  // setting the channel colour recomputes them without repainting.
  void SetThumbColour(const QColor& colour);
  void SetSelectionColour(const QColor& colour);
  void SetChannelColour(const QColor& colour);

  // The selected range drawn in the channel; drawn only while start < end.
  void SetSelection(int start, int end);
  void ClearSelection();

  // The channel's thickness across the slider; its outline is drawn only above 3 pixels.
  void SetChannelThickness(int pixels);

  QColor thumbColour() const { return thumbColour_; }
  QColor channelColour() const { return channelColour_; }
  QColor selectionColour() const { return selectionColour_; }
  int selectionStart() const { return selectionStart_; }
  int selectionEnd() const { return selectionEnd_; }

  // The derived shades and blends, in the order of the pens.
  struct Shades {
    QColor thumb, light1, light2, dark1, dark2, shadowDark, faceShadow, highlight;
  };
  const Shades& shades() const { return shades_; }

  // Thumb and channel rectangles in widget coordinates.
  QRect ThumbRect() const;
  QRect ChannelRect() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Shades and pens of `thumb` and the current system colours.
  Shades ComputeShades(const QColor& thumb) const;
  void UpdateShades();
  // Geometry in the horizontal frame; vertical sliders are drawn transposed.
  int Length() const;
  int Across() const;
  QRect HorizontalThumb() const;
  QRect HorizontalChannel() const;
  int ValueAt(int along) const;
  void DrawChannel(QPainter& p) const;
  void DrawThumb(QPainter& p) const;

  QColor selectionColour_;
  QColor channelColour_;
  QColor thumbColour_;
  Shades shades_;
  int selectionStart_ = 0;
  int selectionEnd_ = 0;
  int channelThickness_ = 4;
  int dragOffset_ = 0;
};

}  // namespace tavo
