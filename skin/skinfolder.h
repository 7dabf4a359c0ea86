// Where skin files live: the program folder, the skin folder of the interface language, the
// window folder and the file name, joined with "/". Plain functions over strings; the program
// keeps the results (no global state).
#pragma once

#include <string>

namespace tavo {

// A directory as a program folder: trailing separators are cut, so the root "/" becomes "" and
// appending "/Image" never doubles the separator. Any other path is kept as it is.
std::string ProgramFolderFromDirectory(std::string directory);

// TavoCCTV's program folder: the working directory. Empty when the working directory cannot be
// read (it was removed under us), which makes every skin path fail to load.
std::string CurrentProgramFolder();

// TavoPreview's program folder: its first command-line argument when there is one, otherwise the
// working directory; both under the rule of ProgramFolderFromDirectory.
std::string PreviewProgramFolder(int argc, const char* const* argv);

// The skin folder for `uiLanguage` (string 3000): "/Image" for "Korean", "/Image_Jpn" for
// "Japanese", "/Image_Eng" for every other value, including empty.
std::string SkinFolder(const std::string& uiLanguage);

// The snapshot viewer has no Korean skin: "/Image_Jpn" for "Japanese", "/Image_Eng" otherwise.
std::string SnapshotViewerSkinFolder(const std::string& uiLanguage);

// programFolder + SkinFolder(uiLanguage) + windowFolder + file; windowFolder and file each start
// with "/" (e.g. "/Bg", "/viewer_bg.bmp").
std::string SkinPath(const std::string& programFolder, const std::string& uiLanguage,
                     const std::string& windowFolder, const std::string& file);

// The existing file that `path` names when letters are compared without regard to ASCII case,
// component by component (an exact match wins). Returns `path` unchanged when nothing matches, so
// the caller's open fails as it would have.
std::string ResolveCaseFolded(const std::string& path);

}  // namespace tavo
