#include "qtservices.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <system_error>

namespace tavo {

namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// Windows' "no application is associated with the file" result.
constexpr int kShellNoAssociation = 31;

}  // namespace

QtMessageBoxes::QtMessageBoxes(std::string programName, QWidget* parent)
    : programName_(std::move(programName)), parent_(parent) {}

void QtMessageBoxes::Show(const std::string& text, MessageIcon icon, const std::string& title) {
  QMessageBox box(QtIcon(icon), QString::fromStdString(title.empty() ? programName_ : title),
                  QString::fromStdString(text), QMessageBox::Ok, parent_.data());
  // Texts carry file names, server replies and stored settings: never let Qt guess them rich.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

QString QtNameFilters(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    if (description.isEmpty()) continue;
    // Qt reads the patterns from the parentheses: replace whatever the description shows there.
    if (const qsizetype open = description.lastIndexOf('(');
        open > 0 && description.endsWith(')')) {
      description = description.left(open).trimmed();
    }
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == "*.*") pattern = "*";
    }
    filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(' '));
  }
  return filters.join(";;");
}

bool QtSaveFileDialog::Ask(const SaveFileRequest& request, std::string& path) {
  QFileDialog dialog(parent_.data());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.promptOverwrite);
  const QString filters = QtNameFilters(request.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters.split(";;"));
    dialog.selectNameFilter(dialog.nameFilters().first());
  }
  QString extension = QString::fromStdString(request.defaultExtension);
  while (extension.startsWith('*') || extension.startsWith('.')) extension.remove(0, 1);
  dialog.setDefaultSuffix(extension);
  const QFileInfo name(QString::fromStdString(request.defaultName));
  if (name.path() != ".") dialog.setDirectory(name.path());
  dialog.selectFile(name.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  path = dialog.selectedFiles().first().toStdString();
  return true;
}

int QtShell::Open(const std::string& document) {
  const QString file = QString::fromStdString(document);
  if (!QFileInfo::exists(file)) return kShellFileNotFound;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()))
             ? kShellSucceeded
             : kShellNoAssociation;
}

int QtShell::Start(const std::string& program, const std::string& folder) {
  const QString file = QString::fromStdString(program);
  if (!QFileInfo(file).isFile()) return kShellFileNotFound;
  return QProcess::startDetached(file, {}, QString::fromStdString(folder)) ? kShellSucceeded
                                                                           : kShellFailed;
}

bool QtShell::DeleteTree(const std::string& folder) {
  namespace fs = std::filesystem;
  const fs::path target = fs::path(folder).lexically_normal();
  // An empty program folder must never turn a join into a delete of "/" or of the working folder.
  if (folder.empty() || target.empty() || target == target.root_path() || target == "." ||
      target == "..") {
    return false;
  }
  std::error_code error;
  if (!fs::exists(fs::symlink_status(target, error))) return false;
  const auto removed = fs::remove_all(target, error);
  return !error && removed > 0;
}

}  // namespace tavo
