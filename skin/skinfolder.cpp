#include "skinfolder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace tavo {

namespace fs = std::filesystem;

std::string ProgramFolderFromDirectory(std::string directory) {
  while (!directory.empty() && directory.back() == '/') directory.pop_back();
  return directory;
}

std::string CurrentProgramFolder() {
  std::error_code error;
  fs::path current = fs::current_path(error);
  if (error) return {};
  return ProgramFolderFromDirectory(current.string());
}

std::string PreviewProgramFolder(int argc, const char* const* argv) {
  if (argc >= 2 && argv != nullptr && argv[1] != nullptr) {
    return ProgramFolderFromDirectory(argv[1]);
  }
  return CurrentProgramFolder();
}

std::string SkinFolder(const std::string& uiLanguage) {
  if (uiLanguage == "Korean") return "/Image";
  if (uiLanguage == "Japanese") return "/Image_Jpn";
  return "/Image_Eng";
}

std::string SnapshotViewerSkinFolder(const std::string& uiLanguage) {
  return uiLanguage == "Japanese" ? "/Image_Jpn" : "/Image_Eng";
}

std::string SkinPath(const std::string& programFolder, const std::string& uiLanguage,
                     const std::string& windowFolder, const std::string& file) {
  return programFolder + SkinFolder(uiLanguage) + windowFolder + file;
}

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string ResolveCaseFolded(const std::string& path) {
  std::error_code error;
  if (fs::exists(path, error)) return path;

  fs::path input(path);
  fs::path resolved = input.root_path();
  for (const fs::path& part : input.relative_path()) {
    fs::path exact = resolved / part;
    if (fs::exists(exact, error)) {
      resolved = std::move(exact);
      continue;
    }
    const std::string wanted = part.string();
    bool found = false;
    // Incremented by hand: the range-for form would throw on a directory read error.
    fs::directory_iterator entry(resolved.empty() ? fs::path(".") : resolved, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
      if (SameIgnoringCase(entry->path().filename().string(), wanted)) {
        resolved /= entry->path().filename();
        found = true;
        break;
      }
    }
    if (!found) return path;
  }
  return resolved.string();
}

}  // namespace tavo
