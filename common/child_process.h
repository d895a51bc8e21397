// For tests: a child process that takes hold of something (a table, a lock)
// and keeps it until the test lets it go, so the test can see how the program
// behaves while another process holds it. POSIX only (fork).
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zel {

class ChildProcess {
 public:
  // body runs in the child and answers whether it holds what it needs; the
  // constructor returns once it has answered.
  template <typename Fn>
  explicit ChildProcess(Fn body) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      char ok = body() ? 'y' : 'n';
      (void)!::write(ready[1], &ok, 1);
      char c;
      (void)!::read(release[0], &c, 1);  // until the test lets go or ends
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char ok = 'n';
    ready_ = ::read(ready[0], &ok, 1) == 1 && ok == 'y';
    ::close(ready[0]);
  }
  ~ChildProcess() { finish(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool ready() const { return ready_; }
  // Lets the child end and waits for it.
  void finish() {
    if (pid_ <= 0) return;
    char c = 'x';
    (void)!::write(release_, &c, 1);
    ::close(release_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool ready_ = false;
};

}  // namespace zel
