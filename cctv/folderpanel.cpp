#include "folderpanel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "docking.h"
#include "recordingstore.h"
#include "skinbitmap.h"
#include "skinfolder.h"
#include "skinlook.h"

namespace tavo::cctv {

namespace {

const QRect kTreeArea(6, 22, 152, 238);
const QRect kDateCaption(70, 364, 80, 14);
const QRect kTimeCaption(70, 379, 80, 14);
const QRect kDeleteButton(116, 292, 36, 38);
const QPoint kTreeColourAt(50, 310);
const QColor kCaptionBack(82, 82, 82);
const QColor kText(255, 255, 255);
// The selection bar of the dark lists of the main window.
const QColor kSelection(110, 60, 140);
const QColor kPlainBack(42, 41, 41);

// A 16 x 16 folder, open (the selected item's) or closed.
QPixmap FolderPixmap(bool open) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(150, 110, 20), 1));
  // The back with its tab.
  QPainterPath back;
  back.moveTo(1.5, 3.5);
  back.lineTo(6.5, 3.5);
  back.lineTo(7.5, 5.0);
  back.lineTo(14.5, 5.0);
  back.lineTo(14.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  p.setBrush(QColor(224, 172, 48));
  p.drawPath(back);
  QPainterPath front;
  if (open) {
    // The front leans forward, showing the inside.
    front.moveTo(3.5, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(13.5, 13.5);
    front.lineTo(1.5, 13.5);
    p.setBrush(QColor(255, 222, 120));
  } else {
    front.moveTo(1.5, 6.5);
    front.lineTo(14.5, 6.5);
    front.lineTo(14.5, 13.5);
    front.lineTo(1.5, 13.5);
    p.setBrush(QColor(250, 204, 84));
  }
  front.closeSubpath();
  p.drawPath(front);
  p.end();
  return pixmap;
}

}  // namespace

FolderPanel::FolderPanel(QWidget* owner, const std::string& programFolder,
                         const std::string& uiLanguage, Shell& shell,
                         std::function<void(const std::string&)> showFolder)
    : SatelliteWindow(owner, Qt::Tool),
      model_(ImageRootOf(ProgramFolderFrom(programFolder)), shell, showFolder),
      timers_(this, [this](int id) {
        if (id == kSlideTimer) SlideTick();
      }) {
  setFixedSize(kFolderPanelWidth, kFolderPanelHeight);

  // Background, pressed and focused button, in this order; the first failure ends the loading.
  const std::pair<const char*, const char*> files[] = {
      {"/Bg", "/JpgViewer_bg.bmp"},
      {"/JgpViewer", "/Delete_Forder_Down.bmp"},
      {"/JgpViewer", "/Delete_Forder_Foc.bmp"},
  };
  QImage pictures[3];
  for (const auto& [folder, file] : files) {
    if (!LoadSkinBitmap(SkinPath(programFolder, uiLanguage, folder, file),
                        pictures[picturesLoaded_])) {
      break;
    }
    ++picturesLoaded_;
  }
  if (picturesLoaded_ > 0) {
    SetBackground(pictures[0]);
  } else {
    // The window paints opaquely; without its picture it shows a plain face, not garbage.
    QImage plain(kFolderPanelWidth, kFolderPanelHeight, QImage::Format_RGB32);
    plain.fill(kPlainBack);
    SetBackground(std::move(plain));
  }

  PaintedButton button;
  button.id = kButtonDelete;
  button.hitArea = kDeleteButton;
  button.facePosition = kDeleteButton.topLeft();
  button.repaintArea = kDeleteButton;
  button.pressedFace = pictures[1];
  button.hoverFace = pictures[2];
  buttons().Add(std::move(button));

  ChooseFonts(uiLanguage);
  BuildTree(picturesLoaded_ > 0 ? pictures[0] : QImage());
  BuildCaptions();

  // The viewer starts on its placeholder.
  if (showFolder) showFolder("");
}

FolderPanel::~FolderPanel() = default;

void FolderPanel::BuildTree(const QImage& background) {
  folderIcon_ = QIcon();
  folderIcon_.addPixmap(FolderPixmap(false), QIcon::Normal);
  folderIcon_.addPixmap(FolderPixmap(true), QIcon::Selected);

  tree_ = new QTreeWidget(this);
  tree_->setGeometry(kTreeArea);
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(false);
  tree_->setColumnCount(1);
  tree_->setIconSize(QSize(16, 16));
  tree_->setUniformRowHeights(true);
  tree_->setFont(treeFont_);
  tree_->setFrameShape(QFrame::NoFrame);  // the background picture draws the frame
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  // Names wider than the tree scroll sideways rather than being cut short.
  tree_->setTextElideMode(Qt::ElideNone);
  tree_->header()->setStretchLastSection(false);
  tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  if (!background.isNull() && background.valid(kTreeColourAt)) {
    const QColor back = background.pixelColor(kTreeColourAt);
    QPalette palette = tree_->palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::AlternateBase}) {
      palette.setColor(role, back);
    }
    palette.setColor(QPalette::Text, kText);
    palette.setColor(QPalette::WindowText, kText);
    palette.setColor(QPalette::Highlight, kSelection);
    palette.setColor(QPalette::HighlightedText, kText);
    tree_->setPalette(palette);
    // Scroll bars in the panel's greys rather than the desktop's light ones.
    const QString bars = QStringLiteral(
                             "QScrollBar { background: rgb(%1,%2,%3); border: none; }"
                             "QScrollBar:vertical { width: 10px; }"
                             "QScrollBar:horizontal { height: 10px; }"
                             "QScrollBar::handle { background: rgb(96,96,96); min-height: 16px;"
                             " min-width: 16px; border-radius: 3px; margin: 1px; }"
                             "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
                             "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
                             .arg(back.red())
                             .arg(back.green())
                             .arg(back.blue());
    tree_->verticalScrollBar()->setStyleSheet(bars);
    tree_->horizontalScrollBar()->setStyleSheet(bars);
  }
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &FolderPanel::OnTreeSelection);
}

void FolderPanel::ChooseFonts(const std::string& uiLanguage) {
  // The face of the language, sized so that the whole height of a line fits the 14-pixel
  // captions ("26년 12월 08일" in 80 pixels); the tree's rows are as tall as their text.
  treeFont_ = SkinFont(uiLanguage, 12);
  captionFont_ = SkinFont(uiLanguage, uiLanguage == "English" || uiLanguage.empty() ? 12 : 11);
}

void FolderPanel::BuildCaptions() {
  const QRect areas[2] = {kDateCaption, kTimeCaption};
  for (int i = 0; i < 2; ++i) {
    auto* caption = new QLabel(this);
    caption->setGeometry(areas[i]);
    caption->setFont(captionFont_);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    caption->setAutoFillBackground(true);
    QPalette palette = caption->palette();
    palette.setColor(QPalette::Window, kCaptionBack);
    palette.setColor(QPalette::WindowText, kText);
    caption->setPalette(palette);
    captions_[i] = caption;
  }
}

void FolderPanel::FillFolderTree() {
  model_.Fill();
  if (inSelection_) {
    // Asked by the viewer while the tree reports a selection: rebuilding the tree inside its own
    // signal is not safe, so the tree follows the list as soon as control is back in the loop.
    QMetaObject::invokeMethod(this, &FolderPanel::Mirror, Qt::QueuedConnection);
  } else {
    Mirror();
  }
  tree_->setFocus();
}

void FolderPanel::Mirror() {
  {
    const QSignalBlocker block(tree_);
    tree_->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(model_.items().size()));
    for (const std::string& name : model_.items()) {
      auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(name)});
      item->setIcon(0, folderIcon_);
      items.append(item);
    }
    tree_->addTopLevelItems(items);
  }
  MarkSelection();
  RepaintTree();
}

void FolderPanel::RepaintTree() {
  tree_->doItemsLayout();
  tree_->viewport()->update();
  update();
}

bool FolderPanel::ChoiceShown() const {
  const int index = model_.selectedIndex();
  if (index < 0) return true;
  const QTreeWidgetItem* item = tree_->topLevelItem(index);
  if (!isVisible() || slide_.running() || item == nullptr || !item->isSelected() ||
      item->text(0).toStdString() != model_.selectedFolder()) {
    return false;
  }
  // The whole row's height in view; a long name may run past the right edge.
  const QRect row = tree_->visualItemRect(item);
  const QRect view = tree_->viewport()->rect();
  return row.top() >= view.top() && row.bottom() <= view.bottom() && row.intersects(view);
}

void FolderPanel::MarkSelection() {
  const QSignalBlocker block(tree_);
  QTreeWidgetItem* item = tree_->topLevelItem(model_.selectedIndex());
  if (item != nullptr) {
    tree_->setCurrentItem(item);
  } else {
    tree_->setCurrentItem(nullptr);
    tree_->clearSelection();
  }
}

void FolderPanel::OnTreeSelection() {
  if (model_.filling()) return;
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty()) {
    // A click on the tree's empty part clears a Qt selection. The delete button acts on the
    // chosen folder, so that folder stays marked rather than being deleted unseen.
    if (model_.selectedIndex() >= 0) MarkSelection();
    return;
  }
  const int index = tree_->indexOfTopLevelItem(selected.front());
  const bool outer = inSelection_;
  inSelection_ = true;
  model_.Select(index);
  inSelection_ = outer;
}

void FolderPanel::ButtonClicked(int id) {
  if (id != kButtonDelete) return;
  if (!ChoiceShown()) {
    // A run the user cannot see marked is never deleted: it is marked and shown instead, and the
    // next press deletes it.
    buttons().RestoreFace(id);
    if (QTreeWidgetItem* item = tree_->topLevelItem(model_.selectedIndex())) {
      MarkSelection();
      tree_->scrollToItem(item);
    }
    RepaintTree();
    return;
  }
  const RunDeleteResult result = model_.DeleteSelected();
  Mirror();
  if (!model_.items().empty()) tree_->setFocus();
  buttons().RestoreFace(id);
  update();
  if (result == RunDeleteResult::kFailed && deleteFailed_) deleteFailed_();
}

bool FolderPanel::AreaPress(QMouseEvent*) {
  // The panel stays where the main window puts it: a press off the button drags nothing.
  return true;
}

void FolderPanel::SetCaptions(const QString& date, const QString& time) {
  captions_[0]->setText(date);
  captions_[1]->setText(time);
}

void FolderPanel::StartSlide() {
  slide_.Start();
  timers_.Set(kSlideTimer, kSlidePeriodMs);
}

void FolderPanel::SlideTick() {
  const QRect main = OwnerRect();
  const int right = main.x() + main.width();
  const PanelSlide::Step step = slide_.Tick(right, main.y());
  switch (step.action) {
    case PanelSlide::Action::kIdle:
      timers_.Kill(kSlideTimer);
      return;
    case PanelSlide::Action::kPlace:
      PlaceFromBehind({step.x, step.y}, right);
      // Each step uncovers more of the panel; draw it rather than count on an expose.
      if (!slide_.closing()) RepaintTree();
      break;
    case PanelSlide::Action::kClosed:
      Withdraw();
      if (owner() != nullptr) {
        QCoreApplication::postEvent(owner(),
                                    new QEvent(static_cast<QEvent::Type>(WM_VIEWER_CLOSED)));
      }
      break;
  }
  if (step.last) timers_.Kill(kSlideTimer);
}

std::optional<QPoint> FolderPanel::FollowPosition(const QRect& owner) const {
  if (slide_.closing()) return std::nullopt;
  return PlaceBeside(owner);
}

}  // namespace tavo::cctv
