// A folder for the running test alone, below GoogleTest's temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace tavo::testing {

// `prefix` followed by the running test's name and the process id, made afresh and empty. The test
// removes it. The id keeps test runs of other checkouts or builds on the machine out of it.
inline std::filesystem::path EmptyFolderForTest(const std::string& prefix) {
  const std::filesystem::path folder =
      std::filesystem::path(::testing::TempDir()) /
      (prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
       std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace tavo::testing
