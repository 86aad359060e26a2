#pragma once

#include <QSerialPort>
#include <string>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"

namespace tamarack {

// The five line settings as the main window's lists show them.
struct PortSettings {
  std::string port = "COM1";  // "COM1".."COM6" or a device path such as "/dev/ttyUSB0"
  int baud = 9600;            // 2400, 4800 or 9600
  int dataBits = 8;           // 7 or 8
  int stopBits = 1;           // 1 or 2
  int parity = 0;             // position in the Parity list: 0 none, 1 even, 2 odd
};

// The messages of a failed open, shown with the caption "Error Information".
inline constexpr std::string_view kPortMissing = "CommPort not Exist!";
inline constexpr std::string_view kPortBusy = "CommPort Already OPened!";
// Followed by a full-width colon and the platform error code in decimal.
inline constexpr std::string_view kPortUndefined = "Undefined Error Code";
inline constexpr std::string_view kFullWidthColon = "\xEF\xBC\x9A";  // U+FF1A

// The one serial port of the program: a raw line with the chosen settings, no flow control, and
// the modem lines left as the driver has them.
class CommPort : public SerialLink {
 public:
  CommPort();
  CommPort(const CommPort&) = delete;
  CommPort& operator=(const CommPort&) = delete;
  ~CommPort() override;

  // Opens the port and sets the line. Returns 1, or -1 after telling the user why not.
  int Open(const PortSettings& settings, UserFeedback& ui);
  void Close();
  bool IsOpen() const { return open_; }
  const PortSettings& Settings() const { return settings_; }

  // "COM3" is /dev/ttyS2 on Linux; any other name is used as it is.
  static std::string DeviceFor(const std::string& name);

  // Replaces the read time-out contract for the reads that follow (the indicator finder keeps its
  // tries short). Opening does not change it.
  void SetReadTimeouts(const ReadTimeouts& timeouts) { timeouts_ = timeouts; }

  bool ClearErrors() override;
  bool PurgeTransmit() override;
  bool PurgeReceive() override;
  void Write(const std::uint8_t* data, std::size_t size) override;
  int Read(std::uint8_t* buffer, std::size_t size) override;
  int LastError() const override { return lastError_; }

 private:
  bool Lost() const;
  void NoteError();
  // The device went away (a USB adapter pulled, the far end of a pseudo-terminal closed): the
  // device is let go, so that no read watcher fires on the dead line, and every exchange fails at
  // once until Reattach finds the device again.
  void MarkLost();
  bool Reattach();

  QSerialPort port_;
  PortSettings settings_;
  ReadTimeouts timeouts_;
  bool open_ = false;  // opened by the user and not yet closed
  bool lost_ = false;  // open, but the device has gone away
  int lastError_ = 0;
};

}  // namespace tamarack
