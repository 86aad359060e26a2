#pragma once

// A peer at the far end of a pseudo-terminal: the test opens the device with CommPort and the peer
// answers on the master side from its own thread.

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tamarack::test {

class PtyPeer {
 public:
  // What the peer does with one complete request: the bytes to send back. Set before Start().
  std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> answer;
  // After sending this many bytes of a reply the peer hangs up (closes its side); -1: never.
  int hangUpAfter = -1;

  PtyPeer() {
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
    char name[256] = {};
    if (ttyname_r(slave_, name, sizeof name) == 0) device_ = name;
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
  }
  ~PtyPeer() {
    Stop();
    CloseMaster();
    if (slave_ >= 0) close(slave_);
  }
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& Device() const { return device_; }
  // The slave side, kept open so that the line settings can be read back.
  int Slave() const { return slave_; }

  void Start() {
    running_ = true;
    thread_ = std::thread([this] { Run(); });
  }
  void Stop() {
    running_ = false;
    if (thread_.joinable()) thread_.join();
  }
  // Bytes straight onto the line, outside any exchange.
  void Send(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(writeMutex_);
    if (master_ >= 0) (void)!write(master_, bytes.data(), bytes.size());
  }
  std::vector<std::vector<std::uint8_t>> Requests() {
    std::lock_guard lock(requestsMutex_);
    return requests_;
  }

 private:
  void CloseMaster() {
    std::lock_guard lock(writeMutex_);
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  // A request is complete at the byte after ETX (short form) or after its counted body (long form).
  static bool Complete(const std::vector<std::uint8_t>& b) {
    if (b.size() >= 5 && b[3] == 'F') return b.size() >= 5u + b[4];
    for (std::size_t i = 3; i + 1 < b.size(); ++i) {
      if (b[i] == 0x03) return true;
    }
    return false;
  }

  void Run() {
    std::vector<std::uint8_t> pending;
    while (running_ && master_ >= 0) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      std::uint8_t buf[512];
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n <= 0) continue;
      pending.insert(pending.end(), buf, buf + n);
      if (!Complete(pending)) continue;
      {
        std::lock_guard lock(requestsMutex_);
        requests_.push_back(pending);
      }
      std::vector<std::uint8_t> reply = answer ? answer(pending) : std::vector<std::uint8_t>{};
      pending.clear();
      if (hangUpAfter >= 0 && reply.size() > static_cast<std::size_t>(hangUpAfter)) {
        reply.resize(static_cast<std::size_t>(hangUpAfter));
        Send(reply);
        CloseMaster();
        return;
      }
      if (!reply.empty()) Send(reply);
    }
  }

  int master_ = -1;
  int slave_ = -1;
  std::string device_;
  std::atomic<bool> running_{false};
  std::thread thread_;
  std::mutex writeMutex_;
  std::mutex requestsMutex_;
  std::vector<std::vector<std::uint8_t>> requests_;
};

}  // namespace tamarack::test
