// Test programs whose main is GoogleTest's own still post Qt events: they need an application
// object. One is made on first use and serves every test of the run.
#pragma once

#include <QCoreApplication>

namespace tavo::testing {

// Makes the process's QCoreApplication unless one exists already.
inline void EnsureApplication() {
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "unit_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
  }
}

}  // namespace tavo::testing
