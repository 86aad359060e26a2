#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "link/frame.h"

namespace tamarack::sim::simtest {

// The application's end of the pseudo-terminal, opened the plain POSIX way.
class RawPort {
 public:
  explicit RawPort(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (fd_ < 0) return;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd_, TCSANOW, &tio);
  }
  ~RawPort() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawPort(const RawPort&) = delete;
  RawPort& operator=(const RawPort&) = delete;

  bool ok() const { return fd_ >= 0; }
  void SetLine(speed_t speed, bool twoStopBits) const {
    termios tio{};
    tcgetattr(fd_, &tio);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (twoStopBits) {
      tio.c_cflag |= CSTOPB;
    } else {
      tio.c_cflag &= ~tcflag_t{CSTOPB};
    }
    tcsetattr(fd_, TCSANOW, &tio);
  }
  void Send(const Frame& bytes) const {
    [[maybe_unused]] const auto n = ::write(fd_, bytes.data(), bytes.size());
  }

  struct Received {
    Frame bytes;
    std::vector<std::chrono::steady_clock::time_point> at;  // arrival of each byte
    bool lineDead = false;                                  // the far end hung up
  };
  // Reads until `count` bytes came, the line stays quiet for `quietMs`, or it goes dead.
  Received Read(std::size_t count, int quietMs) const {
    Received r;
    while (r.bytes.size() < count) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, quietMs) <= 0) break;
      std::uint8_t buffer[512];
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) {
        r.lineDead = true;
        break;
      }
      const auto now = std::chrono::steady_clock::now();
      for (ssize_t i = 0; i < n; ++i) {
        r.bytes.push_back(buffer[i]);
        r.at.push_back(now);
      }
    }
    return r;
  }
  // One request and the reply frame that answers it (`expected` bytes long).
  Frame Exchange(const Frame& request, std::size_t expected, int quietMs = 300) const {
    Send(request);
    return Read(expected, quietMs).bytes;
  }

 private:
  int fd_;
};

}  // namespace tamarack::sim::simtest
