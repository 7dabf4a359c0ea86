#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "bmpbuilder.h"
#include "skinbutton.h"
#include "skincolour.h"
#include "skinslider.h"

namespace tavo {
namespace {

TEST(SkinColour, LightenAndDarkenLeaveOverflowingChannelsAlone) {
  EXPECT_EQ(Lighten(QColor(148, 150, 148), 51), QColor(199, 201, 199));
  EXPECT_EQ(Lighten(QColor(236, 233, 216), 51), QColor(236, 233, 216));
  EXPECT_EQ(Lighten(QColor(204, 205, 0), 51), QColor(255, 205, 51));
  EXPECT_EQ(Darken(QColor(40, 100, 200), 51), QColor(40, 49, 149));
  EXPECT_EQ(Darken(QColor(51, 50, 0), 51), QColor(0, 50, 0));
}

TEST(SkinColour, BlendFloorsTowardsTheLowerValue) {
  EXPECT_EQ(Blend(QColor(0, 10, 255), QColor(255, 11, 0)), QColor(127, 10, 127));
  EXPECT_EQ(Blend(QColor(212, 208, 200), QColor(128, 128, 128)), QColor(170, 168, 164));
  EXPECT_EQ(Blend(QColor(5, 5, 5), QColor(0, 0, 0)), QColor(2, 2, 2));
}

TEST(SkinSlider, ShadesFollowTheThumbColourAndDefaultsFollowThePalette) {
  SkinSlider slider;
  EXPECT_EQ(slider.thumbColour(), slider.palette().color(QPalette::Button));
  EXPECT_EQ(slider.channelColour(), slider.palette().color(QPalette::Base));
  EXPECT_EQ(slider.selectionColour(), slider.palette().color(QPalette::Highlight));

  const QColor grey(148, 150, 148);
  slider.SetThumbColour(grey);
  slider.SetSelectionColour(grey);
  slider.SetChannelColour(grey);
  const auto& s = slider.shades();
  EXPECT_EQ(s.thumb, grey);
  EXPECT_EQ(s.light1, QColor(199, 201, 199));
  EXPECT_EQ(s.light2, QColor(250, 252, 250));
  EXPECT_EQ(s.dark1, QColor(97, 99, 97));
  EXPECT_EQ(s.dark2, QColor(46, 48, 46));
  const QPalette& pal = slider.palette();
  EXPECT_EQ(s.faceShadow, Blend(pal.color(QPalette::Button), pal.color(QPalette::Dark)));
  EXPECT_EQ(s.shadowDark, Blend(pal.color(QPalette::Dark), pal.color(QPalette::Shadow)));
}

QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

TEST(SkinSlider, DrawsChannelSelectionAndAThumbThatDarkensWhilePressed) {
  SkinSlider slider;
  slider.resize(200, 21);
  slider.setRange(0, 100);
  slider.setValue(80);
  const QColor thumb(148, 150, 148), channel(10, 120, 10), selection(200, 20, 20);
  slider.SetThumbColour(thumb);
  slider.SetSelectionColour(selection);
  slider.SetChannelColour(channel);
  slider.SetSelection(10, 40);

  const QRect c = slider.ChannelRect();
  const QRect t = slider.ThumbRect();
  ASSERT_GT(t.height(), t.width());
  const int selectionX = c.left() + (c.width() - 1) * 25 / 100;
  const int plainX = c.left() + (c.width() - 1) * 60 / 100;
  QImage image = Grab(slider);
  EXPECT_EQ(image.pixelColor(selectionX, c.center().y()), selection);
  EXPECT_EQ(image.pixelColor(plainX, c.bottom() - 1), channel);
  const QPoint face(t.center().x() + 3, t.top() + 3);  // right of the grip
  EXPECT_EQ(image.pixelColor(face), thumb);
  EXPECT_EQ(image.pixelColor(t.left() + 1, t.top() + 6), Lighten(thumb, 51));  // grip

  // Pressing the thumb darkens it for the drawing only.
  QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, t.center());
  ASSERT_TRUE(slider.isSliderDown());
  EXPECT_EQ(Grab(slider).pixelColor(face), Darken(thumb, 51));
  QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, t.center());
  EXPECT_EQ(Grab(slider).pixelColor(face), thumb);
  EXPECT_EQ(slider.shades().thumb, thumb);

  // No selection drawn once start is not below end.
  slider.SetSelection(40, 10);
  EXPECT_EQ(Grab(slider).pixelColor(selectionX, c.bottom() - 1), channel);
}

TEST(SkinSlider, DraggingTheThumbAndPagingFromTheChannelMoveTheValue) {
  SkinSlider slider;
  slider.resize(200, 21);
  slider.setRange(0, 100);
  slider.setPageStep(10);
  slider.setValue(50);
  const QRect c = slider.ChannelRect();
  QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, slider.ThumbRect().center());
  QMouseEvent move(QEvent::MouseMove, QPointF(c.right(), 10),
                   slider.mapToGlobal(QPointF(c.right(), 10)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&slider, &move);
  QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, {c.right(), 10});
  EXPECT_EQ(slider.value(), 100);

  QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, {c.left() + 2, 10});
  EXPECT_EQ(slider.value(), 90);
}

TEST(SkinSlider, VerticalAndTickedThumbsStayInsideTheWidget) {
  for (auto ticks :
       {QSlider::NoTicks, QSlider::TicksAbove, QSlider::TicksBelow, QSlider::TicksBothSides}) {
    for (auto orientation : {Qt::Horizontal, Qt::Vertical}) {
      SkinSlider slider(orientation);
      slider.setTickPosition(ticks);
      slider.resize(slider.sizeHint());
      slider.setRange(0, 10);
      for (int v : {0, 10}) {
        slider.setValue(v);
        EXPECT_TRUE(slider.rect().contains(slider.ThumbRect())) << ticks << " " << orientation;
      }
      EXPECT_FALSE(Grab(slider).isNull());
    }
  }
}

// A flat button with a 20 x 10 image and no caption, in an active window.
struct ButtonFixture {
  QWidget window;
  SkinButton* button = new SkinButton(&window);
  QWidget* other = new QWidget(&window);

  ButtonFixture() {
    QImage in(20, 10, QImage::Format_RGB32);
    in.fill(Qt::red);
    QImage out(20, 10, QImage::Format_RGB32);
    out.fill(Qt::blue);
    button->SetImages(in, out);
    button->SetShowText(false);
    button->setGeometry(10, 10, 54, 15);
    other->setGeometry(80, 10, 20, 20);
    window.resize(120, 40);
    window.show();
    window.activateWindow();
  }
  void Move(QWidget* target, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(QEvent::MouseMove, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::NoButton,
                  held, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
  }
};

TEST(SkinButton, FlatButtonLightsOnHoverButNotWhenEnteredWithTheLeftButtonHeld) {
  ButtonFixture f;
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.window));

  f.Move(f.button, {5, 5}, Qt::LeftButton);
  EXPECT_FALSE(f.button->mouseOnButton());

  f.Move(f.button, {5, 5}, Qt::NoButton);
  EXPECT_TRUE(f.button->mouseOnButton());
  EXPECT_TRUE(f.button->hasFocus());

  // Off the button (the pointer is over another control): the light goes out.
  f.Move(f.button, {70, 5}, Qt::NoButton);
  EXPECT_FALSE(f.button->mouseOnButton());

  f.Move(f.button, {5, 5}, Qt::NoButton);
  f.other->setFocusPolicy(Qt::StrongFocus);
  f.other->setFocus();
  EXPECT_FALSE(f.button->mouseOnButton());
}

TEST(SkinButton, ImageIsCentredMovesWhenPressedAndDisabledShowsImageOut) {
  ButtonFixture f;
  f.button->SetDrawBorder(false);
  // 54 x 15 with a 20 x 10 image and no caption: image at (17, 2).
  QImage image = Grab(*f.button);
  EXPECT_EQ(image.pixelColor(17, 2), QColor(Qt::red));
  EXPECT_NE(image.pixelColor(16, 2), QColor(Qt::red));
  EXPECT_EQ(image.pixelColor(36, 11), QColor(Qt::red));

  f.button->setDown(true);
  image = Grab(*f.button);
  EXPECT_NE(image.pixelColor(17, 2), QColor(Qt::red));
  EXPECT_EQ(image.pixelColor(18, 3), QColor(Qt::red));
  EXPECT_EQ(image.pixelColor(37, 12), QColor(Qt::red));
  f.button->setDown(false);

  f.button->setEnabled(false);
  EXPECT_EQ(Grab(*f.button).pixelColor(17, 2), QColor(Qt::blue));
}

TEST(SkinButton, SetBitmapsLoadsFilesAndFallsBackToTheFirstImage) {
  test::TempFolder folder;
  const auto in = folder.path() / "save_up.bmp";
  test::WriteFile(in, test::SolidBmp24(54, 15, 0, 200, 0));
  SkinButton button;
  EXPECT_TRUE(button.SetBitmaps(in.string(), in.string()));
  EXPECT_EQ(button.imageWidth(), 54);
  EXPECT_EQ(button.imageHeight(), 15);
  EXPECT_TRUE(button.SetBitmaps((folder.path() / "SAVE_UP.BMP").string()));
  EXPECT_EQ(button.imageOut(), button.imageIn());

  EXPECT_FALSE(button.SetBitmaps((folder.path() / "none.bmp").string()));
  EXPECT_TRUE(button.imageIn().isNull());
  EXPECT_EQ(button.imageWidth(), 0);
  // Wider than 255 pixels: the real size is kept, not an 8-bit remainder.
  test::WriteFile(in, test::SolidBmp24(300, 2, 1, 1, 1));
  EXPECT_TRUE(button.SetBitmaps(in.string()));
  EXPECT_EQ(button.imageWidth(), 300);
}

TEST(SkinButton, DefaultsAndSetters) {
  QWidget parent;
  SkinButton& button = *new SkinButton(&parent);
  EXPECT_EQ(button.align(), 0);
  EXPECT_TRUE(button.showText());
  EXPECT_TRUE(button.drawBorder());
  EXPECT_TRUE(button.flat());
  EXPECT_FALSE(button.mouseOnButton());
  EXPECT_FALSE(button.drawFlatFocus());
  EXPECT_FALSE(button.drawTransparent());
  EXPECT_FALSE(button.buttonCursor().has_value());
  EXPECT_EQ(button.activeBgColour(), button.palette().color(QPalette::Button));
  EXPECT_EQ(button.inactiveFgColour(), button.palette().color(QPalette::ButtonText));
  button.SetAlign(2);
  button.SetAlign(7);
  EXPECT_EQ(button.align(), 2);
  button.SetButtonCursor(QCursor(Qt::PointingHandCursor));
  EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
  button.SetButtonCursor(std::nullopt);
  EXPECT_FALSE(button.testAttribute(Qt::WA_SetCursor));
}

}  // namespace
}  // namespace tavo
