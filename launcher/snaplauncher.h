// snaplauncher's one pass, without a window: hand the camera button's press to the running
// TavoPreview through its press socket, or start TavoPreview as the settings store names it.
//
// Two things go beyond a plain "press, else start":
//  - every wait is bounded (boundMs): a TavoPreview that hangs, or is stopped, never keeps a
//    launcher per press alive;
//  - the launcher that starts TavoPreview holds a launch lock until the new TavoPreview listens,
//    and a TavoPreview that holds its instance lock is waited for rather than started again, so
//    several presses in quick succession start one TavoPreview and never its "already running"
//    box.
#pragma once

#include <string>

#include "messageboxes.h"
#include "registrykey.h"
#include "shell.h"

namespace tavo::launcher {

inline constexpr const char* kSettingsKey = "Software\\Kolbrant\\TavoPreview_Info";
inline constexpr const char* kValueProgram = "TavoPath";
inline constexpr const char* kValueFolder = "TavoPathParam";
inline constexpr const char* kMsgNotInstalled = "If use snapshot, you must install Tavoview";
inline constexpr const char* kMsgFileNotFound = "File not found.";
inline constexpr int kDefaultBoundMs = 30000;
inline constexpr int kMaxBoundMs = 600000;

enum class LaunchResult {
  kPressed,       // the running TavoPreview handled the press
  kUnanswered,    // a TavoPreview is there (or starting) but did not answer within the bound
  kStarted,       // TavoPreview was started (and listens, or the bound passed first)
  kNotInstalled,  // no settings key: the install message was shown
  kNoValues,      // a value missing or too long: nothing done, nothing shown
  kFileNotFound,  // the program could not be started: the message was shown
};

struct LauncherServices {
  RegistryRoot settings;
  Shell& shell;
  MessageBoxes& boxes;
  std::string socketPath;        // TavoPreview's press socket; empty when there is none
  std::string instanceLockPath;  // TavoPreview's single-instance lock
  std::string launchLockPath;    // held by the one launcher that starts TavoPreview
  int boundMs = kDefaultBoundMs;
  int pollMs = 50;
};

// The whole pass; never waits longer than about boundMs in all, whatever TavoPreview does.
LaunchResult RunLauncher(const LauncherServices& services);

// The bound from the text of an environment variable (milliseconds, 1 to kMaxBoundMs);
// kDefaultBoundMs for a missing, malformed or out-of-range text.
int BoundFromText(const char* text);

}  // namespace tavo::launcher
