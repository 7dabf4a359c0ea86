// The two ways the camera's snapshot button reaches a running TavoPreview:
//  - PressSocket: a local socket in the user's runtime folder, named after the window title, that
//    snaplauncher connects to. Each connection delivers one press to the user-interface thread
//    and is answered (one byte) only after the press was handled, so the launcher knows.
//  - CameraKey: the camera's own KEY_CAMERA, read from the input device that belongs to the same
//    USB device as the camera's video device, on the user-interface thread's event loop.
// Both call the same handler.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QLocalServer;
class QSocketNotifier;

namespace tavo::preview {

// "<runtime folder>/TavoPreview 2.0" by default: $XDG_RUNTIME_DIR, else a private folder under
// /tmp named after the user id (created 0700, refused when someone else owns it).
std::string PressSocketPath(const std::string& title);

class PressSocket : public QObject {
  Q_OBJECT
 public:
  explicit PressSocket(std::function<void()> press, QObject* parent = nullptr);
  ~PressSocket() override;
  // Listens on `path`, replacing a stale socket file that nobody answers on; the socket is only
  // reachable by this user. False (nothing listens) when that fails, e.g. another TavoPreview
  // answers there.
  bool Listen(const std::string& path);
  void Close();

 private:
  std::function<void()> press_;
  QLocalServer* server_ = nullptr;
};

// Where the system's device tree is read: "/sys" and "/dev" normally, a fake tree in tests.
struct DeviceTree {
  std::string sys = "/sys";
  std::string dev = "/dev";
};

// The input event device (e.g. "/dev/input/event5") of the USB device that `videoDevice` (e.g.
// "/dev/video0") belongs to, which reports KEY_CAMERA; empty when there is none.
std::string FindCameraKeyDevice(const std::string& videoDevice, const DeviceTree& tree = {});

class CameraKey : public QObject {
  Q_OBJECT
 public:
  explicit CameraKey(std::function<void()> press, QObject* parent = nullptr);
  ~CameraKey() override;
  // Listens to `eventDevice` (or any readable descriptor of input_event records, in tests);
  // false, silently, when it cannot be opened or read. Each KEY_CAMERA press (value 1) calls the
  // handler; releases and repeats do not.
  bool Listen(const std::string& eventDevice);
  bool ListenFd(int fd);  // takes ownership
  void Release();
  bool listening() const;

 private:
  void ReadEvents();
  std::function<void()> press_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tavo::preview
