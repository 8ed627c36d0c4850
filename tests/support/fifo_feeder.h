// A FIFO standing where a test expects a file, and a thread that writes a
// given content to whoever opens it for reading. Code that opens the FIFO
// for reading is fed instead of blocked, so a test sees what the code did
// with it (WasOpened) rather than hanging.
#pragma once

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

namespace vlm::testing {

class FifoFeeder {
 public:
  FifoFeeder(std::string path, std::string content)
      : path_(std::move(path)), content_(std::move(content)) {
    if (::mkfifo(path_.c_str(), 0644) != 0) throw std::runtime_error("mkfifo " + path_);
    thread_ = std::thread([this] { Feed(); });
  }
  ~FifoFeeder() { Stop(); }
  FifoFeeder(const FifoFeeder&) = delete;
  FifoFeeder& operator=(const FifoFeeder&) = delete;

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // Whether anything opened the FIFO for reading.
  bool WasOpened() const { return opened_; }

 private:
  void Feed() {
    // A reader that leaves early makes the write fail with EPIPE, not a signal.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    while (!stop_) {
      int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        opened_ = true;
        [[maybe_unused]] ssize_t n = ::write(fd, content_.data(), content_.size());
        ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  std::string path_;
  std::string content_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> opened_{false};
  std::thread thread_;
};

}  // namespace vlm::testing
