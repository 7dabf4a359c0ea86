// The desktop shell: opening documents with the desktop's handler, starting programs and
// deleting folder trees. Passed in, so tests hand in a recording double.
#pragma once

#include <string>
#include <vector>

namespace tavo {

// Results of Open and Start: greater than 32 on success, 32 or less on failure, the numbers the
// callers compare against.
inline constexpr int kShellSucceeded = 42;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellFailed = 0;

class Shell {
 public:
  virtual ~Shell() = default;

  // "Open" of a document (a help page) with the desktop's handler for its type. Returns more
  // than 32 when the handler took it, 32 or less when the file is missing or nothing opened it.
  virtual int Open(const std::string& document) = 0;

  // Starts `program` with no arguments in the working folder `folder`, without waiting for it.
  // Returns more than 32 when it started, 32 or less when it could not be started.
  virtual int Start(const std::string& program, const std::string& folder) = 0;

  // Deletes `folder` and everything in it, permanently and without asking. Returns false when
  // the folder was not there or something in it could not be deleted.
  virtual bool DeleteTree(const std::string& folder) = 0;
};

// Records every request and answers with the results set beforehand; for tests.
class RecordingShell final : public Shell {
 public:
  struct Started {
    std::string program;
    std::string folder;
  };

  int Open(const std::string& document) override {
    opened.push_back(document);
    return openResult;
  }
  int Start(const std::string& program, const std::string& folder) override {
    started.push_back({program, folder});
    return startResult;
  }
  bool DeleteTree(const std::string& folder) override {
    deleted.push_back(folder);
    return deleteResult;
  }

  int openResult = kShellSucceeded;
  int startResult = kShellSucceeded;
  bool deleteResult = true;
  std::vector<std::string> opened;
  std::vector<Started> started;
  std::vector<std::string> deleted;
};

}  // namespace tavo
