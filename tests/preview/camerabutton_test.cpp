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

// A raw client connection, for the cases that SendPress does not give.
UniqueFd Connect(const std::string& path) {
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
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
  UniqueFd client;
  bool answeredEarly = true;
  PressSocket watched([&] {
    ++presses;
    // The launcher must not hear back before the press was handled.
    answeredEarly = Readable(client.get());
  });
  ASSERT_TRUE(watched.Listen(path));
  client = Connect(path);
  ASSERT_TRUE(client.valid());
  // Whatever the launcher sends, and however much, is one press.
  ASSERT_EQ(::send(client.get(), "press press press", 17, MSG_NOSIGNAL), 17);
  EXPECT_EQ(Outcome(client.get()), "answered");
  EXPECT_EQ(presses, 1);
  EXPECT_FALSE(answeredEarly);

  // The next connection is the next press.
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 2);
}

TEST_F(PressSocketTest, SendPressTellsWhetherThePressWasHandled) {
  EXPECT_FALSE(SendPress(path, 200)) << "nobody listens";
  ASSERT_TRUE(button.Listen(path));
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 1);
  button.Close();
  EXPECT_FALSE(fs::exists(path)) << "Close removes the socket file";
  EXPECT_FALSE(SendPress(path, 200));
  EXPECT_FALSE(SendPress("", 200));
  EXPECT_FALSE(SendPress(std::string(200, 'x'), 200)) << "longer than a socket address holds";
  EXPECT_EQ(presses, 1);
}

TEST_F(PressSocketTest, AHandlerMayCloseTheSocketAndThePressIsStillAnswered) {
  PressSocket closing([&] {
    ++presses;
    closing.Close();
  });
  ASSERT_TRUE(closing.Listen(path));
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 1);
  EXPECT_FALSE(closing.listening());
}

TEST_F(PressSocketTest, AConnectionThatSendsNothingIsNoPress) {
  ASSERT_TRUE(button.Listen(path));
  // Closed at once, as a liveness probe does.
  Connect(path).reset();
  // Silent and left open: closed unanswered after the silence limit.
  button.SetSilenceLimit(50);
  UniqueFd silent = Connect(path);
  ASSERT_TRUE(silent.valid());
  EXPECT_EQ(Outcome(silent.get()), "closed");
  EXPECT_EQ(presses, 0);
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 1);
}

TEST_F(PressSocketTest, SilentConnectionsCannotLockTheLauncherOutForGood) {
  ASSERT_TRUE(button.Listen(path));
  std::vector<UniqueFd> silent;
  for (std::size_t i = 0; i < PressSocket::kMaxConnections; ++i) {
    silent.push_back(Connect(path));
    ASSERT_TRUE(silent.back().valid());
  }
  SpinAWhile();
  // One more than the socket holds is turned away at once, without a press.
  UniqueFd extra = Connect(path);
  ASSERT_TRUE(extra.valid());
  ASSERT_EQ(::send(extra.get(), "p", 1, MSG_NOSIGNAL), 1);
  EXPECT_EQ(Outcome(extra.get()), "closed");
  EXPECT_EQ(presses, 0);
  // Once they leave, presses come through again.
  silent.clear();
  SpinAWhile();
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 1);
}

TEST_F(PressSocketTest, TheSocketFileIsThisUsersAlone) {
  ASSERT_TRUE(button.Listen(path));
  struct stat status;
  ASSERT_EQ(::lstat(path.c_str(), &status), 0);
  EXPECT_TRUE(S_ISSOCK(status.st_mode));
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  EXPECT_EQ(status.st_uid, ::geteuid());
}

TEST_F(PressSocketTest, AStaleSocketFileIsReplaced) {
  {
    // What a killed TavoPreview leaves: a socket file that nobody listens on.
    UniqueFd dead(::socket(AF_UNIX, SOCK_STREAM, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(dead.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  ASSERT_TRUE(fs::exists(path));
  ASSERT_TRUE(button.Listen(path));
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 1);
}

TEST_F(PressSocketTest, ALiveSocketAndForeignFilesAreNotTakenOver) {
  ASSERT_TRUE(button.Listen(path));
  int secondPresses = 0;
  PressSocket second([&] { ++secondPresses; });
  EXPECT_FALSE(second.Listen(path));
  EXPECT_FALSE(second.listening());
  // Asking whether the first one lives pressed nothing, and it still answers.
  SpinAWhile();
  EXPECT_EQ(presses, 0);
  EXPECT_TRUE(SendPressWhileLooping(path));
  EXPECT_EQ(presses, 1);
  // The second's failure removed nothing; the first closing removes its own file.
  second.Close();
  EXPECT_TRUE(fs::exists(path));
  button.Close();

  // Something else in the way is left alone.
  const std::string file = folder.File("TavoPreview 2.0 file");
  std::ofstream(file) << "keep me";
  EXPECT_FALSE(second.Listen(file));
  EXPECT_TRUE(fs::is_regular_file(file));
  EXPECT_EQ(secondPresses, 0);
}

TEST_F(PressSocketTest, AnotherUserCannotPress) {
  EXPECT_TRUE(PeerMayPress(1000, 1000));
  EXPECT_FALSE(PeerMayPress(1001, 1000));
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
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ::_exit(2);
    if (::send(fd, "p", 1, MSG_NOSIGNAL) != 1) ::_exit(2);
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
  const std::string file = scratch.File("file");
  std::ofstream(file) << "x";
  EXPECT_EQ(PrivateFolder(file), "");
  EXPECT_EQ(PrivateFolder(""), "");
  EXPECT_EQ(PrivateFolder(scratch.File("missing/deeper")), "");

  const std::string foreign = scratch.File("foreign");
  fs::create_directory(foreign);
  fs::permissions(foreign, fs::perms::all);
  if (::chown(foreign.c_str(), 65534, 65534) == 0) {
    EXPECT_EQ(PrivateFolder(foreign), "") << "someone else's folder is refused";
    EXPECT_EQ(fs::status(foreign).permissions(), fs::perms::all) << "and left as it is";
  }
}

TEST(RuntimeFolder, TheSocketIsNamedAfterTheTitleInTheRuntimeFolder) {
  ScratchFolder scratch{fs::temp_directory_path() / "tavo-xdg-XXXXXX"};
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string previous = saved != nullptr ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", scratch.path().c_str(), 1);
  EXPECT_EQ(PressSocketPath("TavoPreview 2.0"), scratch.File("TavoPreview 2.0"));
  // Not a usable folder: the private one under /tmp instead.
  const std::string fallback = "/tmp/tavo-" + std::to_string(::geteuid());
  for (const char* unusable : {"relative/run", "/nonexistent/run", ""}) {
    ::setenv("XDG_RUNTIME_DIR", unusable, 1);
    const std::string socketPath = PressSocketPath("TavoPreview 2.0");
    if (!socketPath.empty()) {
      EXPECT_EQ(socketPath, fallback + "/TavoPreview 2.0") << unusable;
    }
  }
  if (saved != nullptr) {
    ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
}

// --- Camera key: the event stream --------------------------------------------------------------

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
  bool Write(const std::vector<input_event>& events) {
    const auto size = static_cast<ssize_t>(events.size() * sizeof(input_event));
    return ::send(writer.get(), events.data(), static_cast<std::size_t>(size), MSG_NOSIGNAL) ==
           size;
  }

  int presses = 0;
  CameraKey key{[this] { ++presses; }};
  UniqueFd writer;
};

TEST_F(CameraKeyTest, OnlyTheCameraKeysDownStrokePresses) {
  ASSERT_TRUE(Write({Event(EV_MSC, MSC_SCAN, 0x90001), Event(EV_KEY, KEY_CAMERA, 1),
                     Event(EV_SYN, SYN_REPORT, 0), Event(EV_KEY, KEY_CAMERA, 2),
                     Event(EV_KEY, KEY_CAMERA, 2), Event(EV_KEY, KEY_CAMERA, 0),
                     Event(EV_KEY, KEY_ENTER, 1), Event(EV_KEY, KEY_CAMERA_FOCUS, 1),
                     Event(EV_ABS, KEY_CAMERA, 1), Event(EV_SYN, SYN_REPORT, 0)}));
  EXPECT_TRUE(SpinUntil([&] { return presses == 1; }));
  ASSERT_TRUE(Write({Event(EV_KEY, KEY_CAMERA, 1), Event(EV_KEY, KEY_CAMERA, 0),
                     Event(EV_KEY, KEY_CAMERA, 1), Event(EV_KEY, KEY_CAMERA, 0)}));
  EXPECT_TRUE(SpinUntil([&] { return presses == 3; }));
  SpinAWhile();
  EXPECT_EQ(presses, 3);
}

TEST_F(CameraKeyTest, AnEventCutByAShortReadIsJoinedWithItsRest) {
  const input_event press = Event(EV_KEY, KEY_CAMERA, 1);
  const auto* bytes = reinterpret_cast<const char*>(&press);
  const std::size_t half = sizeof press / 2;
  ASSERT_EQ(::send(writer.get(), bytes, half, MSG_NOSIGNAL), static_cast<ssize_t>(half));
  SpinAWhile();
  EXPECT_EQ(presses, 0);
  ASSERT_EQ(::send(writer.get(), bytes + half, sizeof press - half, MSG_NOSIGNAL),
            static_cast<ssize_t>(sizeof press - half));
  EXPECT_TRUE(SpinUntil([&] { return presses == 1; }));
  EXPECT_TRUE(key.listening());
}

TEST_F(CameraKeyTest, TheEndOfTheInputStopsQuietlyAfterWhatCameBefore) {
  ASSERT_TRUE(Write({Event(EV_KEY, KEY_CAMERA, 1)}));
  writer.reset();  // the camera unplugged
  EXPECT_TRUE(SpinUntil([&] { return !key.listening(); }));
  EXPECT_TRUE(SpinUntil([&] { return presses == 1; }));
}

TEST_F(CameraKeyTest, ReleaseClosesTheDeviceAndHandlesNothingMore) {
  ASSERT_TRUE(Write({Event(EV_KEY, KEY_CAMERA, 1)}));
  ASSERT_TRUE(SpinUntil([&] { return presses == 1; }));
  key.Release();
  EXPECT_FALSE(key.listening());
  // Our end is closed: the writer finds nobody reading.
  EXPECT_FALSE(Write({Event(EV_KEY, KEY_CAMERA, 1)}));
  SpinAWhile();
  EXPECT_EQ(presses, 1);
}

TEST_F(CameraKeyTest, APressReadButNotYetHandledIsDroppedByRelease) {
  // The handler releases the key: the second press, read in the same batch, must not follow.
  CameraKey releasing([&] {
    ++presses;
    releasing.Release();
  });
  int ends[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
  UniqueFd other(ends[1]);
  ASSERT_TRUE(releasing.ListenFd(ends[0]));
  const input_event two[] = {Event(EV_KEY, KEY_CAMERA, 1), Event(EV_KEY, KEY_CAMERA, 1)};
  ASSERT_EQ(::send(other.get(), two, sizeof two, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof two));
  EXPECT_TRUE(SpinUntil([&] { return presses == 1; }));
  SpinAWhile();
  EXPECT_EQ(presses, 1);
}

TEST(CameraKey, WhatCannotBeOpenedIsSilentlyNotListenedTo) {
  testing::EnsureApplication();
  CameraKey key([] {});
  EXPECT_FALSE(key.Listen("/nonexistent/input/event99"));
  EXPECT_FALSE(key.Listen(""));
  EXPECT_FALSE(key.ListenFd(-1));
  EXPECT_FALSE(key.listening());
}

// --- Camera key: the device tree ---------------------------------------------------------------

// A key bitmap as the kernel writes it, with the keys given set.
std::string Bitmap(std::vector<unsigned> keys, unsigned bitsPerWord = sizeof(long) * 8) {
  std::vector<unsigned long long> words(KEY_MAX / bitsPerWord + 1, 0);
  for (unsigned key : keys) words[key / bitsPerWord] |= 1ull << (key % bitsPerWord);
  while (words.size() > 1 && words.back() == 0) words.pop_back();
  std::string text;
  for (auto word = words.rbegin(); word != words.rend(); ++word) {
    char hex[20];
    std::snprintf(hex, sizeof hex, "%llx", *word);
    text += (text.empty() ? "" : " ") + std::string(hex);
  }
  return text + "\n";
}

TEST(KeyBitmap, KeysAreFoundInTheirWordsCountedFromTheRight) {
  // A webcam's button as a 64-bit kernel writes it: KEY_CAMERA (212) is bit 20 of word 3.
  EXPECT_TRUE(KeyBitmapHas("100000 0 0 0\n", KEY_CAMERA, 64));
  EXPECT_FALSE(KeyBitmapHas("100000 0 0 0\n", KEY_CAMERA - 1, 64));
  EXPECT_FALSE(KeyBitmapHas("100000 0 0\n", KEY_CAMERA, 64)) << "one word short";
  // The same on a 32-bit kernel: word 6.
  EXPECT_TRUE(KeyBitmapHas("100000 0 0 0 0 0 0", KEY_CAMERA, 32));
  EXPECT_FALSE(KeyBitmapHas("100000 0 0 0", KEY_CAMERA, 32));
  // A keyboard: many keys, the camera key not among them.
  EXPECT_FALSE(KeyBitmapHas(Bitmap({KEY_ESC, KEY_ENTER, KEY_CAMERA_FOCUS, KEY_MAX}), KEY_CAMERA));
  EXPECT_TRUE(KeyBitmapHas(Bitmap({KEY_ESC, KEY_CAMERA, KEY_MAX}), KEY_CAMERA));
  EXPECT_TRUE(KeyBitmapHas(Bitmap({KEY_CAMERA}, 32), KEY_CAMERA, 32));
  for (const char* broken : {"", "\n", "zz 0 0 0", "100000 0 -0 0", "11111111111111111 0 0 0"}) {
    EXPECT_FALSE(KeyBitmapHas(broken, KEY_CAMERA, 64)) << broken;
  }
}

// A device tree as sysfs lays it out, in a scratch folder: a USB camera (video0) whose button is
// an input device on another interface of the same USB device, a second USB device on a hub with
// a camera key of its own, and a laptop keyboard.
class DeviceTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch.path().empty());
    tree.sys = scratch.File("sys");
    tree.dev = scratch.File("dev");
    const fs::path usb = "devices/pci0000:00/0000:00:14.0/usb1";
    camera = usb / "1-1";
    other = usb / "1-2/1-2.3";
    Touch(usb / "idVendor");  // the root hub is a USB device too
    Touch(usb / "1-2/idVendor");
    Touch(camera / "idVendor");
    Touch(other / "idVendor");
    Video("video0", camera / "1-1:1.0");
    Video("video2", "devices/platform/vivid.0");
    Input("event3", "devices/platform/i8042/serio0/input/input3", {KEY_ESC, KEY_ENTER});
    Input("event5", camera / "1-1:1.2/input/input7", {KEY_CAMERA});
    Input("event9", other / "1-2.3:1.0/input/input9", {KEY_CAMERA});
  }

  fs::path Sys(const fs::path& relative) const { return fs::path(tree.sys) / relative; }
  void Touch(const fs::path& relative, const std::string& text = "") {
    fs::create_directories(Sys(relative).parent_path());
    std::ofstream(Sys(relative)) << text;
  }
  void TouchDev(const std::string& name) {
    fs::create_directories((fs::path(tree.dev) / name).parent_path());
    std::ofstream(fs::path(tree.dev) / name) << "";
  }
  // class/video4linux/<name> -> the device's node folder, whose "device" is the interface.
  void Video(const std::string& name, const fs::path& parent) {
    const fs::path node = parent / "video4linux" / name;
    fs::create_directories(Sys(node));
    fs::create_directory_symlink(Sys(parent), Sys(node / "device"));
    fs::create_directories(Sys("class/video4linux"));
    fs::create_directory_symlink(Sys(node), Sys("class/video4linux") / name);
    TouchDev(name);
  }
  // class/input/<name> -> the event folder below the input device, which has the capabilities.
  void Input(const std::string& name, const fs::path& input, std::vector<unsigned> keys) {
    Touch(input / "capabilities/key", Bitmap(std::move(keys)));
    const fs::path event = input / name;
    Touch(event / "uevent", "MAJOR=13\nMINOR=69\nDEVNAME=input/" + name + "\n");
    fs::create_directory_symlink(Sys(input), Sys(event / "device"));
    fs::create_directories(Sys("class/input"));
    fs::create_directory_symlink(Sys(event), Sys("class/input") / name);
    TouchDev("input/" + name);
  }
  std::string Dev(const std::string& name) const { return (fs::path(tree.dev) / name).string(); }

  ScratchFolder scratch{fs::temp_directory_path() / "tavo-sysfs-XXXXXX"};
  DeviceTree tree;
  fs::path camera;
  fs::path other;
};

TEST_F(DeviceTreeTest, TheKeyOfTheCamerasOwnUsbDeviceIsFound) {
  EXPECT_EQ(FindCameraKeyDevice("/dev/video0", tree), Dev("input/event5"));
  EXPECT_EQ(FindCameraKeyDevice(Dev("video0"), tree), Dev("input/event5"));
}

TEST_F(DeviceTreeTest, NoKeyWhereTheCameraHasNone) {
  struct Case {
    const char* what;
    std::string video;
  } cases[] = {
      {"a camera not on USB", "/dev/video2"},
      {"a device the tree does not know", "/dev/video7"},
      {"the virtual camera", ""},
      {"a name that climbs out", "/dev/.."},
  };
  for (const Case& c : cases) EXPECT_EQ(FindCameraKeyDevice(c.video, tree), "") << c.what;
}

TEST_F(DeviceTreeTest, TheKeyMustBeTheCamerasAndReportTheCameraKey) {
  // The camera's input device loses its camera key: the other USB device's key is not taken.
  Touch(camera / "1-1:1.2/input/input7/capabilities/key", Bitmap({KEY_VOLUMEUP}));
  EXPECT_EQ(FindCameraKeyDevice("/dev/video0", tree), "");
  // The camera on the hub finds its own key, not its hub's neighbours'.
  Video("video4", other / "1-2.3:1.0");
  EXPECT_EQ(FindCameraKeyDevice("/dev/video4", tree), Dev("input/event9"));
}

TEST_F(DeviceTreeTest, AKeyWithoutAReadableNodeOrWithAStrangeNameIsPassedOver) {
  fs::remove(Dev("input/event5"));
  EXPECT_EQ(FindCameraKeyDevice("/dev/video0", tree), "");
  // A second key device of the camera is the fallback, whatever its number.
  Input("event12", camera / "1-1:1.3/input/input12", {KEY_CAMERA});
  EXPECT_EQ(FindCameraKeyDevice("/dev/video0", tree), Dev("input/event12"));
  // A node name that leaves the device folder is not followed.
  Touch(camera / "1-1:1.3/input/input12/event12/uevent", "DEVNAME=../../etc/passwd\n");
  EXPECT_EQ(FindCameraKeyDevice("/dev/video0", tree), "");
}

TEST_F(DeviceTreeTest, TheFoundDeviceIsListenedTo) {
  // Everything together on the fake tree: the event node is a FIFO the test feeds.
  const std::string node = Dev("input/event5");
  fs::remove(node);
  ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
  testing::EnsureApplication();
  int presses = 0;
  CameraKey key([&] { ++presses; });
  ASSERT_TRUE(key.Listen(FindCameraKeyDevice("/dev/video0", tree)));
  UniqueFd feed(::open(node.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  ASSERT_TRUE(feed.valid());
  const input_event press = Event(EV_KEY, KEY_CAMERA, 1);
  ASSERT_EQ(::write(feed.get(), &press, sizeof press), static_cast<ssize_t>(sizeof press));
  EXPECT_TRUE(SpinUntil([&] { return presses == 1; }));
}

}  // namespace
}  // namespace tavo::preview
