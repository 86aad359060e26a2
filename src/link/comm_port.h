#pragma once

#include <QSerialPort>
#include <string>

#include "feedback/user_feedback.h"
#include "link/line_settings.h"
#include "link/port_link.h"

namespace tamarack {

// A local serial port: a raw line with the chosen settings, no flow control, and the modem lines
// left as the driver has them.
class CommPort : public PortLink {
 public:
  CommPort();
  CommPort(const CommPort&) = delete;
  CommPort& operator=(const CommPort&) = delete;
  ~CommPort() override;

  // Opens the device that `line.port` names (DeviceFor) and sets the line. `device`, when given,
  // is opened instead under that name (a simulated indicator's pseudo-terminal). Returns 1, or -1
  // after telling the user why not.
  int Open(const PortLine& line, UserFeedback& ui, const std::string& device = {});
  void Close() override;
  bool IsOpen() const override { return open_; }
  const PortLine& Opened() const override { return opened_; }
  void SetReadTimeouts(const ReadTimeouts& timeouts) override { timeouts_ = timeouts; }

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
  PortLine opened_;
  ReadTimeouts timeouts_;
  bool open_ = false;  // opened by the user and not yet closed
  bool lost_ = false;  // open, but the device has gone away
  int lastError_ = 0;
};

}  // namespace tamarack
