// The run folders of TavoCCTV's image store as the viewer's folder panel shows them: listed in the
// order they were recorded, chosen, and deleted with everything in them; and the panel's slide
// out of the main window's right edge and back. Plain logic over names and a Shell, without a
// window, so the panel's rules are tested alone.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell.h"

namespace tavo::cctv {

// Sent to the main window when the folder panel has slid shut (WM_USER + 901).
inline constexpr int WM_VIEWER_CLOSED = 1925;

// The panel's size and its slide: 27 steps of 6 pixels, one per 10 ms.
inline constexpr int kFolderPanelWidth = 165;
inline constexpr int kFolderPanelHeight = 415;
inline constexpr int kSlideSteps = 27;
inline constexpr int kSlideStepPixels = 6;
inline constexpr int kSlidePeriodMs = 10;

// Year (2000 + yy), month, day, hour, minute, second of a run folder named with a time stamp of
// any language: Korean "030117-14시05분09초", Japanese "03-01-17_14h05m09s" or English
// "14h05m09s_01-17-03". Nothing for any other name, including stamps with fields out of range.
std::optional<std::array<int, 6>> RunStampKey(std::string_view name);

// Names of the folders directly under `imageRoot` (files, "." and ".." left out), in recording
// order: stamped names by their time stamp (equal stamps by name), then the other names by name.
// Plain name order would put an English run of 00h05 before one of 23h55 the evening before.
// Nothing when `imageRoot` cannot be listed; an empty list when it holds no folder.
std::optional<std::vector<std::string>> ListRunFolders(const std::string& imageRoot);

// Whether `name`, chosen from the list of `imageRoot`, may go to the shell's delete: not empty,
// not "." or "..", no "/" or NUL byte, and imageRoot + name within the file-system limits.
bool IsDeletableRunFolder(const std::string& imageRoot, const std::string& name);

// What DeleteSelected did with the chosen folder.
enum class RunDeleteResult {
  kNothingChosen,  // no folder was chosen; nothing deleted
  kDeleted,        // the folder and everything in it are gone
  kFailed,         // the shell could not delete it (all or part); the list keeps it
  kRefused,        // the name could not be a run folder of the store; nothing deleted
};

// The folder panel without its window: the list of run folders, the one chosen, and the delete.
// `showFolder` opens a run folder in the viewer ("" shows the placeholder); it may refill the
// list from inside (a folder the viewer cannot read), which every operation here tolerates.
class FolderPanelModel {
 public:
  // `imageRoot` is the store's, e.g. programFolder + "/CCTV_Image/".
  FolderPanelModel(std::string imageRoot, Shell& shell,
                   std::function<void(const std::string&)> showFolder);

  // Rebuilds the list from the disk, none selected; shows the placeholder when there is no
  // folder (or the store cannot be listed). The chosen folder's name is kept.
  void Fill();

  // The user selected item `index`: it becomes the chosen folder and the viewer opens it.
  // Ignored while the list is being filled (and before the first fill) and for an index out of
  // range.
  void Select(int index);

  // The delete button: deletes the chosen folder with everything in it, permanently and without
  // asking, drops it from the list and clears the choice; a failed or refused delete deletes
  // nothing more and keeps the list. In every case the first folder of the list then becomes the
  // chosen one and opens (the placeholder shows when the list is empty).
  RunDeleteResult DeleteSelected();

  const std::vector<std::string>& items() const { return items_; }
  // Index of the selected item, -1 for none.
  int selectedIndex() const { return selectedIndex_; }
  const std::string& selectedFolder() const { return selectedFolder_; }
  bool filling() const { return filling_; }
  const std::string& imageRoot() const { return imageRoot_; }

 private:
  void ChooseFirst();

  std::string imageRoot_;
  Shell& shell_;
  std::function<void(const std::string&)> showFolder_;
  std::vector<std::string> items_;
  int selectedIndex_ = -1;
  std::string selectedFolder_;
  // Set until the first fill, as the panel's tree is empty until then.
  bool filling_ = true;
};

// The panel's slide out of the main window's right edge (R) at its top (T), and back behind it.
// Each Start reverses the direction; the panel starts closed, so the first Start opens it.
class PanelSlide {
 public:
  enum class Action {
    kIdle,   // no slide runs: do nothing, stop the timer
    kPlace,  // move the panel to (x, y) and show it without activating it
    kClosed  // hide the panel and tell the main window it has closed; stop the timer
  };
  struct Step {
    Action action = Action::kIdle;
    int x = 0;
    int y = 0;
    bool last = false;  // the slide is over after this step; stop the timer
  };

  // Starts a slide in the other direction from its first step.
  void Start();

  // One timer tick. Opening: 27 placements from R - 159 to R, the last one exactly at R.
  // Closing: 26 placements from R - 6 to R - 156, then one kClosed.
  Step Tick(int mainRight, int mainTop);

  // The direction of the current or last slide; true while the panel is shut.
  bool closing() const { return closing_; }
  bool running() const { return running_; }

 private:
  int n_ = 1;
  bool closing_ = true;
  bool running_ = false;
};

}  // namespace tavo::cctv
