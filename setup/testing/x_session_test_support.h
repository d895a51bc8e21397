// Test support: a private X server (Xvfb) on a free display, optionally with a
// real window manager (openbox), for tests that must see what a user's desktop
// does to the installer's windows. Both are started as child processes and
// killed when the session goes. Tests only.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace zel::setup::testing {

class XSession {
 public:
  // Starts Xvfb with one screen of the given size, then the window manager when
  // one is named. ok() says whether everything came up.
  XSession(const std::string& windowManager, int width, int height) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    server_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp"}, fds[1]);
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (server_ <= 0 || number.empty()) return;
    display_ = ":" + number;
    ::setenv("DISPLAY", display_.c_str(), 1);
    if (windowManager.empty()) {
      ok_ = true;
      return;
    }
    // The window manager runs the start-up command once it manages the screen.
    char pattern[] = "/tmp/zelwm-XXXXXX";
    if (!::mkdtemp(pattern)) return;
    readyDir_ = pattern;
    const std::string ready = readyDir_ + "/ready";
    wm_ = spawn({windowManager, "--sm-disable", "--startup", "touch " + ready}, -1);
    for (int i = 0; i < 200 && !std::filesystem::exists(ready); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ok_ = wm_ > 0 && std::filesystem::exists(ready);
  }
  ~XSession() {
    stop(wm_);
    stop(server_);
    std::error_code ec;
    if (!readyDir_.empty()) std::filesystem::remove_all(readyDir_, ec);
  }
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  bool ok() const { return ok_; }
  const std::string& display() const { return display_; }

 private:
  static pid_t spawn(const std::vector<std::string>& args, int keepFd) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    for (int fd = 3; fd < 256; ++fd)
      if (fd != keepFd) ::close(fd);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  static void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }

  pid_t server_ = -1;
  pid_t wm_ = -1;
  std::string display_;
  std::string readyDir_;
  bool ok_ = false;
};

}  // namespace zel::setup::testing
