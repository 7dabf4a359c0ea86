// The save-file dialog: asks the user where to save a file. Passed in, so tests answer it with a
// scripted double.
#pragma once

#include <string>
#include <vector>

namespace tavo {

struct SaveFileRequest {
  std::string defaultName;  // a file name or a full path, shown in the name field
  // Filters as "description|pattern|" pairs, e.g. "Jpg file (*.jpg)|*.jpg|All file(*.*)|*.*|".
  std::string filter;
  // Appended (with a dot) to a name typed without an extension, e.g. "jpg".
  std::string defaultExtension;
  bool promptOverwrite = true;  // ask before replacing an existing file
};

class SaveFileDialog {
 public:
  virtual ~SaveFileDialog() = default;

  // Shows the dialog modally. Returns true and sets `path` when the user confirmed a name;
  // returns false and leaves `path` alone when the user cancelled.
  virtual bool Ask(const SaveFileRequest& request, std::string& path) = 0;
};

// Answers every request with `answer` (an empty answer cancels) and remembers the requests.
class ScriptedSaveFileDialog final : public SaveFileDialog {
 public:
  bool Ask(const SaveFileRequest& request, std::string& path) override {
    requests.push_back(request);
    if (answer.empty()) return false;
    path = answer;
    return true;
  }

  std::string answer;
  std::vector<SaveFileRequest> requests;
};

}  // namespace tavo
