#include "sim/pty_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace tamarack::sim {
namespace {

// A reply that the application does not take off the line within this time is dropped.
constexpr auto kStuckWrite = std::chrono::seconds(2);

std::string Errno(std::string_view what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

PtyTransport::PtyTransport(Simulator& simulator, Options options)
    : simulator_(simulator), options_(std::move(options)) {}

PtyTransport::~PtyTransport() {
  Stop();
}

std::string PtyTransport::DevicePath() const {
  std::lock_guard lock(mutex_);
  return devicePath_;
}

bool PtyTransport::Open(std::string* error) {
  int master = -1, slave = -1;
  std::array<char, 256> name{};
  if (openpty(&master, &slave, name.data(), nullptr, nullptr) != 0) {
    if (error) *error = Errno("openpty");
    return false;
  }
  // Raw bytes both ways: no echo, no line editing, no translation of CR/LF, nothing special.
  termios tio{};
  tcgetattr(slave, &tio);
  cfmakeraw(&tio);
  tcsetattr(slave, TCSANOW, &tio);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  fcntl(master, F_SETFD, FD_CLOEXEC);
  fcntl(slave, F_SETFD, FD_CLOEXEC);
  {
    std::lock_guard lock(mutex_);
    master_ = master;
    slave_ = slave;
    devicePath_ = name.data();
  }
  return UpdateLink(error);
}

void PtyTransport::Close() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = slave_ = -1;
}

bool PtyTransport::UpdateLink(std::string* error) {
  if (options_.linkPath.empty()) return true;
  struct stat st {};
  if (lstat(options_.linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    if (error) *error = options_.linkPath + ": exists and is not a symlink; left alone";
    return false;
  }
  // Made beside it and renamed over it, so that the link never dangles half-way.
  const std::string temporary = options_.linkPath + ".new";
  ::unlink(temporary.c_str());
  if (::symlink(DevicePath().c_str(), temporary.c_str()) != 0 ||
      ::rename(temporary.c_str(), options_.linkPath.c_str()) != 0) {
    if (error) *error = Errno(options_.linkPath);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool PtyTransport::Start(std::string* error) {
  if (thread_.joinable()) return true;
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (error) *error = Errno("pipe");
    return false;
  }
  if (!Open(error)) {
    Close();
    ::close(wake_[0]);
    ::close(wake_[1]);
    wake_[0] = wake_[1] = -1;
    return false;
  }
  stop_ = false;
  // A change posted to the simulator wakes the thread, which makes it at once.
  simulator_.SetWakeUp([fd = wake_[1]] {
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(fd, &byte, 1);
  });
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void PtyTransport::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    stop_ = true;
  }
  simulator_.SetWakeUp(nullptr);
  stopped_.notify_all();
  const char byte = 0;
  [[maybe_unused]] const auto ignored = ::write(wake_[1], &byte, 1);
  thread_.join();
  if (!options_.linkPath.empty()) {
    std::array<char, 256> target{};
    const ssize_t n = ::readlink(options_.linkPath.c_str(), target.data(), target.size() - 1);
    if (n > 0 && std::string_view(target.data(), static_cast<std::size_t>(n)) == DevicePath()) {
      ::unlink(options_.linkPath.c_str());
    }
  }
  Close();
  ::close(wake_[0]);
  ::close(wake_[1]);
  wake_[0] = wake_[1] = -1;
}

bool PtyTransport::SleepUntil(Clock::time_point when) {
  std::unique_lock lock(mutex_);
  return !stopped_.wait_until(lock, when, [this] { return stop_; });
}

bool PtyTransport::WriteAll(const std::uint8_t* data, std::size_t size) {
  const auto giveUp = Clock::now() + kStuckWrite;
  while (size > 0) {
    const ssize_t n = ::write(master_, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (Clock::now() > giveUp) return false;
    pollfd out{master_, POLLOUT, 0};
    ::poll(&out, 1, 20);
    std::lock_guard lock(mutex_);
    if (stop_) return false;
  }
  return true;
}

void PtyTransport::Deliver(const SimReply& reply, Clock::time_point arrival) {
  const auto byteTime = options_.line.ByteTime();
  auto start = arrival + reply.delay;
  // On a real line the request itself takes its wire time to arrive.
  if (options_.pacing) start += byteTime * static_cast<long>(reply.requestSize);
  if (!SleepUntil(start)) return;
  if (reply.hangUp) {
    // The fresh device is ready, and counted, before the old one dies, so that whoever sees the
    // line go dead finds the new one at once.
    const int oldMaster = master_, oldSlave = slave_;
    std::string error;
    Open(&error);  // a symlink that cannot follow does not stop the new device being served
    if (master_ != oldMaster) {
      ++hangUps_;
    } else {
      master_ = slave_ = -1;  // no device could be made: Serve() tries again
    }
    ::close(oldMaster);
    ::close(oldSlave);
    return;
  }
  if (!options_.pacing) {
    WriteAll(reply.bytes.data(), reply.bytes.size());
    return;
  }
  // Each byte is handed over when its last stop bit would have arrived, or the FIFO's worth of
  // them when the last one's has.
  const std::size_t fifo = static_cast<std::size_t>(std::max(options_.fifoBytes, 1));
  for (std::size_t i = 0; i < reply.bytes.size(); i += fifo) {
    const std::size_t n = std::min(fifo, reply.bytes.size() - i);
    if (!SleepUntil(start + byteTime * static_cast<long>(i + n))) return;
    if (!WriteAll(&reply.bytes[i], n)) return;
  }
}

std::string PtyTransport::LineMismatch() const {
  termios tio{};
  if (tcgetattr(master_, &tio) != 0) return {};
  const speed_t speed = cfgetospeed(&tio);
  const int baud = speed == B2400    ? 2400
                   : speed == B4800  ? 4800
                   : speed == B9600  ? 9600
                   : speed == B19200 ? 19200
                   : speed == B38400 ? 38400
                                     : -1;
  const int stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 1;
  if (baud == options_.line.baud && stopBits == options_.line.stopBits) return {};
  return "garbled: the line runs at " + (baud > 0 ? std::to_string(baud) : std::string("another")) +
         " baud with " + std::to_string(stopBits) + " stop bits";
}

void PtyTransport::Serve() {
  std::array<std::uint8_t, 512> buffer{};
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stop_) return;
    }
    if (master_ < 0) {
      // A hang-up could not open a fresh device: try again shortly.
      std::string error;
      if (!SleepUntil(Clock::now() + std::chrono::milliseconds(200))) return;
      if (Open(&error)) ++hangUps_;
      continue;
    }
    std::array<pollfd, 2> fds = {pollfd{master_, POLLIN, 0}, pollfd{wake_[0], POLLIN, 0}};
    const int ready = ::poll(fds.data(), fds.size(), 200);
    if (ready <= 0) continue;
    if (fds[1].revents != 0) {
      // Woken to stop, or to make the changes posted to the simulator.
      std::array<char, 64> drain{};
      while (::read(wake_[0], drain.data(), drain.size()) > 0) {
      }
      simulator_.RunPosted();
      continue;
    }
    if ((fds[0].revents & POLLIN) == 0) {
      // Only an error or hang-up condition: do not spin on it.
      SleepUntil(Clock::now() + std::chrono::milliseconds(20));
      continue;
    }
    const ssize_t n = ::read(master_, buffer.data(), buffer.size());
    if (n <= 0) continue;
    const auto arrival = Clock::now();
    if (options_.strictLine) {
      if (std::string mismatch = LineMismatch(); !mismatch.empty()) {
        simulator_.NoteIgnored(std::span(buffer.data(), static_cast<std::size_t>(n)), arrival,
                               std::move(mismatch));
        continue;
      }
    }
    const auto replies =
        simulator_.Process(std::span(buffer.data(), static_cast<std::size_t>(n)), arrival);
    for (const SimReply& reply : replies) Deliver(reply, arrival);
  }
}

}  // namespace tamarack::sim
