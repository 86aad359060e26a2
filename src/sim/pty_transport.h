#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "link/line_settings.h"
#include "sim/simulator.h"

namespace tamarack::sim {

// Serves a Simulator on a pseudo-terminal, so that the application opens the device path like a
// real serial port. One thread reads the requests and writes the replies (with their delays and,
// optionally, paced at the wire time of each byte).
//
// The transport keeps its own handle on the device open, so that the application may close and
// reopen it any number of times. A hang-up fault closes the pseudo-terminal (the application's
// reads then fail) and serves a fresh one; DevicePath() and the symlink follow it.
class PtyTransport {
 public:
  struct Options {
    LineSettings line;
    bool pacing = false;  // deliver each byte at the wire time of `line`
    // With pacing, the bytes handed over at once, when the last of them would have arrived, as
    // the receiving UART's FIFO hands them on at its trigger level. The end of a reply arrives at
    // its wire time either way; 1 gives each byte its own moment.
    int fifoBytes = 1;
    std::string linkPath;  // when set, a symlink to the device, kept up to date
    // Ignore what arrives while the application's end runs another speed or number of stop bits
    // than `line`, as a real indicator cannot make sense of it. (A pseudo-terminal keeps only
    // those two of the line settings.)
    bool strictLine = false;
  };

  PtyTransport(Simulator& simulator, Options options);
  ~PtyTransport();
  PtyTransport(const PtyTransport&) = delete;
  PtyTransport& operator=(const PtyTransport&) = delete;

  // Opens the pseudo-terminal and starts serving it. False, with `error` telling why, when the
  // device or the symlink could not be made.
  bool Start(std::string* error);
  // Stops serving, closes the device and removes the symlink. Safe to call more than once.
  void Stop();

  // The slave device to open, e.g. "/dev/pts/3"; empty before Start.
  std::string DevicePath() const;
  // How many times the line was hung up and served anew.
  int HangUps() const { return hangUps_.load(); }

 private:
  bool Open(std::string* error);
  void Close();
  bool UpdateLink(std::string* error);
  void Serve();
  void Deliver(const SimReply& reply, Clock::time_point arrival);
  // Sleeps until `when`; false when Stop() came first.
  bool SleepUntil(Clock::time_point when);
  bool WriteAll(const std::uint8_t* data, std::size_t size);
  // Empty when the application's line settings match; otherwise what differs.
  std::string LineMismatch() const;

  Simulator& simulator_;
  Options options_;
  int master_ = -1;
  int slave_ = -1;
  int wake_[2] = {-1, -1};
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  std::string devicePath_;
  bool stop_ = false;
  std::atomic<int> hangUps_{0};
  std::thread thread_;
};

}  // namespace tamarack::sim
