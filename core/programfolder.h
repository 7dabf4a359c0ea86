// Where an installed program finds its program folder. Built in a program folder (the build's
// staged one), a program runs from there as it always did; installed under <prefix>/bin with its
// skins and help pages under <prefix>/share/tavo, and started from the desktop (whose working
// folder is the home folder), it runs from a per-user program folder in the user's data folder
// instead: links to the installed skins and help pages, and the user's own Temp and CCTV_Image.
#pragma once

#include <string>

namespace tavo {

// What the choice depends on, so tests can hand in their own.
struct ProgramPlaces {
  std::string programFile;     // the running program's file
  std::string dataHome;        // $XDG_DATA_HOME, or ~/.local/share
  std::string picturesFolder;  // the user's pictures folder; empty when there is none
};

// The places of this process and user: /proc/self/exe, the XDG data home and the pictures folder
// (XDG_PICTURES_DIR of user-dirs.dirs, else ~/Pictures, when it exists).
ProgramPlaces CurrentPlaces();

// The installed skins and help pages of a program at `programFile`: <dir>/../share/tavo when the
// program does not lie in a program folder (no skin folder beside it) and that folder holds the
// skins. Empty otherwise.
std::string InstalledShareFolder(const std::string& programFile);

// Makes or mends the per-user program folder `folder`: every entry of `shareFolder` linked in (a
// right link is kept, a wrong or dangling link of ours replaced or removed, a real file of the
// user's never touched), Temp and CCTV_Image made, and a link "TavoCCTV" in `picturesFolder` to
// the recordings when that name is free. False when the folder itself cannot be made.
bool PrepareUserProgramFolder(const std::string& folder, const std::string& shareFolder,
                              const std::string& picturesFolder);

// The program folder to run from: `candidate` (the working folder) when it holds a skin folder or
// the program is not installed; otherwise <data home>/tavo, prepared on the way. `candidate` also
// when the per-user folder cannot be made, so the program still starts and reports its skins.
std::string ChooseProgramFolder(const std::string& candidate, const ProgramPlaces& places);

// ChooseProgramFolder with this process's places, and the working folder moved there when it
// changed, so that relative paths agree with the program folder.
std::string ProgramFolderAtStart(const std::string& candidate);

}  // namespace tavo
