// The preview window with the generated skins, headless: its geometry and video control per
// resolution, its face, the message when the face is missing, and its drag snapping onto the bar.
#include "previewwindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <memory>

#include "mail_test_folder.h"
#include "skinbitmap.h"
#include "skinfolder.h"

namespace tavo::preview {
namespace {

constexpr StringEntry kTestStrings[] = {
    {3000, "Korean", "English", "Japanese"},
    {3083, "미리보기 이미지 읽기 실패", "Preview Dalog image load failure",
     "プレビュー画像読み込み失敗"},
};

// The control bar's stand-in: reports its moves to the docking and carries the preview window
// where the docking says, as the program's bar does.
class TestBar final : public QWidget {
 public:
  explicit TestBar(PreviewDocking& docking)
      : QWidget(nullptr, Qt::FramelessWindowHint), docking_(docking) {
    setGeometry(docking.bar());
  }
  PreviewWindow* preview = nullptr;

 protected:
  void moveEvent(QMoveEvent*) override {
    for (const Placements& moves :
         {docking_.BarMoved(frameGeometry()), docking_.BarPositionChanged()}) {
      const auto& move = moves[static_cast<std::size_t>(Satellite::kPreview)];
      if (move && preview != nullptr) preview->PlaceAt(move->at);
    }
  }

 private:
  PreviewDocking& docking_;
};

struct PreviewRig {
  explicit PreviewRig(std::string programFolder = TAVO_PROGRAM_DIR)
      : programFolder(std::move(programFolder)) {
    docking.Start(screen, false);
    bar = std::make_unique<TestBar>(docking);
    bar->show();
    window =
        std::make_unique<PreviewWindow>(bar.get(), docking, this->programFolder, boxes, strings);
    bar->preview = window.get();
  }
  ~PreviewRig() {
    if (bar != nullptr) bar->preview = nullptr;
  }

  QImage Face(const char* file) const {
    QImage image;
    LoadSkinBitmap(SkinPath(programFolder, "English", "/Bg", file), image);
    return image.convertToFormat(QImage::Format_RGB32);
  }

  // Presses the left button at `local` in the window and drags the pointer by each step.
  void Drag(QPoint local, std::initializer_list<QPoint> steps) {
    QPoint global = window->pos() + local;
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window.get(), &press);
    for (const QPoint step : steps) {
      global += step;
      QMouseEvent move(QEvent::MouseMove, global - window->pos(), global, Qt::NoButton,
                       Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(window.get(), &move);
    }
    QMouseEvent release(QEvent::MouseButtonRelease, global - window->pos(), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &release);
  }

  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  std::string programFolder;
  PreviewDocking docking;
  RecordingMessageBoxes boxes;
  StringTable strings{kTestStrings, Language::English};
  std::unique_ptr<TestBar> bar;
  std::unique_ptr<PreviewWindow> window;
};

TEST(PreviewWindow, PlacesItsVideoControlForEachResolution) {
  PreviewRig rig;
  PreviewWindow& w = *rig.window;
  w.PlaceAt(rig.docking.PreviewPlace(rig.screen));
  EXPECT_EQ(w.geometry(), QRect(rig.screen.topLeft(), QSize(332, 276)));
  EXPECT_FALSE(w.videoControl()->isVisible());
  EXPECT_EQ(w.videoControl()->parentWidget(), &w);

  struct Case {
    int index;
    QSize window;
    QRect video;
  };
  for (const Case& c :
       {Case{3, {332, 276}, {86, 80, 160, 120}}, Case{2, {332, 276}, {6, 20, 320, 240}},
        Case{7, {332, 276}, {6, 20, 320, 240}}, Case{1, {664, 516}, {12, 20, 640, 480}},
        Case{2, {332, 276}, {6, 20, 320, 240}}}) {
    SCOPED_TRACE(c.index);
    w.SetResolution(c.index);
    EXPECT_EQ(w.size(), c.window);
    EXPECT_EQ(w.videoControl()->geometry(), c.video);
    EXPECT_EQ(rig.docking.wide(), c.index == 1);
    EXPECT_EQ(rig.docking.state(Satellite::kPreview).rect.size(), c.window);
  }
}

TEST(PreviewWindow, TheWideWindowTakesTheScreensCornerAndTheBarStepsOutFromUnderIt) {
  PreviewRig rig;
  PreviewWindow& w = *rig.window;
  w.PlaceAt(rig.docking.PreviewPlace(rig.screen));
  ASSERT_EQ(rig.docking.state(Satellite::kPreview).dock, DockState::kAboveBar);
  w.SetResolution(1);
  EXPECT_EQ(w.geometry(), QRect(rig.screen.topLeft(), QSize(664, 516)));
  EXPECT_EQ(rig.docking.state(Satellite::kPreview).dock, DockState::kFree);
  EXPECT_FALSE(rig.bar->frameGeometry().intersects(w.geometry()));
  EXPECT_EQ(rig.bar->pos().y(), rig.screen.top() + 516);
  // The docking saw the bar's move, and the wide window did not follow it.
  EXPECT_EQ(rig.docking.bar(), rig.bar->frameGeometry());
  EXPECT_EQ(w.pos(), rig.screen.topLeft());
}

TEST(PreviewWindow, PaintsTheFaceOfTheResolution) {
  PreviewRig rig;
  PreviewWindow& w = *rig.window;
  EXPECT_TRUE(w.faceLoaded());
  EXPECT_TRUE(rig.boxes.boxes.empty());
  for (const int index : {2, 1}) {
    SCOPED_TRACE(index);
    w.SetResolution(index);
    const QImage face = rig.Face(index == 1 ? "/viewer_bg_640.bmp" : "/viewer_bg.bmp");
    ASSERT_EQ(face.size(), w.size());
    const QImage shot = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), face.size());
    EXPECT_EQ(shot, face);
  }
  // The video control covers its part of the face in black until the renderer draws.
  w.SetResolution(2);
  w.videoControl()->show();
  const QImage shot = w.grab().toImage();
  EXPECT_EQ(shot.pixelColor(166, 140), QColor(Qt::black));
  EXPECT_EQ(shot.pixelColor(2, 2), rig.Face("/viewer_bg.bmp").pixelColor(2, 2));
}

TEST(PreviewWindow, AMissingFaceIsReportedOnceAndTheWindowStays) {
  testing::MailTestFolder empty;
  PreviewRig rig(empty.path().string());
  ASSERT_EQ(rig.boxes.boxes.size(), 1u);
  EXPECT_EQ(rig.boxes.boxes[0].text, "Preview Dalog image load failure");
  EXPECT_FALSE(rig.window->faceLoaded());
  rig.window->SetResolution(1);
  rig.window->PlaceAt(rig.screen.topLeft());
  EXPECT_TRUE(rig.window->isVisible());
  const QImage shot = rig.window->grab().toImage();
  EXPECT_EQ(shot.size(), QSize(664, 516));
  EXPECT_EQ(shot.pixelColor(663, 515), QColor(Qt::black));
}

TEST(PreviewWindow, DraggedNearTheBarItSnapsOntoItsTopAndFollowsItThen) {
  PreviewRig rig;
  PreviewWindow& w = *rig.window;
  const QRect bar = rig.bar->frameGeometry();
  w.PlaceAt(rig.docking.PreviewPlace(rig.screen));

  // Away from the bar: free, where the pointer put it.
  rig.Drag({50, 50}, {{40, 20}, {200, 150}});
  EXPECT_EQ(w.pos(), bar.topLeft() + QPoint(240, -276 + 170));
  EXPECT_EQ(rig.docking.state(Satellite::kPreview).dock, DockState::kFree);
  EXPECT_EQ(rig.docking.state(Satellite::kPreview).rect, w.geometry());

  // Back to 10 right of the bar's left and 8 below the docking line: it snaps and aligns.
  rig.Drag({50, 50}, {{-100, -50}, {-130, -112}});
  EXPECT_EQ(w.pos(), bar.topLeft() + QPoint(0, -276));
  EXPECT_EQ(rig.docking.state(Satellite::kPreview).dock, DockState::kAboveBar);

  // Docked, it goes with the bar.
  rig.bar->move(bar.topLeft() + QPoint(30, 40));
  EXPECT_EQ(w.pos(), bar.topLeft() + QPoint(30, 40 - 276));

  // A move the window system makes is tested the same way.
  w.move(w.pos() + QPoint(-400, 0));
  EXPECT_EQ(rig.docking.state(Satellite::kPreview).dock, DockState::kFree);
  w.move(bar.topLeft() + QPoint(30 + 20, 40 - 276 - 8));
  EXPECT_EQ(w.pos(), bar.topLeft() + QPoint(50, 40 - 276));
  EXPECT_EQ(rig.docking.state(Satellite::kPreview).dock, DockState::kAboveBar);
}

}  // namespace
}  // namespace tavo::preview
