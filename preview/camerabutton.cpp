#include "camerabutton.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <thread>
#include <utility>

namespace tavo::preview {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The one byte a press carries and the one byte that answers it. Their values mean nothing.
constexpr char kPressByte = 'P';
constexpr char kAnswerByte = 'A';
constexpr int kAcceptPauseMs = 1000;

// A socket address for `path`; false when the path does not fit.
bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

UniqueFd StreamSocket() {
  return UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

// Milliseconds left until `deadline`, never below zero.
int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
}

// Waits until `fd` has `events` or `deadline` passes; true when it has them.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

// Whether somebody accepts connections on the socket file at `path`.
bool SomebodyListens(const std::string& path) {
  sockaddr_un address;
  if (!MakeAddress(path, address)) return false;
  const UniqueFd probe = StreamSocket();
  if (!probe.valid()) return false;
  for (;;) {
    if (::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      // Closed without a byte: a listener of ours takes that for no press.
      return true;
    }
    if (errno == EINTR) continue;
    // A full queue still means a live listener.
    return errno == EAGAIN;
  }
}

// The first `limit` bytes of the file at `path`; empty when it cannot be read.
std::string ReadSmallFile(const fs::path& path, std::size_t limit = 4096) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::string text(limit, '\0');
  file.read(text.data(), static_cast<std::streamsize>(limit));
  text.resize(static_cast<std::size_t>(file.gcount()));
  return text;
}

// Whether `inner` lies below `outer` (both canonical).
bool IsBelow(const fs::path& inner, const fs::path& outer) {
  auto [outerEnd, innerAt] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return outerEnd == outer.end() && innerAt != inner.end();
}

// The USB device (the folder with idVendor) that `device` is, or belongs to, below `sysRoot`;
// empty when it is on no USB device.
fs::path UsbDeviceOf(fs::path device, const fs::path& sysRoot) {
  std::error_code error;
  for (; IsBelow(device, sysRoot); device = device.parent_path()) {
    if (fs::is_regular_file(device / "idVendor", error)) return device;
  }
  return {};
}

// The device node an input event device's uevent names ("input/event5"), below `dev`.
std::string EventNode(const fs::path& classEntry, const std::string& dev) {
  const std::string uevent = ReadSmallFile(classEntry / "uevent");
  constexpr std::string_view kKey = "DEVNAME=";
  std::size_t at = 0;
  while (at < uevent.size()) {
    std::size_t end = uevent.find('\n', at);
    if (end == std::string::npos) end = uevent.size();
    const std::string_view line(uevent.data() + at, end - at);
    if (line.substr(0, kKey.size()) == kKey) {
      const fs::path name(std::string(line.substr(kKey.size())));
      const bool safe =
          !name.empty() && name.is_relative() &&
          std::none_of(name.begin(), name.end(), [](const fs::path& part) { return part == ".."; });
      if (!safe) return {};
      return (fs::path(dev) / name).string();
    }
    at = end + 1;
  }
  return (fs::path(dev) / "input" / classEntry.filename()).string();
}

// The number in "event12", for sorting; -1 for names of another shape.
long EventNumber(const std::string& name) {
  constexpr std::string_view kPrefix = "event";
  if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0) return -1;
  const std::string digits = name.substr(kPrefix.size());
  if (digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); })) {
    return -1;
  }
  return std::strtol(digits.c_str(), nullptr, 10);
}

}  // namespace

// --- Runtime folder ----------------------------------------------------------------------------

std::string PrivateFolder(const std::string& path) {
  if (path.empty()) return {};
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
  // Judged through the opened folder itself, so that nothing is swapped in between the test and
  // the change; a link is refused rather than followed.
  const UniqueFd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder.valid()) return {};
  struct stat status;
  if (::fstat(folder.get(), &status) != 0 || !S_ISDIR(status.st_mode) ||
      status.st_uid != ::geteuid()) {
    return {};
  }
  if ((status.st_mode & 07777) != 0700 && ::fchmod(folder.get(), 0700) != 0) return {};
  return path;
}

std::string RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    struct stat status;
    if (::stat(runtime, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid()) {
      return runtime;
    }
  }
  return PrivateFolder("/tmp/tavo-" + std::to_string(::geteuid()));
}

std::string PressSocketPath(const std::string& title) {
  const std::string folder = RuntimeFolder();
  if (folder.empty()) return {};
  return folder + "/" + title;
}

bool PeerMayPress(uid_t peer, uid_t self) { return peer == self; }

PressOutcome DeliverPress(const std::string& path, int timeoutMs) {
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
  sockaddr_un address;
  if (!MakeAddress(path, address)) return PressOutcome::kNobody;
  const UniqueFd fd = StreamSocket();
  if (!fd.valid()) return PressOutcome::kNobody;
  for (;;) {
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      break;
    }
    if (errno == EINTR) continue;
    // A full queue is a live listener that is slow to accept: try again until the deadline.
    if (errno != EAGAIN) return PressOutcome::kNobody;
    if (MillisecondsLeft(deadline) == 0) return PressOutcome::kUnanswered;
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::min(10, MillisecondsLeft(deadline))));
  }
  for (;;) {
    const ssize_t sent = ::send(fd.get(), &kPressByte, 1, MSG_NOSIGNAL);
    if (sent == 1) break;
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno == EAGAIN && WaitFor(fd.get(), POLLOUT, deadline)) continue;
    return PressOutcome::kUnanswered;
  }
  while (WaitFor(fd.get(), POLLIN, deadline)) {
    char answer = 0;
    const ssize_t got = ::recv(fd.get(), &answer, 1, 0);
    if (got == 1) return PressOutcome::kHandled;
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    return PressOutcome::kUnanswered;  // closed unanswered
  }
  return PressOutcome::kUnanswered;
}

bool SendPress(const std::string& path, int timeoutMs) {
  return DeliverPress(path, timeoutMs) == PressOutcome::kHandled;
}

bool PressSocketListening(const std::string& path) { return SomebodyListens(path); }

// --- PressSocket -------------------------------------------------------------------------------

struct PressSocket::Connection {
  std::uint64_t id = 0;
  UniqueFd fd;
  bool pressed = false;
  // Deleted later, never inside its own signal.
  QPointer<QSocketNotifier> notifier;

  ~Connection() {
    if (notifier != nullptr) {
      notifier->setEnabled(false);
      notifier->deleteLater();
    }
  }
};

PressSocket::PressSocket(std::function<void()> press, QObject* parent)
    : QObject(parent), press_(std::move(press)) {}

PressSocket::~PressSocket() { Close(); }

bool PressSocket::Listen(const std::string& path) {
  Close();
  sockaddr_un address;
  if (!MakeAddress(path, address)) return false;
  UniqueFd fd = StreamSocket();
  if (!fd.valid()) return false;
  const auto bind = [&] {
    return ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  };
  if (!bind()) {
    if (errno != EADDRINUSE) return false;
    // Left behind by a TavoPreview that was killed, or in use by one that runs. Only a socket
    // of ours that nobody answers on is taken over.
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode) ||
        status.st_uid != ::geteuid() || SomebodyListens(path)) {
      return false;
    }
    if (::unlink(path.c_str()) != 0 || !bind()) return false;
  }
  struct stat status;
  if (::chmod(path.c_str(), 0600) != 0 || ::lstat(path.c_str(), &status) != 0 ||
      ::listen(fd.get(), static_cast<int>(kMaxConnections)) != 0) {
    ::unlink(path.c_str());
    return false;
  }
  listener_ = std::move(fd);
  path_ = path;
  fileDevice_ = status.st_dev;
  fileInode_ = status.st_ino;
  listenerNotifier_ = new QSocketNotifier(listener_.get(), QSocketNotifier::Read, this);
  connect(listenerNotifier_, &QSocketNotifier::activated, this, &PressSocket::Accept);
  return true;
}

void PressSocket::Close() {
  connections_.clear();
  if (listenerNotifier_ != nullptr) {
    listenerNotifier_->setEnabled(false);
    listenerNotifier_->deleteLater();
    listenerNotifier_ = nullptr;
  }
  if (!listener_.valid()) return;
  listener_.reset();
  struct stat status;
  if (::lstat(path_.c_str(), &status) == 0 && status.st_dev == fileDevice_ &&
      status.st_ino == fileInode_) {
    ::unlink(path_.c_str());
  }
  path_.clear();
}

void PressSocket::Accept() {
  // Bounded, so that a flood of connections cannot hold the event loop.
  for (int round = 0; round < 64 && listener_.valid(); ++round) {
    UniqueFd fd(::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd.valid()) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno != EAGAIN && listenerNotifier_ != nullptr) {
        // Out of descriptors or memory: the waiting peer keeps the socket readable, and trying
        // again at once would spin. Pause a moment; the peer's own bound covers the wait.
        listenerNotifier_->setEnabled(false);
        QTimer::singleShot(kAcceptPauseMs, listenerNotifier_.data(),
                           [notifier = listenerNotifier_.data()] { notifier->setEnabled(true); });
      }
      return;
    }
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
        length != sizeof peer || !PeerMayPress(peer.uid, ::geteuid())) {
      continue;  // closed without a press
    }
    if (connections_.size() >= kMaxConnections) continue;
    auto connection = std::make_unique<Connection>();
    connection->id = nextId_++;
    connection->fd = std::move(fd);
    connection->notifier = new QSocketNotifier(connection->fd.get(), QSocketNotifier::Read, this);
    const std::uint64_t id = connection->id;
    connect(connection->notifier, &QSocketNotifier::activated, this, [this, id] { Read(id); });
    // A peer that never sends must not hold its place for ever; the timer goes with the notifier.
    QTimer::singleShot(silenceMs_, connection->notifier, [this, id] { Drop(id); });
    connections_.push_back(std::move(connection));
  }
}

std::list<std::unique_ptr<PressSocket::Connection>>::iterator PressSocket::Find(std::uint64_t id) {
  return std::find_if(connections_.begin(), connections_.end(),
                      [id](const std::unique_ptr<Connection>& c) { return c->id == id; });
}

void PressSocket::Read(std::uint64_t id) {
  const auto at = Find(id);
  if (at == connections_.end()) return;
  Connection& connection = **at;
  // What the peer sends means nothing beyond "press": drain a little, never wait for more.
  char buffer[256];
  ssize_t got;
  do {
    got = ::recv(connection.fd.get(), buffer, sizeof buffer, 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0 && errno == EAGAIN) return;
  if (got <= 0) {
    // Closed, or failed, before pressing: no press (this is how a liveness probe leaves).
    Drop(id);
    return;
  }
  // Pressed: nothing more is read, and the silence timer goes with the notifier.
  connection.pressed = true;
  connection.notifier->setEnabled(false);
  connection.notifier->deleteLater();
  connection.notifier = nullptr;
  QMetaObject::invokeMethod(
      this, [this, id] { Press(id); }, Qt::QueuedConnection);
}

void PressSocket::Press(std::uint64_t id) {
  const auto at = Find(id);
  if (at == connections_.end()) return;  // closed meanwhile: unanswered
  // Owned here from now on: the handler may close this socket or even destroy it.
  const std::unique_ptr<Connection> connection = std::move(*at);
  connections_.erase(at);
  const std::function<void()> press = press_;
  press();
  // One byte always fits in an empty socket buffer; a peer that never reads cannot block us,
  // and one that left already costs nothing.
  ::send(connection->fd.get(), &kAnswerByte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

void PressSocket::Drop(std::uint64_t id) {
  // A pressed connection waits for its handler, however long the silence timer thought it was.
  const auto at = Find(id);
  if (at != connections_.end() && !(*at)->pressed) connections_.erase(at);
}

// --- Camera key --------------------------------------------------------------------------------

bool KeyBitmapHas(const std::string& bitmap, unsigned key, unsigned bitsPerWord) {
  if (bitsPerWord == 0 || bitsPerWord > 64 || bitsPerWord % 4 != 0) return false;
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < bitmap.size()) {
    while (at < bitmap.size() && std::isspace(static_cast<unsigned char>(bitmap[at]))) ++at;
    std::size_t end = at;
    while (end < bitmap.size() && !std::isspace(static_cast<unsigned char>(bitmap[end]))) ++end;
    if (end > at) words.push_back(bitmap.substr(at, end - at));
    at = end;
  }
  for (const std::string& word : words) {
    if (word.size() > bitsPerWord / 4 ||
        !std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isxdigit(c); })) {
      return false;
    }
  }
  // The last word holds keys 0 onwards.
  const std::size_t index = key / bitsPerWord;
  if (index >= words.size()) return false;
  const unsigned long long value =
      std::strtoull(words[words.size() - 1 - index].c_str(), nullptr, 16);
  return ((value >> (key % bitsPerWord)) & 1u) != 0;
}

std::string FindCameraKeyDevice(const std::string& videoDevice, const DeviceTree& tree) {
  std::error_code error;
  const std::string name = fs::path(videoDevice).filename().string();
  if (name.empty() || name == "." || name == "..") return {};
  const fs::path sysRoot = fs::canonical(tree.sys, error);
  if (error) return {};
  const fs::path videoParent =
      fs::canonical(sysRoot / "class/video4linux" / name / "device", error);
  if (error) return {};
  const fs::path usbDevice = UsbDeviceOf(videoParent, sysRoot);
  if (usbDevice.empty()) return {};

  std::vector<std::pair<long, fs::path>> events;
  for (fs::directory_iterator entry(sysRoot / "class/input", error), end; !error && entry != end;
       entry.increment(error)) {
    const long number = EventNumber(entry->path().filename().string());
    if (number >= 0) events.emplace_back(number, entry->path());
  }
  std::sort(events.begin(), events.end());
  for (const auto& [number, classEntry] : events) {
    // eventM/device is the input device, which carries the capabilities.
    const fs::path input = fs::canonical(classEntry / "device", error);
    if (error || !IsBelow(input, usbDevice)) continue;
    if (!KeyBitmapHas(ReadSmallFile(input / "capabilities/key"), KEY_CAMERA)) continue;
    const std::string node = EventNode(classEntry, tree.dev);
    if (!node.empty() && ::access(node.c_str(), R_OK) == 0) return node;
  }
  return {};
}

CameraKey::CameraKey(std::function<void()> press, QObject* parent)
    : QObject(parent), press_(std::move(press)) {}

CameraKey::~CameraKey() { Release(); }

bool CameraKey::Listen(const std::string& eventDevice) {
  Release();
  if (eventDevice.empty()) return false;
  return ListenFd(::open(eventDevice.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

bool CameraKey::ListenFd(int fd) {
  Release();
  UniqueFd owned(fd);
  if (!owned.valid()) return false;
  const int flags = ::fcntl(owned.get(), F_GETFL);
  if (flags < 0 || ::fcntl(owned.get(), F_SETFL, flags | O_NONBLOCK) != 0) return false;
  fd_ = std::move(owned);
  notifier_ = new QSocketNotifier(fd_.get(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &CameraKey::ReadEvents);
  return true;
}

void CameraKey::Release() {
  ++generation_;
  Stop();
}

void CameraKey::Stop() {
  if (notifier_ != nullptr) {
    notifier_->setEnabled(false);
    notifier_->deleteLater();
    notifier_ = nullptr;
  }
  fd_.reset();
  partial_.clear();
}

void CameraKey::ReadEvents() {
  constexpr std::size_t kEventBytes = sizeof(input_event);
  unsigned char buffer[64 * kEventBytes];
  int presses = 0;
  bool ended = false;
  // Bounded, so that a device that never stops talking cannot hold the event loop.
  for (int round = 0; round < 16 && fd_.valid(); ++round) {
    const std::size_t kept = partial_.size();
    std::copy(partial_.begin(), partial_.end(), buffer);
    const ssize_t got = ::read(fd_.get(), buffer + kept, sizeof buffer - kept);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) break;
    if (got <= 0) {
      // The end of the input, or the device gone: stop quietly, keeping what was read.
      ended = true;
      break;
    }
    const std::size_t total = kept + static_cast<std::size_t>(got);
    const std::size_t whole = total / kEventBytes * kEventBytes;
    for (std::size_t at = 0; at < whole; at += kEventBytes) {
      input_event event;
      std::memcpy(&event, buffer + at, kEventBytes);
      if (event.type == EV_KEY && event.code == KEY_CAMERA && event.value == 1) ++presses;
    }
    partial_.assign(buffer + whole, buffer + total);
  }
  if (ended) Stop();
  // Handled later on the event loop: the handler may open a message box, whose loop would
  // otherwise bring us back here halfway through a read.
  const std::uint64_t generation = generation_;
  for (int i = 0; i < presses; ++i) {
    QMetaObject::invokeMethod(
        this, [this, generation] { Press(generation); }, Qt::QueuedConnection);
  }
}

void CameraKey::Press(std::uint64_t generation) {
  if (generation != generation_) return;
  const std::function<void()> press = press_;
  press();
}

}  // namespace tavo::preview
