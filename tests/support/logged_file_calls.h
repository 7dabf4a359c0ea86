// A FileCalls double over the real calls that logs each call (with its path) and can make any of
// them fail.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "durablefile.h"

namespace tavo::testing {

// The system's calls, each logged by name (with the path it was given) before it runs; a result
// set in `inject` is returned instead of making the call.
class LoggedCalls : public FileCalls {
 public:
  std::vector<std::string> log;
  std::map<std::string, int> inject;  // call name -> result (minus errno)

  int CreateLocked(const std::string& path, mode_t mode) override {
    created = path;
    return Run("create", path, [&] { return real.CreateLocked(path, mode); });
  }
  ssize_t Write(int fd, const void* data, std::size_t size) override {
    return Run("write", "", [&] { return static_cast<int>(real.Write(fd, data, size)); });
  }
  int DataSync(int fd) override {
    return Run("datasync", "", [&] { return real.DataSync(fd); });
  }
  int Close(int fd) override {
    return Run("close", "", [&] { return real.Close(fd); });
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    return Run("rename-noreplace", to, [&] { return real.RenameNoReplace(from, to); });
  }
  int Rename(const std::string& from, const std::string& to) override {
    return Run("rename", to, [&] { return real.Rename(from, to); });
  }
  int Link(const std::string& from, const std::string& to) override {
    return Run("link", to, [&] { return real.Link(from, to); });
  }
  int Unlink(const std::string& path) override {
    return Run("unlink", path == created ? "<temporary>" : path, [&] { return real.Unlink(path); });
  }
  int MakeFolder(const std::string& path, mode_t mode) override {
    return Run("mkdir", path, [&] { return real.MakeFolder(path, mode); });
  }
  int SyncFolder(const std::string& path) override {
    return Run("syncdir", path, [&] { return real.SyncFolder(path); });
  }

  std::string created;  // the last temporary file made

 private:
  template <typename Call>
  int Run(const std::string& name, const std::string& path, Call call) {
    log.push_back(path.empty() ? name : name + " " + path);
    const auto injected = inject.find(name);
    return injected != inject.end() ? injected->second : call();
  }
  FileCalls& real = SystemFileCalls();
};

}  // namespace tavo::testing
