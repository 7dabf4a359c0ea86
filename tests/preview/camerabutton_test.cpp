// The camera button's two ways in: the press socket the launcher uses, and the camera's own key
// found through the device tree and read from its event device.
#include "camerabutton.h"

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "filehandle.h"
#include "scratch_folder.h"
#include "test_application.h"

namespace tavo::preview {
namespace {

namespace fs = std::filesystem;
using testing::ScratchFolder;

// Runs the event loop until `done` holds, for at most a few seconds (a bound, not a measure).
bool SpinUntil(const std::function<bool()>& done) {
  QDeadlineTimer deadline(5000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Runs the event loop for a moment, for things that must not happen.
void SpinAWhile() {
  QDeadlineTimer deadline(100);
  while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// SendPress blocks for its answer, which the event loop of this thread gives: it runs aside.
bool SendPressWhileLooping(const std::string& path) {
  auto answer = std::async(std::launch::async, [path] { return SendPress(path, 3000); });
  SpinUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
  return answer.get();
}

sockaddr_un Address(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return address;
}

// A raw client connection, for the cases that SendPress does not give.
UniqueFd Connect(const std::string& path) {
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const sockaddr_un address = Address(path);
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return {};
  }
  return fd;
}

bool Readable(int fd) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, 0) == 1;
}

// What the server did with the connection at last: "answered", "closed" or "open".
std::string Outcome(int fd) {
  if (!SpinUntil([&] { return Readable(fd); })) return "open";
  char byte = 0;
  const ssize_t got = ::recv(fd, &byte, 1, MSG_DONTWAIT);
  if (got != 1) return "closed";
  return SpinUntil([&] { return Readable(fd) && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0; })
             ? "answered"
             : "answered, left open";
}

class PressSocketTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureApplication(); }

  ScratchFolder folder{fs::temp_directory_path() / "tavo-press-XXXXXX"};
  std::string path = folder.File("TavoPreview 2.0");
  int presses = 0;
  PressSocket button{[this] { ++presses; }};
};

TEST_F(PressSocketTest, EachConnectionPressesOnceAndIsAnsweredAfterTheHandler) {
  EXPECT_FALSE(SendPress(path, 200)) << "nobody listens";
  UniqueFd client;
  bool answeredEarly = true;
  PressSocket watched([&] {
    ++presses;
    // The launcher must not hear back before the press was handled.
    answeredEarly = Readable(client.get());
  });
  ASSERT_TRUE(watched.Listen(path));
  struct stat status;
  ASSERT_EQ(::lstat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u) << "this user's alone";
  client = Connect(path);
  ASSERT_TRUE(client.valid());
  // Whatever the launcher sends, and however much, is one press.
  ASSERT_EQ(::send(client.get(), "press press press", 17, MSG_NOSIGNAL), 17);
  EXPECT_EQ(Outcome(client.get()), "answered");
  EXPECT_EQ(presses, 1);
  EXPECT_FALSE(answeredEarly);

  EXPECT_TRUE(SendPressWhileLooping(path)) << "the next connection, the next press";
  EXPECT_EQ(presses, 2);
  watched.Close();
  EXPECT_FALSE(fs::exists(path)) << "Close removes the socket file";
  EXPECT_FALSE(SendPress(path, 200));
}

TEST_F(PressSocketTest, AHandlerMayCloseTheSocketAndThePressIsStillAnswered) {
  PressSocket closing([&] {
    ++presses;
    closing.Close();
  });
  ASSERT_TRUE(closing.Listen(path));
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 1);
}

TEST_F(PressSocketTest, SilentConnectionsPressNothingAndCannotLockTheLauncherOut) {
  ASSERT_TRUE(button.Listen(path));
  Connect(path).reset();  // closed at once, as a liveness probe is
  SpinAWhile();
  std::vector<UniqueFd> silent;
  for (std::size_t i = 0; i < PressSocket::kMaxConnections; ++i) silent.push_back(Connect(path));
  SpinAWhile();
  // One more than the socket holds is turned away at once, without a press.
  UniqueFd extra = Connect(path);
  ASSERT_EQ(::send(extra.get(), "p", 1, MSG_NOSIGNAL), 1);
  EXPECT_EQ(Outcome(extra.get()), "closed");
  silent.clear();
  // One that stays silent is closed unanswered after the limit.
  button.SetSilenceLimit(50);
  const UniqueFd lingering = Connect(path);
  EXPECT_EQ(Outcome(lingering.get()), "closed");
  EXPECT_EQ(presses, 0);
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 1);
}

TEST_F(PressSocketTest, AStaleSocketIsReplacedButALiveOneOrAForeignFileIsNot) {
  {
    // What a killed TavoPreview leaves: a socket file that nobody listens on.
    UniqueFd dead(::socket(AF_UNIX, SOCK_STREAM, 0));
    const sockaddr_un address = Address(path);
    ASSERT_EQ(::bind(dead.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  }
  ASSERT_TRUE(button.Listen(path));

  PressSocket second([&] { ADD_FAILURE() << "the second one was pressed"; });
  EXPECT_FALSE(second.Listen(path));
  // Asking whether the first one lives pressed nothing, and it still answers.
  SpinAWhile();
  EXPECT_EQ(presses, 0);
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 1);
  second.Close();
  EXPECT_TRUE(fs::exists(path)) << "the failed one removed nothing";

  const std::string file = folder.File("a file");
  std::ofstream(file) << "keep me";
  EXPECT_FALSE(second.Listen(file));
  EXPECT_TRUE(fs::is_regular_file(file));
}

TEST_F(PressSocketTest, AnotherUserCannotPress) {
  EXPECT_FALSE(PeerMayPress(0, 1000)) << "not even the administrator's launcher";
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to connect as another user";
  ASSERT_TRUE(button.Listen(path));
  // Open the way on purpose, so that only the peer check stands between the user and the press.
  ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Only system calls from here on: the child of a threaded process.
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = Address(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::send(fd, "p", 1, MSG_NOSIGNAL) != 1) {
      ::_exit(2);
    }
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 3000) != 1) ::_exit(4);
    char byte;
    ::_exit(::recv(fd, &byte, 1, 0) == 1 ? 1 : 0);  // 0: closed unanswered
  }
  int status = -1;
  SpinUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1 answered, 2 could not connect, 4 left waiting";
  SpinAWhile();
  EXPECT_EQ(presses, 0);
}

// --- Runtime folder ----------------------------------------------------------------------------

TEST(RuntimeFolder, APrivateFolderIsMadeOrTightenedOnlyWhenOurs) {
  ScratchFolder scratch{fs::temp_directory_path() / "tavo-runtime-XXXXXX"};
  const std::string made = scratch.File("made");
  ASSERT_EQ(PrivateFolder(made), made);
  EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all);
  const std::string loose = scratch.File("loose");
  fs::create_directory(loose);
  fs::permissions(loose, fs::perms::all);
  EXPECT_EQ(PrivateFolder(loose), loose);
  EXPECT_EQ(fs::status(loose).permissions(), fs::perms::owner_all);

  const std::string link = scratch.File("link");
  fs::create_directory_symlink(made, link);
  EXPECT_EQ(PrivateFolder(link), "") << "a link is not followed";
  std::ofstream(scratch.File("file")) << "x";
  EXPECT_EQ(PrivateFolder(scratch.File("file")), "");
  EXPECT_EQ(PrivateFolder(scratch.File("missing/deeper")), "");
  if (::chown(loose.c_str(), 65534, 65534) == 0) {
    fs::permissions(loose, fs::perms::all);
    EXPECT_EQ(PrivateFolder(loose), "") << "someone else's folder is refused";
    EXPECT_EQ(fs::status(loose).permissions(), fs::perms::all) << "and left as it is";
  }

  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string previous = saved != nullptr ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", made.c_str(), 1);
  EXPECT_EQ(PressSocketPath("TavoPreview 2.0"), made + "/TavoPreview 2.0");
  ::setenv("XDG_RUNTIME_DIR", "relative/run", 1);
  const std::string fallback = PressSocketPath("TavoPreview 2.0");
  if (!fallback.empty()) {
    EXPECT_EQ(fallback, "/tmp/tavo-" + std::to_string(::geteuid()) + "/TavoPreview 2.0");
  }
  if (saved != nullptr) ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
}

// --- Camera key --------------------------------------------------------------------------------

input_event Event(unsigned short type, unsigned short code, int value) {
  input_event event;
  std::memset(&event, 0, sizeof event);
  event.type = type;
  event.code = code;
  event.value = value;
  return event;
}

class CameraKeyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureApplication(); }
  void SetUp() override {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    ASSERT_TRUE(key.ListenFd(ends[0]));
    writer.reset(ends[1]);
  }
  bool Write(const void* data, std::size_t size) {
    return ::send(writer.get(), data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
  }
  bool Write(const std::vector<input_event>& events) {
    return Write(events.data(), events.size() * sizeof(input_event));
  }

  int presses = 0;
  CameraKey key{[this] {
    if (++presses == releaseAt) key.Release();
  }};
  int releaseAt = 0;
  UniqueFd writer;
};

TEST_F(CameraKeyTest, OnlyTheCameraKeysDownStrokePressesAndCutEventsAreJoined) {
  ASSERT_TRUE(Write({Event(EV_MSC, MSC_SCAN, 0x90001), Event(EV_KEY, KEY_CAMERA, 1),
                     Event(EV_SYN, SYN_REPORT, 0), Event(EV_KEY, KEY_CAMERA, 2),
                     Event(EV_KEY, KEY_CAMERA, 0), Event(EV_KEY, KEY_ENTER, 1),
                     Event(EV_KEY, KEY_CAMERA_FOCUS, 1), Event(EV_ABS, KEY_CAMERA, 1)}));
  EXPECT_TRUE(SpinUntil([&] { return presses == 1; }));
  // A read that ends halfway through an event.
  const input_event press = Event(EV_KEY, KEY_CAMERA, 1);
  const auto* bytes = reinterpret_cast<const char*>(&press);
  ASSERT_TRUE(Write(bytes, sizeof press / 2));
  SpinAWhile();
  EXPECT_EQ(presses, 1);
  ASSERT_TRUE(Write(bytes + sizeof press / 2, sizeof press - sizeof press / 2));
  EXPECT_TRUE(SpinUntil([&] { return presses == 2; }));
  // The end of the input (the camera unplugged) stops quietly after what came before.
  ASSERT_TRUE(Write({press}));
  writer.reset();
  EXPECT_TRUE(SpinUntil([&] { return !key.listening() && presses == 3; }));
}

TEST_F(CameraKeyTest, ReleaseDropsPressesReadButNotHandledAndClosesTheDevice) {
  releaseAt = 1;  // the handler releases the key
  ASSERT_TRUE(Write({Event(EV_KEY, KEY_CAMERA, 1), Event(EV_KEY, KEY_CAMERA, 1)}));
  EXPECT_TRUE(SpinUntil([&] { return presses == 1; }));
  SpinAWhile();
  EXPECT_EQ(presses, 1);
  EXPECT_FALSE(key.listening());
  EXPECT_FALSE(Write({Event(EV_KEY, KEY_CAMERA, 1)})) << "nobody reads any more";
  EXPECT_FALSE(key.Listen("/nonexistent/input/event99"));
  EXPECT_FALSE(key.Listen(""));
}

TEST(KeyBitmap, KeysAreFoundInTheirWordsCountedFromTheRight) {
  // A webcam's button as a 64-bit kernel writes it: KEY_CAMERA (212) is bit 20 of word 3.
  EXPECT_TRUE(KeyBitmapHas("100000 0 0 0\n", KEY_CAMERA, 64));
  EXPECT_FALSE(KeyBitmapHas("100000 0 0 0\n", KEY_CAMERA - 1, 64));
  EXPECT_FALSE(KeyBitmapHas("100000 0 0\n", KEY_CAMERA, 64)) << "one word short";
  EXPECT_TRUE(KeyBitmapHas("100000 0 0 0 0 0 0", KEY_CAMERA, 32)) << "a 32-bit kernel";
  for (const char* broken : {"", "zz 0 0 0", "100000 0 -0 0", "11111111111111111 0 0 0"}) {
    EXPECT_FALSE(KeyBitmapHas(broken, KEY_CAMERA, 64)) << broken;
  }
}

// The key bitmap of a device with the one key `key`, as this machine's kernel writes it.
std::string Bitmap(unsigned key) {
  constexpr unsigned kBits = sizeof(long) * 8;
  std::string text = QByteArray::number(qulonglong{1} << (key % kBits), 16).toStdString();
  for (unsigned word = 0; word < key / kBits; ++word) text += " 0";
  return text + "\n";
}

// A device tree as sysfs lays it out, in a scratch folder: a USB camera (video0) whose button is
// an input device on another interface of the same USB device, a camera on a hub with a key of
// its own, a camera that is not on USB, and a keyboard.
class DeviceTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree = {scratch.File("sys"), scratch.File("dev")};
    const fs::path usb = "devices/pci0000:00/0000:00:14.0/usb1";
    for (const fs::path& device : {usb, usb / "1-1", usb / "1-2", usb / "1-2/1-2.3"}) {
      Touch(tree.sys, device / "idVendor");
    }
    Video("video0", usb / "1-1/1-1:1.0");
    Video("video2", "devices/platform/vivid.0");
    Video("video4", usb / "1-2/1-2.3/1-2.3:1.0");
    Input("event3", "devices/platform/i8042/serio0/input/input3", KEY_ENTER);
    Input("event5", usb / "1-1/1-1:1.2/input/input7", KEY_CAMERA);
    Input("event9", usb / "1-2/1-2.3/1-2.3:1.0/input/input9", KEY_CAMERA);
    camera = usb / "1-1";
  }

  static void Touch(const fs::path& root, const fs::path& file, const std::string& text = "") {
    fs::create_directories((root / file).parent_path());
    std::ofstream(root / file) << text;
  }
  void Link(const fs::path& target, const fs::path& link) {
    fs::create_directories((fs::path(tree.sys) / link).parent_path());
    fs::create_directory_symlink(fs::path(tree.sys) / target, fs::path(tree.sys) / link);
  }
  // class/video4linux/<name> -> the node's folder, whose "device" is the USB interface.
  void Video(const std::string& name, const fs::path& parent) {
    Link(parent, parent / "video4linux" / name / "device");
    Link(parent / "video4linux" / name, fs::path("class/video4linux") / name);
    Touch(tree.dev, name);
  }
  // class/input/<name> -> the event folder, whose "device" is the input device with the keys.
  void Input(const std::string& name, const fs::path& input, unsigned key) {
    Touch(tree.sys, input / "capabilities/key", Bitmap(key));
    Touch(tree.sys, input / name / "uevent", "MAJOR=13\nDEVNAME=input/" + name + "\n");
    Link(input, input / name / "device");
    Link(input / name, fs::path("class/input") / name);
    Touch(tree.dev, "input/" + name);
  }
  std::string Dev(const std::string& name) const { return (fs::path(tree.dev) / name).string(); }

  ScratchFolder scratch{fs::temp_directory_path() / "tavo-sysfs-XXXXXX"};
  DeviceTree tree;
  fs::path camera;
};

TEST_F(DeviceTreeTest, TheKeyOfTheCamerasOwnUsbDeviceIsFound) {
  EXPECT_EQ(FindCameraKeyDevice("/dev/video0", tree), Dev("input/event5"));
  EXPECT_EQ(FindCameraKeyDevice(Dev("video0"), tree), Dev("input/event5"));
  EXPECT_EQ(FindCameraKeyDevice("/dev/video4", tree), Dev("input/event9")) << "behind a hub";
  for (const char* none : {"/dev/video2", "/dev/video7", "", "/dev/.."}) {
    EXPECT_EQ(FindCameraKeyDevice(none, tree), "") << none;
  }
}

TEST_F(DeviceTreeTest, AKeyThatIsNotTheCamerasOrCannotBeReadIsPassedOver) {
  Input("event12", camera / "1-1:1.3/input/input12", KEY_CAMERA);
  fs::remove(Dev("input/event5"));
  EXPECT_EQ(FindCameraKeyDevice("/dev/video0", tree), Dev("input/event12")) << "no node";
  // A node name that leaves the device folder is not followed.
  Touch(tree.sys, camera / "1-1:1.3/input/input12/event12/uevent", "DEVNAME=../../etc/passwd\n");
  EXPECT_EQ(FindCameraKeyDevice("/dev/video0", tree), "");
  // Without a camera key of its own, the camera does not borrow another USB device's.
  Touch(tree.sys, camera / "1-1:1.3/input/input12/event12/uevent", "DEVNAME=input/event12\n");
  Touch(tree.sys, camera / "1-1:1.3/input/input12/capabilities/key", Bitmap(KEY_VOLUMEUP));
  EXPECT_EQ(FindCameraKeyDevice("/dev/video0", tree), "");
}

}  // namespace
}  // namespace tavo::preview
