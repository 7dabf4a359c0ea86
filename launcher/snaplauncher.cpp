#include "snaplauncher.h"

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <thread>

#include "camerabutton.h"
#include "filehandle.h"

namespace tavo::launcher {

namespace {

using Clock = std::chrono::steady_clock;
using preview::PressOutcome;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(std::min<long long>(left, kMaxBoundMs)) : 0;
}

void Pause(const LauncherServices& services, Clock::time_point deadline) {
  std::this_thread::sleep_for(std::chrono::milliseconds(
      std::min(std::max(1, services.pollMs), MillisecondsLeft(deadline))));
}

int TryFlock(int fd, int operation) {
  int result;
  do {
    result = ::flock(fd, operation | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result;
}

// The launch lock, waited for until `deadline`. An invalid handle without `timedOut` means there
// is no lock to be had (no runtime folder): the launcher goes on without it.
UniqueFd TakeLaunchLock(const LauncherServices& services, Clock::time_point deadline,
                        bool& timedOut) {
  timedOut = false;
  if (services.launchLockPath.empty()) return {};
  UniqueFd fd(
      ::open(services.launchLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd.valid()) return {};
  for (;;) {
    if (TryFlock(fd.get(), LOCK_EX) == 0) return fd;
    if (errno != EWOULDBLOCK) return {};
    if (MillisecondsLeft(deadline) == 0) {
      timedOut = true;
      return {};
    }
    Pause(services, deadline);
  }
}

// Whether a TavoPreview holds its instance lock: it runs, or is starting and not yet listening.
// A shared lock taken and let go at once: TavoPreview's exclusive one excludes it.
bool TavoPreviewHoldsLock(const std::string& path) {
  if (path.empty()) return false;
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd.valid()) return false;
  if (TryFlock(fd.get(), LOCK_SH) == 0) {
    ::flock(fd.get(), LOCK_UN);
    return false;
  }
  return errno == EWOULDBLOCK;
}

bool WaitUntilListening(const LauncherServices& services, Clock::time_point deadline) {
  for (;;) {
    if (preview::PressSocketListening(services.socketPath)) return true;
    if (MillisecondsLeft(deadline) == 0) return false;
    Pause(services, deadline);
  }
}

LaunchResult Press(const LauncherServices& services, Clock::time_point deadline) {
  return preview::DeliverPress(services.socketPath, MillisecondsLeft(deadline)) ==
                 PressOutcome::kHandled
             ? LaunchResult::kPressed
             : LaunchResult::kUnanswered;
}

// The store's steps: the key, then both values, then the start.
LaunchResult StartFromSettings(const LauncherServices& services) {
  RegistryKey key(services.settings);
  if (!key.OpenSubKey(kSettingsKey)) {
    services.boxes.Show(kMsgNotInstalled, MessageIcon::None);
    return LaunchResult::kNotInstalled;
  }
  if (!key.Open(services.settings, kSettingsKey)) return LaunchResult::kNoValues;
  std::string program;
  std::string folder;
  if (!key.ReadString(kValueProgram, program) || !key.ReadString(kValueFolder, folder)) {
    return LaunchResult::kNoValues;
  }
  key.Close();
  if (services.shell.Start(program, folder) <= 32) {
    services.boxes.Show(kMsgFileNotFound, MessageIcon::None);
    return LaunchResult::kFileNotFound;
  }
  return LaunchResult::kStarted;
}

}  // namespace

LaunchResult RunLauncher(const LauncherServices& services) {
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(std::clamp(services.boundMs, 0, kMaxBoundMs));
  const PressOutcome first = preview::DeliverPress(services.socketPath, MillisecondsLeft(deadline));
  if (first == PressOutcome::kHandled) return LaunchResult::kPressed;
  // Somebody is there but hangs: starting another would only meet its instance lock.
  if (first == PressOutcome::kUnanswered) return LaunchResult::kUnanswered;

  bool timedOut = false;
  const UniqueFd launchLock = TakeLaunchLock(services, deadline, timedOut);
  if (timedOut) return LaunchResult::kUnanswered;
  // Another launcher may have started TavoPreview while this one waited for the lock.
  if (preview::PressSocketListening(services.socketPath)) return Press(services, deadline);
  if (TavoPreviewHoldsLock(services.instanceLockPath)) {
    return WaitUntilListening(services, deadline) ? Press(services, deadline)
                                                  : LaunchResult::kUnanswered;
  }
  const LaunchResult result = StartFromSettings(services);
  // Keep the lock until the new TavoPreview listens, so the launchers queued behind press it.
  if (result == LaunchResult::kStarted && launchLock.valid()) {
    WaitUntilListening(services, deadline);
  }
  return result;
}

int BoundFromText(const char* text) {
  if (text == nullptr) return kDefaultBoundMs;
  const char* end = text + std::strlen(text);
  int value = 0;
  const auto [at, error] = std::from_chars(text, end, value);
  if (error != std::errc() || at != end || value < 1 || value > kMaxBoundMs) {
    return kDefaultBoundMs;
  }
  return value;
}

}  // namespace tavo::launcher
