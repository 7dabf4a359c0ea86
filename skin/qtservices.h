// The Qt implementations of the UI services the window-free logic is handed: message boxes, the
// save-file dialog and the desktop shell.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

#include "messageboxes.h"
#include "savefiledialog.h"
#include "shell.h"

namespace tavo {

// Plain modal QMessageBox with one OK button. QMessageBox::exec runs a nested event loop, so
// timers and posted events keep being handled while a box is open.
class QtMessageBoxes final : public MessageBoxes {
 public:
  // `programName` is the title of boxes shown without one; `parent` (optional) centres them.
  explicit QtMessageBoxes(std::string programName, QWidget* parent = nullptr);

  void Show(const std::string& text, MessageIcon icon, const std::string& title = {}) override;
  void SetParent(QWidget* parent) { parent_ = parent; }

 private:
  std::string programName_;
  QPointer<QWidget> parent_;
};

// QFileDialog in save mode with the request's name, filters, default extension and overwrite
// prompt; the first filter is chosen.
class QtSaveFileDialog final : public SaveFileDialog {
 public:
  explicit QtSaveFileDialog(QWidget* parent = nullptr) : parent_(parent) {}

  bool Ask(const SaveFileRequest& request, std::string& path) override;
  void SetParent(QWidget* parent) { parent_ = parent; }

 private:
  QPointer<QWidget> parent_;
};

// Filters written as "description|pattern|..." pairs in Qt's "description (patterns)" form,
// separated by ";;". "*.*" means every file, as it does in those filters.
QString QtNameFilters(const std::string& filter);

// The desktop shell: QDesktopServices for documents, a detached QProcess for programs,
// std::filesystem for deletion.
class QtShell final : public Shell {
 public:
  int Open(const std::string& document) override;
  int Start(const std::string& program, const std::string& folder) override;
  // Refuses an empty path and the file-system root outright.
  bool DeleteTree(const std::string& folder) override;
};

}  // namespace tavo
