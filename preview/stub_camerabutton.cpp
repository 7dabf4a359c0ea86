// Stand-in for the camera button's two ways in until their own branch lands: the press socket
// answers each connection after the press; the camera key is never found.
#include <unistd.h>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdlib>
#include <filesystem>

#include "camerabutton.h"

namespace tavo::preview {

std::string PressSocketPath(const std::string& title) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string folder = runtime != nullptr && *runtime != '\0'
                           ? std::string(runtime)
                           : "/tmp/tavo-" + std::to_string(getuid());
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return folder + "/" + title;
}

PressSocket::PressSocket(std::function<void()> press, QObject* parent)
    : QObject(parent), press_(std::move(press)) {}
PressSocket::~PressSocket() { Close(); }

bool PressSocket::Listen(const std::string& path) {
  Close();
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(QString::fromStdString(path));
  if (!server_->listen(QString::fromStdString(path))) return false;
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      if (press_) press_();
      socket->write("1", 1);
      socket->flush();
      socket->disconnectFromServer();
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
  return true;
}

void PressSocket::Close() {
  if (server_ != nullptr) {
    server_->close();
    delete server_;
    server_ = nullptr;
  }
}

std::string FindCameraKeyDevice(const std::string&, const DeviceTree&) { return {}; }

CameraKey::CameraKey(std::function<void()> press, QObject* parent)
    : QObject(parent), press_(std::move(press)) {}
CameraKey::~CameraKey() { Release(); }
bool CameraKey::Listen(const std::string&) { return false; }
bool CameraKey::ListenFd(int fd) {
  if (fd >= 0) ::close(fd);
  return false;
}
void CameraKey::Release() {}
bool CameraKey::listening() const { return fd_ >= 0; }
void CameraKey::ReadEvents() {}

}  // namespace tavo::preview
