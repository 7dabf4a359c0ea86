// The alert mail's delivery runs on a worker and its result comes back as a posted event: tests
// wait for it by sending the posted events of this thread until a condition holds.
#pragma once

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <thread>

#include "test_application.h"

namespace tavo::testing {

// Sends posted events until `done` answers true; false when `bound` passed first. The bound only
// guards against a hang: a passing test never comes near it.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds bound = std::chrono::seconds(15)) {
  EnsureApplication();
  const auto end = std::chrono::steady_clock::now() + bound;
  for (;;) {
    QCoreApplication::sendPostedEvents();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace tavo::testing
