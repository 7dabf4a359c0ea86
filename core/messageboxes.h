// The message-box service: every box the programs show goes through it, so the Qt windows can
// show real modal boxes while tests record what would have been shown.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tavo {

enum class MessageIcon { None, Error, Warning, Information };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // Shows a box with one OK button and returns when the user has dismissed it. An empty title
  // stands for the program's own name. Implementations keep timers and posted events running
  // while the box is open.
  virtual void Show(const std::string& text, MessageIcon icon, const std::string& title = {}) = 0;
};

// Remembers every box instead of showing it; for tests and for headless runs.
class RecordingMessageBoxes final : public MessageBoxes {
 public:
  struct Box {
    std::string text;
    MessageIcon icon;
    std::string title;
  };

  void Show(const std::string& text, MessageIcon icon, const std::string& title = {}) override {
    boxes.push_back({text, icon, title});
    if (whileOpen) whileOpen(text);
  }

  std::vector<Box> boxes;
  // Runs inside Show, as a real box's loop would run timers and posted events while it is open.
  std::function<void(const std::string& text)> whileOpen;
};

}  // namespace tavo
