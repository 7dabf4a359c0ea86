// The two ways the camera's snapshot button reaches a running TavoPreview:
//  - PressSocket: a local socket in the user's runtime folder, named after the window title, that
//    snaplauncher connects to. Each connection that presses delivers one press to the
//    user-interface thread and is answered (one byte) only after the press was handled, so the
//    launcher knows.
//  - CameraKey: the camera's own KEY_CAMERA, read from the input device that belongs to the same
//    USB device as the camera's video device, on the user-interface thread's event loop.
// Both call the same handler, later on the event loop and never from inside a read, so a handler
// may open a message box or stop the listening.
#pragma once

#include <sys/types.h>

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "filehandle.h"

class QSocketNotifier;

namespace tavo::preview {

// `path` made into a folder only this user may enter: created 0700 when missing, an existing
// folder of ours tightened to 0700. Empty (refused) when it is someone else's, is not a folder
// (a link or a file) or cannot be made.
std::string PrivateFolder(const std::string& path);

// The user's runtime folder: $XDG_RUNTIME_DIR when it is an absolute folder of this user's, else
// PrivateFolder("/tmp/tavo-<uid>"). Empty when neither can be had.
std::string RuntimeFolder();

// "<runtime folder>/<title>"; empty when there is no runtime folder.
std::string PressSocketPath(const std::string& title);

// Whether a peer whose user id is `peer` may press a button that `self` owns: only the same user.
bool PeerMayPress(uid_t peer, uid_t self);

// What became of a press a client gave.
enum class PressOutcome {
  kHandled,     // answered: the press was handled
  kNobody,      // nobody listens at the path (no socket, or a stale one)
  kUnanswered,  // somebody is there, but refused the press or did not answer in time
};

// The press as a client gives it: connects to `path`, sends one byte and waits for the answer,
// all within `timeoutMs`.
PressOutcome DeliverPress(const std::string& path, int timeoutMs);
// DeliverPress(...) == kHandled.
bool SendPress(const std::string& path, int timeoutMs);

// Whether somebody accepts connections at `path` (a bare connect, which a listener of ours takes
// for no press). A listener whose queue is full counts: it is alive, only busy or stopped.
bool PressSocketListening(const std::string& path);

class PressSocket : public QObject {
  Q_OBJECT
 public:
  // Unanswered connections held at once; more are closed at once without a press.
  static constexpr std::size_t kMaxConnections = 8;
  // How long a connection may stay silent before it is closed without a press.
  static constexpr int kDefaultSilenceMs = 5000;

  // `press` runs on this object's thread, once for each connection that sends a byte.
  explicit PressSocket(std::function<void()> press, QObject* parent = nullptr);
  ~PressSocket() override;
  // Listens on `path`, replacing a stale socket file that nobody answers on; the socket file is
  // 0600 and a peer of another user is closed without a press. False (nothing listens) when that
  // fails: the path is empty or too long, another TavoPreview answers there, or something that
  // is not a socket of ours is in the way (it is left alone).
  bool Listen(const std::string& path);
  // Stops listening and removes the socket file if it is still ours; connections not yet
  // answered are closed unanswered.
  void Close();
  bool listening() const { return listener_.valid(); }
  void SetSilenceLimit(int ms) { silenceMs_ = ms; }

 private:
  struct Connection;
  void Accept();
  void Read(std::uint64_t id);
  void Press(std::uint64_t id);
  void Drop(std::uint64_t id);
  std::list<std::unique_ptr<Connection>>::iterator Find(std::uint64_t id);

  std::function<void()> press_;
  UniqueFd listener_;
  QPointer<QSocketNotifier> listenerNotifier_;
  std::string path_;
  // The socket file we made, so that Close removes no one else's.
  dev_t fileDevice_ = 0;
  ino_t fileInode_ = 0;
  std::list<std::unique_ptr<Connection>> connections_;
  std::uint64_t nextId_ = 0;
  int silenceMs_ = kDefaultSilenceMs;
};

// Where the system's device tree is read: "/sys" and "/dev" normally, a fake tree in tests.
struct DeviceTree {
  std::string sys = "/sys";
  std::string dev = "/dev";
};

// Whether the key bitmap `bitmap`, as the kernel writes it in an input device's
// capabilities/key (hexadecimal words of `bitsPerWord` bits, most significant first, separated by
// spaces), has `key`. False for text that is no such bitmap.
bool KeyBitmapHas(const std::string& bitmap, unsigned key, unsigned bitsPerWord = sizeof(long) * 8);

// The input event device (e.g. "/dev/input/event5") of the USB device that `videoDevice` (e.g.
// "/dev/video0") belongs to, which reports KEY_CAMERA and which this user may read; empty when
// there is none.
std::string FindCameraKeyDevice(const std::string& videoDevice, const DeviceTree& tree = {});

class CameraKey : public QObject {
  Q_OBJECT
 public:
  explicit CameraKey(std::function<void()> press, QObject* parent = nullptr);
  ~CameraKey() override;
  // Listens to `eventDevice` (or any readable descriptor of input_event records, in tests);
  // false, silently, when it cannot be opened or read. Each KEY_CAMERA press (value 1) calls the
  // handler; releases and repeats do not. The end of the input (the camera unplugged) ends the
  // listening quietly.
  bool Listen(const std::string& eventDevice);
  bool ListenFd(int fd);  // takes ownership
  // Stops listening; presses read but not yet handled are dropped.
  void Release();
  bool listening() const { return fd_.valid(); }

 private:
  void ReadEvents();
  void Stop();
  void Press(std::uint64_t generation);

  std::function<void()> press_;
  UniqueFd fd_;
  QPointer<QSocketNotifier> notifier_;
  // The start of an event that a read cut short (pipes do; the event device never does).
  std::vector<unsigned char> partial_;
  // Counts Release calls, so that presses queued before one are dropped.
  std::uint64_t generation_ = 0;
};

}  // namespace tavo::preview
