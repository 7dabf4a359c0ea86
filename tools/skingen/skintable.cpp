#include "skintable.h"

#include <cstring>

namespace skingen {
namespace {

using G = Glyph;
using L = Look;

const Tr kPlay{"재생", "Play", "再生"};
const Tr kStop{"정지", "Stop", "停止"};
const Tr kSave{"저장", "Save", "保存"};
const Tr kDelete{"삭제", "Delete", "削除"};
const Tr kSnap{"촬영", "Snap", "撮影"};
const Tr kCancel{"취소", "Cancel", "キャンセル"};
const Tr kCrt{"CRT", "CRT", "CRT"};
const Tr kLcd{"LCD", "LCD", "LCD"};

// The four small buttons at the top right of a row: help, pin, minimise, exit.
std::vector<Placement> SmallRow(int y) {
  return {
      {"help", {272, y, 11, 11}, L::Tiny, {G::Help}},
      {"pin", {287, y, 11, 11}, L::Tiny, {G::PinOff, G::PinOn}},
      {"min", {302, y, 11, 11}, L::Tiny, {G::Minimise}},
      {"exit", {317, y, 11, 11}, L::Tiny, {G::Close}},
  };
}

// The CCTV main row, shared by the normal and the viewer background so that every face fits both.
std::vector<Placement> CctvMainRow() {
  std::vector<Placement> row = {
      {"sign", {11, 263, 16, 11}, L::Sign},
      {"viewer", {103, 269, 30, 30}, L::Round, {G::Gallery}},
      {"start", {148, 269, 36, 36}, L::RoundLarge, {G::Record, G::Stop}},
      {"setup", {199, 269, 30, 30}, L::Round, {G::Gear}},
  };
  for (const Placement& p : SmallRow(266)) row.push_back(p);
  return row;
}

std::vector<Placement> Concat(std::vector<Placement> a, const std::vector<Placement>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<Surface> kSurfaces = {
    // TavoCCTV main window, normal layout with the configuration panel below y 323.
    {"Bg",
     "TavoCCTV_bg.bmp",
     {332, 528},
     Decor::CctvMain,
     Concat(CctvMainRow(),
            {
                {"crt", {69, 333, 35, 16}, L::Tab, {}, {kCrt}},
                {"lcd", {104, 333, 35, 16}, L::Tab, {}, {kLcd}},
                {"check", {70, 409, 15, 15}, L::CheckBox},
                {"apply", {281, 478, 31, 30}, L::Square, {G::Check}},
            })},
    // TavoCCTV main window, viewer layout.
    {"Bg",
     "ViewMain_bg.bmp",
     {332, 424},
     Decor::CctvViewer,
     Concat(CctvMainRow(),
            {
                {"left", {6, 394, 14, 14}, L::Arrow, {G::Prev}},
                {"right", {312, 394, 14, 14}, L::Arrow, {G::Next}},
                {"track", {20, 395, 292, 12}, L::Track},
                {"thumb", {20, 395, 50, 12}, L::Thumb, {}, {}, false},
                {"slide", {49, 410, 59, 12}, L::Pill, {G::Play, G::Stop}, {kPlay, kStop}},
                {"faster", {242, 410, 19, 12}, L::Pill, {G::Plus}},
                {"slower", {264, 410, 19, 12}, L::Pill, {G::Minus}},
            })},
    // TavoCCTV run-folder panel.
    {"Bg",
     "JpgViewer_bg.bmp",
     {165, 415},
     Decor::FolderPanel,
     {{"delete", {116, 292, 36, 38}, L::Square, {G::Trash}}}},
    // TavoPreview control bar.
    {"Main",
     "main_bg.bmp",
     {332, 63},
     Decor::PreviewBar,
     Concat(
         {
             {"snapshot", {103, 9, 30, 30}, L::Round, {G::Camera}},
             {"preview", {148, 8, 36, 36}, L::RoundLarge, {G::Play, G::Stop}},
             {"config", {199, 9, 30, 30}, L::Round, {G::Gear}},
         },
         SmallRow(6))},
    // TavoPreview preview window, small and 640 x 480 layouts.
    {"Bg", "viewer_bg.bmp", {332, 276}, Decor::PreviewWindow, {}},
    {"Bg", "viewer_bg_640.bmp", {664, 516}, Decor::PreviewWindow640, {}},
    // TavoPreview configuration dialog.
    {"Config",
     "Config_bg.bmp",
     {332, 115},
     Decor::ConfigDialog,
     {
         {"crt", {68, 27, 41, 17}, L::Tab, {}, {kCrt}},
         {"lcd", {109, 27, 41, 17}, L::Tab, {}, {kLcd}},
         {"exit", {317, 4, 11, 11}, L::Tiny, {G::Close}},
     }},
    // TavoPreview snapshot dialog.
    {"SnapShotDlg",
     "snapshot_bg.bmp",
     {332, 114},
     Decor::SnapshotDialog,
     {
         {"save", {189, 100, 45, 12}, L::Pill, {G::Save}, {kSave}},
         {"delete", {238, 100, 45, 12}, L::Pill, {G::Trash}, {kDelete}},
         {"snap", {49, 100, 69, 12}, L::Pill, {G::Camera}, {kSnap}},
         {"left", {6, 84, 14, 14}, L::Arrow, {G::Prev}},
         {"right", {312, 84, 14, 14}, L::Arrow, {G::Next}},
         {"exit", {317, 4, 11, 11}, L::Tiny, {G::Close}},
         {"track", {20, 85, 292, 12}, L::Track},
         {"thumb", {20, 85, 50, 12}, L::Thumb, {}, {}, false},
     }},
    // TavoPreview snapshot viewer; its two buttons are image buttons laid over the background.
    {"SnapViewer",
     "SnapViewer_bg.bmp",
     {326, 268},
     Decor::SnapViewer,
     {
         {"save", {211, 246, 54, 15}, L::Pill, {G::Save}, {kSave}},
         {"cancel", {265, 246, 54, 15}, L::Pill, {G::Cancel}, {kCancel}},
     }},
    // In the large layout the two buttons overlap by one column; the faces keep that column plain.
    {"SnapViewer",
     "SnapViewer_bg640.bmp",
     {646, 508},
     Decor::SnapViewer640,
     {
         {"save", {531, 487, 54, 15}, L::Pill, {G::Save}, {kSave}},
         {"cancel", {584, 487, 54, 15}, L::Pill, {G::Cancel}, {kCancel}},
     }},
};

using S = FaceState;

const std::vector<FaceFile> kFaceFiles = {
    // TavoCCTV main window buttons.
    {"MainButton", "JpgView_but_Down.bmp", "TavoCCTV_bg.bmp", "viewer", S::Pressed, 0},
    {"MainButton", "JpgView_but_Foc.bmp", "TavoCCTV_bg.bmp", "viewer", S::Hover, 0},
    {"MainButton", "CctvStart_but_Up.bmp", "TavoCCTV_bg.bmp", "start", S::Normal, 0},
    {"MainButton", "CctvStart_but_Down.bmp", "TavoCCTV_bg.bmp", "start", S::Pressed, 0},
    {"MainButton", "CctvStart_but_Foc.bmp", "TavoCCTV_bg.bmp", "start", S::Hover, 0},
    {"MainButton", "TakePicture_Sign.bmp", "TavoCCTV_bg.bmp", "sign", S::Pressed, 0},
    {"MainButton", "Exit_But_Down.bmp", "TavoCCTV_bg.bmp", "exit", S::Pressed, 0},
    {"MainButton", "Minimize_but_Down.bmp", "TavoCCTV_bg.bmp", "min", S::Pressed, 0},
    {"MainButton", "Help_but_Down.bmp", "TavoCCTV_bg.bmp", "help", S::Pressed, 0},
    {"MainButton", "CctvStop_but_Up.bmp", "TavoCCTV_bg.bmp", "start", S::Normal, 1},
    {"MainButton", "CctvStop_but_Down.bmp", "TavoCCTV_bg.bmp", "start", S::Pressed, 1},
    {"MainButton", "CctvStop_but_Foc.bmp", "TavoCCTV_bg.bmp", "start", S::Hover, 1},
    {"MainButton", "Config_but_Down.bmp", "TavoCCTV_bg.bmp", "setup", S::Pressed, 0},
    {"MainButton", "Config_but_Foc.bmp", "TavoCCTV_bg.bmp", "setup", S::Hover, 0},
    {"MainButton", "pin_off_Up.bmp", "TavoCCTV_bg.bmp", "pin", S::Normal, 0},
    {"MainButton", "pin_off_Down.bmp", "TavoCCTV_bg.bmp", "pin", S::Pressed, 0},
    {"MainButton", "pin_on_Up.bmp", "TavoCCTV_bg.bmp", "pin", S::Normal, 1},
    {"MainButton", "pin_on_Down.bmp", "TavoCCTV_bg.bmp", "pin", S::Pressed, 1},
    // TavoCCTV configuration panel.
    {"ConfigImage", "CRT_Down.bmp", "TavoCCTV_bg.bmp", "crt", S::Pressed, 0},
    {"ConfigImage", "LCD_Down.bmp", "TavoCCTV_bg.bmp", "lcd", S::Pressed, 0},
    {"ConfigImage", "Adjust_Down.bmp", "TavoCCTV_bg.bmp", "apply", S::Pressed, 0},
    {"ConfigImage", "Adjust_Foc.bmp", "TavoCCTV_bg.bmp", "apply", S::Hover, 0},
    {"ConfigImage", "Check_On.bmp", "TavoCCTV_bg.bmp", "check", S::Normal, 1},
    {"ConfigImage", "Check_Off.bmp", "TavoCCTV_bg.bmp", "check", S::Normal, 0},
    // TavoCCTV viewer mode.
    {"JgpViewer", "SliderThumb.bmp", "ViewMain_bg.bmp", "thumb", S::Normal, 0},
    {"JgpViewer", "slide_bg.bmp", "ViewMain_bg.bmp", "track", S::Normal, 0},
    {"JgpViewer", "Slide_but_Foc.bmp", "ViewMain_bg.bmp", "slide", S::Hover, 0},
    {"JgpViewer", "Slide_but_Down.bmp", "ViewMain_bg.bmp", "slide", S::Pressed, 0},
    {"JgpViewer", "Slide_but_Nor.bmp", "ViewMain_bg.bmp", "slide", S::Normal, 0},
    {"JgpViewer", "Slide_but_Stop_Foc.bmp", "ViewMain_bg.bmp", "slide", S::Hover, 1},
    {"JgpViewer", "Slide_but_Stop_down.bmp", "ViewMain_bg.bmp", "slide", S::Pressed, 1},
    {"JgpViewer", "Slide_but_Stop_Nor.bmp", "ViewMain_bg.bmp", "slide", S::Normal, 1},
    {"JgpViewer", "Speed_But_Row_Down.bmp", "ViewMain_bg.bmp", "slower", S::Pressed, 0},
    {"JgpViewer", "Speed_But_Row_Foc.bmp", "ViewMain_bg.bmp", "slower", S::Hover, 0},
    {"JgpViewer", "Speed_But_Hi_Down.bmp", "ViewMain_bg.bmp", "faster", S::Pressed, 0},
    {"JgpViewer", "Speed_But_Hi_Foc.bmp", "ViewMain_bg.bmp", "faster", S::Hover, 0},
    {"JgpViewer", "Left_but_Down.bmp", "ViewMain_bg.bmp", "left", S::Pressed, 0},
    {"JgpViewer", "Left_but_Foc.bmp", "ViewMain_bg.bmp", "left", S::Hover, 0},
    {"JgpViewer", "Right_but_Down.bmp", "ViewMain_bg.bmp", "right", S::Pressed, 0},
    {"JgpViewer", "Right_but_Foc.bmp", "ViewMain_bg.bmp", "right", S::Hover, 0},
    // TavoCCTV run-folder panel.
    {"JgpViewer", "Delete_Forder_Down.bmp", "JpgViewer_bg.bmp", "delete", S::Pressed, 0},
    {"JgpViewer", "Delete_Forder_Foc.bmp", "JpgViewer_bg.bmp", "delete", S::Hover, 0},
    // TavoPreview control bar. Snapshot_up and Config_up are shown while the button is pressed.
    {"Main", "Snapshot_up.bmp", "main_bg.bmp", "snapshot", S::Pressed, 0},
    {"Main", "Snapshot_Focus.bmp", "main_bg.bmp", "snapshot", S::Hover, 0},
    {"Main", "Play_up.bmp", "main_bg.bmp", "preview", S::Normal, 0},
    {"Main", "PrevidwPlay_Down.bmp", "main_bg.bmp", "preview", S::Pressed, 0},
    {"Main", "PreviewPlay_Focus.bmp", "main_bg.bmp", "preview", S::Hover, 0},
    {"Main", "PreviewStop_up.bmp", "main_bg.bmp", "preview", S::Normal, 1},
    {"Main", "PreviewStop_Down.bmp", "main_bg.bmp", "preview", S::Pressed, 1},
    {"Main", "PreviewStop_Focus.bmp", "main_bg.bmp", "preview", S::Hover, 1},
    {"Main", "Config_up.bmp", "main_bg.bmp", "config", S::Pressed, 0},
    {"Main", "Config_Focus.bmp", "main_bg.bmp", "config", S::Hover, 0},
    {"Main", "pin_off_Up.bmp", "main_bg.bmp", "pin", S::Normal, 0},
    {"Main", "pin_off_Down.bmp", "main_bg.bmp", "pin", S::Pressed, 0},
    {"Main", "pin_on_Up.bmp", "main_bg.bmp", "pin", S::Normal, 1},
    {"Main", "pin_on_Down.bmp", "main_bg.bmp", "pin", S::Pressed, 1},
    {"Main", "Minimize_but_Down.bmp", "main_bg.bmp", "min", S::Pressed, 0},
    {"Main", "Exit_But_Down.bmp", "main_bg.bmp", "exit", S::Pressed, 0},
    {"Main", "Help_but_Down.bmp", "main_bg.bmp", "help", S::Pressed, 0},
    // TavoPreview configuration dialog.
    {"Config", "Exit_But_Down.bmp", "Config_bg.bmp", "exit", S::Pressed, 0},
    {"Config", "CRT_Down.bmp", "Config_bg.bmp", "crt", S::Pressed, 0},
    {"Config", "LCD_Down.bmp", "Config_bg.bmp", "lcd", S::Pressed, 0},
    // TavoPreview snapshot dialog.
    {"SnapShotDlg", "slide_bg.bmp", "snapshot_bg.bmp", "track", S::Normal, 0},
    {"SnapShotDlg", "SliderThumb.bmp", "snapshot_bg.bmp", "thumb", S::Normal, 0},
    {"SnapShotDlg", "but_save_foc.bmp", "snapshot_bg.bmp", "save", S::Hover, 0},
    {"SnapShotDlg", "but_save_down.bmp", "snapshot_bg.bmp", "save", S::Pressed, 0},
    {"SnapShotDlg", "but_del_foc.bmp", "snapshot_bg.bmp", "delete", S::Hover, 0},
    {"SnapShotDlg", "but_del_down.bmp", "snapshot_bg.bmp", "delete", S::Pressed, 0},
    {"SnapShotDlg", "but_snap_foc.bmp", "snapshot_bg.bmp", "snap", S::Hover, 0},
    {"SnapShotDlg", "but_snap_down.bmp", "snapshot_bg.bmp", "snap", S::Pressed, 0},
    {"SnapShotDlg", "Left_but_Foc.bmp", "snapshot_bg.bmp", "left", S::Hover, 0},
    {"SnapShotDlg", "Left_but_Down.bmp", "snapshot_bg.bmp", "left", S::Pressed, 0},
    {"SnapShotDlg", "Right_but_Foc.bmp", "snapshot_bg.bmp", "right", S::Hover, 0},
    {"SnapShotDlg", "Right_but_Down.bmp", "snapshot_bg.bmp", "right", S::Pressed, 0},
    {"SnapShotDlg", "Exit_But_Down.bmp", "snapshot_bg.bmp", "exit", S::Pressed, 0},
    // TavoPreview snapshot viewer.
    {"SnapViewer", "save_up.bmp", "SnapViewer_bg.bmp", "save", S::Normal, 0},
    {"SnapViewer", "Cancel_up.bmp", "SnapViewer_bg.bmp", "cancel", S::Normal, 0},
};

}  // namespace

const std::vector<Language>& Languages() {
  static const std::vector<Language> kLanguages = {
      {Lang::Korean, "Image"}, {Lang::English, "Image_Eng"}, {Lang::Japanese, "Image_Jpn"}};
  return kLanguages;
}

const std::vector<Surface>& Surfaces() { return kSurfaces; }
const std::vector<FaceFile>& FaceFiles() { return kFaceFiles; }

const Surface* FindSurface(const char* file) {
  for (const Surface& s : kSurfaces)
    if (std::strcmp(s.file, file) == 0) return &s;
  return nullptr;
}

const Placement* FindPlacement(const Surface& surface, const char* key) {
  for (const Placement& p : surface.controls)
    if (std::strcmp(p.key, key) == 0) return &p;
  return nullptr;
}

}  // namespace skingen
