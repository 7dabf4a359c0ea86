#include "paintedbuttons.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>

namespace tavo {
namespace {

using Face = PaintedButtons::Face;

QImage Solid(int w, int h, QColor c) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(c);
  return image;
}

// Three buttons side by side; button 3 (a close button) has no hover face.
struct Fixture {
  std::vector<QRect> invalidated;
  PaintedButtons buttons{[this](const QRect& r) { invalidated.push_back(r); }};

  Fixture() {
    buttons.Add({1,
                 QRect(QPoint(10, 10), QPoint(19, 19)),
                 {10, 10},
                 QRect(9, 9, 12, 12),
                 Solid(10, 10, Qt::yellow),
                 Solid(10, 10, Qt::red)});
    buttons.Add({2,
                 QRect(QPoint(20, 10), QPoint(29, 19)),
                 {20, 10},
                 {},
                 Solid(10, 10, Qt::yellow),
                 Solid(10, 10, Qt::red)});
    buttons.Add(
        {3, QRect(QPoint(40, 10), QPoint(44, 14)), {40, 10}, {}, QImage(), Solid(5, 5, Qt::red)});
  }
  bool Move(int x, int y, Qt::MouseButtons b = Qt::NoButton,
            Qt::KeyboardModifiers m = Qt::NoModifier) {
    return buttons.MouseMove({x, y}, b, m);
  }
};

TEST(PaintedButtons, HoverMovesOntoAnotherButtonAndLeavesAll) {
  Fixture f;
  EXPECT_FALSE(f.Move(0, 0));  // nothing hovered: the window's other areas get the move
  EXPECT_TRUE(f.Move(15, 15));
  EXPECT_TRUE(f.buttons.hovering());
  EXPECT_EQ(f.buttons.hoveredId(), 1);
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Hover);

  // Straight onto the neighbour: it lights up, the first keeps its face for now.
  f.invalidated.clear();
  EXPECT_TRUE(f.Move(20, 15));
  EXPECT_EQ(f.buttons.hoveredId(), 2);
  EXPECT_EQ(f.buttons.ShownFace(2), Face::Hover);
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Hover);
  ASSERT_EQ(f.invalidated.size(), 1u);
  EXPECT_EQ(f.invalidated[0], QRect(20, 10, 10, 10));

  // Off every button: the move is taken once, all faces return, the repaint areas are redrawn.
  f.invalidated.clear();
  EXPECT_TRUE(f.Move(35, 35));
  EXPECT_FALSE(f.buttons.hovering());
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Normal);
  EXPECT_EQ(f.buttons.ShownFace(2), Face::Normal);
  ASSERT_EQ(f.invalidated.size(), 2u);
  EXPECT_EQ(f.invalidated[0], QRect(9, 9, 12, 12));
  EXPECT_FALSE(f.Move(36, 35));
}

TEST(PaintedButtons, PressedFaceOnlyWithTheLeftButtonAlone) {
  Fixture f;
  f.Move(15, 15, Qt::LeftButton);
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Pressed);
  f.Move(15, 15, Qt::LeftButton | Qt::RightButton);
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Hover);
  f.Move(15, 15, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Hover);
  f.Move(15, 15, Qt::LeftButton, Qt::AltModifier);  // Alt is no key flag of a move
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Pressed);
}

TEST(PaintedButtons, ButtonsWithoutHoverFaceShowNothingUntilPressed) {
  Fixture f;
  f.invalidated.clear();
  EXPECT_TRUE(f.Move(42, 12));
  EXPECT_EQ(f.buttons.hoveredId(), 3);
  EXPECT_EQ(f.buttons.ShownFace(3), Face::Normal);
  EXPECT_TRUE(f.invalidated.empty());
  f.Move(42, 12, Qt::LeftButton);
  EXPECT_EQ(f.buttons.ShownFace(3), Face::Pressed);
}

TEST(PaintedButtons, ReleaseRunsOnlyTheButtonThatWasPressed) {
  Fixture f;
  EXPECT_EQ(f.buttons.Press({12, 12}), 1);
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Pressed);
  EXPECT_EQ(f.buttons.Release({12, 12}), 1);

  // Pressed on 1, released on 2: no command runs, both return to normal.
  f.buttons.Press({12, 12});
  f.Move(25, 12, Qt::LeftButton);
  EXPECT_EQ(f.buttons.ShownFace(2), Face::Pressed);
  EXPECT_EQ(f.buttons.Release({25, 12}), 0);
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Normal);
  EXPECT_EQ(f.buttons.ShownFace(2), Face::Normal);

  // A press on no button, released on one, runs nothing either.
  EXPECT_EQ(f.buttons.Press({0, 0}), 0);
  EXPECT_EQ(f.buttons.Release({12, 12}), 0);
}

TEST(PaintedButtons, AReleaseAreaWiderThanTheHitAreaRunsTheCommand) {
  Fixture f;
  PaintedButton wide;
  wide.id = 4;
  wide.hitArea = QRect(QPoint(52, 12), QPoint(57, 17));
  wide.releaseArea = QRect(QPoint(50, 10), QPoint(59, 19));
  wide.facePosition = {51, 11};
  wide.pressedFace = Solid(8, 8, Qt::red);
  f.buttons.Add(wide);

  // Presses and hovers keep to the hit area: the ring around it drags the window.
  EXPECT_EQ(f.buttons.Press({50, 10}), 0);
  EXPECT_EQ(f.buttons.Release({50, 10}), 0);
  EXPECT_EQ(f.buttons.ButtonAt({51, 11}), 0);
  // A press inside, released in the ring: the command runs.
  EXPECT_EQ(f.buttons.Press({55, 15}), 4);
  EXPECT_EQ(f.buttons.Release({50, 19}), 4);
  // Released just outside the ring: nothing runs and the face returns.
  EXPECT_EQ(f.buttons.Press({55, 15}), 4);
  EXPECT_EQ(f.buttons.Release({60, 15}), 0);
  EXPECT_EQ(f.buttons.ShownFace(4), Face::Normal);
  // An inactive button takes no release either.
  EXPECT_EQ(f.buttons.Press({55, 15}), 4);
  f.buttons.SetActive(4, false);
  EXPECT_EQ(f.buttons.Release({55, 15}), 0);
}

TEST(PaintedButtons, InactiveButtonsAreNotTested) {
  Fixture f;
  f.Move(15, 15);
  f.buttons.SetActive(1, false);
  EXPECT_FALSE(f.buttons.hovering());
  EXPECT_EQ(f.buttons.ShownFace(1), Face::Normal);
  EXPECT_EQ(f.buttons.ButtonAt({15, 15}), 0);
  EXPECT_EQ(f.buttons.Press({15, 15}), 0);
  f.buttons.SetActive(1, true);
  EXPECT_EQ(f.buttons.ButtonAt({15, 15}), 1);
  // Hit areas are inclusive on both ends.
  EXPECT_EQ(f.buttons.ButtonAt({19, 19}), 1);
  EXPECT_EQ(f.buttons.ButtonAt({20, 19}), 2);
}

TEST(PaintedButtons, PaintDrawsTheShownFacesOverTheBackground) {
  Fixture f;
  QImage canvas = Solid(50, 30, Qt::blue);
  f.Move(15, 15);
  f.buttons.Press({42, 12});
  {
    QPainter p(&canvas);
    f.buttons.Paint(p);
  }
  EXPECT_EQ(canvas.pixel(10, 10), QColor(Qt::yellow).rgb());
  EXPECT_EQ(canvas.pixel(44, 14), QColor(Qt::red).rgb());
  EXPECT_EQ(canvas.pixel(25, 15), QColor(Qt::blue).rgb());
}

// A window of two buttons that records the clicks it is asked to run.
class TestWindow : public SkinWindow {
 public:
  TestWindow() {
    SetBackground(Solid(100, 60, Qt::darkGray));
    resize(100, 60);
    buttons().Add({1,
                   QRect(10, 10, 10, 10),
                   {10, 10},
                   {},
                   Solid(10, 10, Qt::yellow),
                   Solid(10, 10, Qt::red)});
  }
  std::vector<int> clicks;
  bool areaTakesPresses = false;

 protected:
  void ButtonClicked(int id) override {
    clicks.push_back(id);
    buttons().RestoreFace(id);
  }
  bool AreaPress(QMouseEvent*) override { return areaTakesPresses; }
};

TEST(SkinWindow, ClickRunsTheButtonAndAPressElsewhereDragsTheWindow) {
  TestWindow w;
  w.move(200, 200);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

  QTest::mouseMove(&w, {15, 15});
  QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, {15, 15});
  EXPECT_EQ(w.clicks, std::vector<int>{1});
  EXPECT_EQ(w.buttons().ShownFace(1), PaintedButtons::Face::Normal);

  // No window manager here: the window follows the pointer by hand.
  const QPoint start = w.pos();
  QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, {50, 40});
  QMouseEvent move(QEvent::MouseMove, QPointF(60, 45), w.mapToGlobal(QPointF(60, 45)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &move);
  QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, {60, 45});
  EXPECT_EQ(w.pos(), start + QPoint(10, 5));
  EXPECT_EQ(w.clicks.size(), 1u);

  // An active area that takes the press keeps the window still.
  w.areaTakesPresses = true;
  const QPoint still = w.pos();
  QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, {50, 40});
  QApplication::sendEvent(&w, &move);
  QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, {60, 45});
  EXPECT_EQ(w.pos(), still);
}

TEST(SkinWindow, EnterAndEscapeAreSwallowedForTheWindowAndItsChildren) {
  TestWindow w;
  auto* edit = new QLineEdit(&w);  // added after the filter was installed
  int returns = 0;
  QObject::connect(edit, &QLineEdit::returnPressed, [&] { ++returns; });
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_Enter);
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(returns, 0);
  EXPECT_TRUE(w.isVisible());
  QTest::keyClick(edit, Qt::Key_A);
  EXPECT_EQ(edit->text(), "a");
}

TEST(SkinWindow, ADialogOwnedByTheWindowKeepsEnterAndEscape) {
  TestWindow w;
  w.show();
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    QDialog dialog(&w);  // a file dialog or a box the window owns
    auto* name = new QLineEdit(&dialog);
    auto* save = new QPushButton(QStringLiteral("Save"), &dialog);
    save->setDefault(true);
    QObject::connect(save, &QPushButton::clicked, &dialog, &QDialog::accept);
    dialog.show();
    QTest::keyClick(name, key);
    EXPECT_EQ(dialog.result(), key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible()) << key;
  }
  EXPECT_TRUE(w.isVisible());
}

}  // namespace
}  // namespace tavo
