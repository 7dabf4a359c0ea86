#include "programfolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace tavo {

namespace fs = std::filesystem;

namespace {

// The one skin folder every build draws; its presence marks a program folder.
constexpr const char* kSkinMark = "Image_Eng";
constexpr const char* kPicturesLink = "TavoCCTV";

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool HoldsSkins(const fs::path& folder) { return IsFolder(folder / kSkinMark); }

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string HomeFolder() {
  const std::string home = Environment("HOME");
  return !home.empty() && home.front() == '/' ? home : std::string();
}

// XDG_PICTURES_DIR from user-dirs.dirs: "$HOME/..." or an absolute path, in double quotes.
std::string PicturesFromUserDirs(const std::string& configHome, const std::string& home) {
  std::ifstream file(fs::path(configHome) / "user-dirs.dirs");
  std::string line;
  for (int lines = 0; lines < 200 && std::getline(file, line); ++lines) {
    constexpr std::string_view kName = "XDG_PICTURES_DIR=\"";
    if (line.rfind(kName, 0) != 0 || line.size() < kName.size() + 1 || line.back() != '"') continue;
    std::string value = line.substr(kName.size(), line.size() - kName.size() - 1);
    if (value.rfind("$HOME", 0) == 0) {
      if (home.empty()) return {};
      value = home + value.substr(5);
    }
    return !value.empty() && value.front() == '/' ? value : std::string();
  }
  return {};
}

// Links `link` to `target` unless it already is such a link; never removes anything but a link.
void LinkTo(const fs::path& link, const fs::path& target) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(link, error);
  if (fs::is_symlink(status)) {
    if (fs::read_symlink(link, error) == target && !error) return;
    fs::remove(link, error);
  } else if (fs::exists(status)) {
    return;  // the user's own file or folder of that name
  }
  fs::create_symlink(target, link, error);
}

}  // namespace

ProgramPlaces CurrentPlaces() {
  ProgramPlaces places;
  std::error_code error;
  places.programFile = fs::read_symlink("/proc/self/exe", error).string();
  const std::string home = HomeFolder();
  std::string dataHome = Environment("XDG_DATA_HOME");
  if (dataHome.empty() || dataHome.front() != '/') {
    dataHome = home.empty() ? std::string() : home + "/.local/share";
  }
  places.dataHome = dataHome;
  std::string configHome = Environment("XDG_CONFIG_HOME");
  if (configHome.empty() || configHome.front() != '/') {
    configHome = home.empty() ? std::string() : home + "/.config";
  }
  std::string pictures =
      configHome.empty() ? std::string() : PicturesFromUserDirs(configHome, home);
  if (pictures.empty() && !home.empty()) pictures = home + "/Pictures";
  // The home folder itself is no pictures folder: a link there would only clutter it.
  if (!pictures.empty() && IsFolder(pictures) && fs::path(pictures) != fs::path(home)) {
    places.picturesFolder = pictures;
  }
  return places;
}

std::string InstalledShareFolder(const std::string& programFile) {
  if (programFile.empty()) return {};
  const fs::path folder = fs::path(programFile).parent_path();
  if (HoldsSkins(folder)) return {};
  const fs::path share = (folder / ".." / "share" / "tavo").lexically_normal();
  return HoldsSkins(share) ? share.string() : std::string();
}

bool PrepareUserProgramFolder(const std::string& folder, const std::string& shareFolder,
                              const std::string& picturesFolder) {
  if (folder.empty() || shareFolder.empty()) return false;
  std::error_code error;
  fs::create_directories(folder, error);
  if (!IsFolder(folder)) return false;
  const fs::path share(shareFolder);
  // Links left from an installation whose files have gone (an entry renamed by an upgrade).
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code linkError;
    if (!it->is_symlink(linkError)) continue;
    const fs::path target = fs::read_symlink(it->path(), linkError);
    if (!linkError && target.parent_path() == share && !fs::exists(target, linkError)) {
      fs::remove(it->path(), linkError);
    }
  }
  for (fs::directory_iterator it(share, error), end; !error && it != end; it.increment(error)) {
    LinkTo(fs::path(folder) / it->path().filename(), it->path());
  }
  for (const char* own : {"Temp", "CCTV_Image"}) {
    const fs::path path = fs::path(folder) / own;
    if (fs::create_directory(path, error) && !error) {
      // Recordings and snapshots are the user's own business.
      fs::permissions(path, fs::perms::owner_all, error);
    }
  }
  if (!picturesFolder.empty() && IsFolder(picturesFolder)) {
    const fs::path link = fs::path(picturesFolder) / kPicturesLink;
    if (!fs::exists(fs::symlink_status(link, error))) {
      fs::create_directory_symlink(fs::path(folder) / "CCTV_Image", link, error);
    }
  }
  return true;
}

std::string ChooseProgramFolder(const std::string& candidate, const ProgramPlaces& places) {
  if (HoldsSkins(candidate.empty() ? fs::path("/") : fs::path(candidate))) return candidate;
  const std::string share = InstalledShareFolder(places.programFile);
  if (share.empty() || places.dataHome.empty()) return candidate;
  const std::string folder = places.dataHome + "/tavo";
  return PrepareUserProgramFolder(folder, share, places.picturesFolder) ? folder : candidate;
}

std::string ProgramFolderAtStart(const std::string& candidate) {
  const std::string folder = ChooseProgramFolder(candidate, CurrentPlaces());
  if (folder != candidate) {
    std::error_code error;
    fs::current_path(folder, error);
  }
  return folder;
}

}  // namespace tavo
