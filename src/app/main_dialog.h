#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "feedback/user_feedback.h"
#include "link/comm_port.h"
#include "link/line_finder.h"
#include "link/tracing_link.h"
#include "net/tcp_link.h"
#include "ui/modal_dialog.h"
#include "ui/tooltip_relay.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tamarack {

class CTrafficWindow;
class CTrendWindow;

// The working windows that the main window leads to.
enum class WorkWindow { kPrintFormat, kParameterSetup, kIndicator, kCountSetup };

// Runs the working window modally over `parent`; the port is open.
using WindowOpener =
    std::function<void(QWidget* parent, SerialLink& port, UserFeedback& ui, int dataBits)>;
// Starts the built-in simulated indicator (once) and returns the device to open; nullopt on
// failure.
using SimulatorStarter = std::function<std::optional<std::string>()>;
// Makes the Simulated Scale window for the built-in simulated indicator; the main window owns it.
using ToolWindowMaker = std::function<QWidget*()>;

// Asks for a serial device server's address; its URL, or nothing when the user cancelled.
using AddressAsker = std::function<std::optional<std::string>(QWidget* parent)>;

// The name of the entry in the Comm list that opens the simulated indicator.
inline constexpr const char* kSimulatorPort = "Simulator";
// The last entry of the Comm list: asks for a device server's address and adds it to the list.
inline constexpr const char* kNetworkEntry = "Network\u2026";
inline constexpr const char* kOpenCaption = "OpenComm";
inline constexpr const char* kCloseCaption = "CloseComm";
inline constexpr const char* kSimulatedScaleCaption = "Simulated Scale";
inline constexpr std::string_view kPleaseOpen = "Please Open CommPort!";

// Passes every call on to the link that is open now: the local port, or a device server's link.
// The trace sits on it, so the Traffic window records whichever is open.
class CurrentLink : public SerialLink {
 public:
  explicit CurrentLink(SerialLink& port) : port_(port) {}
  // nullptr goes back to the local port.
  void Set(SerialLink* link) { link_ = link != nullptr ? link : &port_; }
  SerialLink& Get() const { return *link_; }

  bool ClearErrors() override { return link_->ClearErrors(); }
  bool PurgeTransmit() override { return link_->PurgeTransmit(); }
  bool PurgeReceive() override { return link_->PurgeReceive(); }
  void Write(const std::uint8_t* data, std::size_t size) override { link_->Write(data, size); }
  int Read(std::uint8_t* buffer, std::size_t size) override { return link_->Read(buffer, size); }
  int LastError() const override { return link_->LastError(); }
  void ExchangeEnded(std::uint32_t waitMs, int status) override {
    link_->ExchangeEnded(waitMs, status);
  }

 private:
  SerialLink& port_;
  SerialLink* link_ = &port_;
};

// The main window: chooses and opens the serial port and leads to the working windows. It owns
// the one CommPort for the program's life.
class CMainDlg : public CModalDlg {
  Q_OBJECT

 public:
  // `ui` receives every message box; without it the window shows Qt message boxes of its own.
  explicit CMainDlg(UserFeedback* ui = nullptr, QWidget* parent = nullptr);
  ~CMainDlg() override;

  void SetOpener(WorkWindow which, WindowOpener opener);
  void SetSimulatorStarter(SimulatorStarter starter);
  void SetSimulatedScaleMaker(ToolWindowMaker maker);
  void SetAddressAsker(AddressAsker asker);

  // The open/close button: opens the port with the chosen settings or closes it.
  void OnOpenClose();
  // "Print Format", "Parameter Setup", "Indicator", "Count Setup".
  void OnWorkWindow(WorkWindow which);
  // "Simulated Scale": shows the tool window beside the others (made at the first press). The
  // button is enabled while the open port is the built-in simulated indicator.
  void OnSimulatedScale();
  // "Exit": ends the window with result 1 (the port stays as it is; the process releases it).
  void OnExit();
  // "Traffic": shows the Traffic window (made at the first press, kept until the program ends).
  void OnTraffic();
  // "Trend": shows the Weight Trend window (made at the first press, kept until the program ends).
  void OnTrend();
  // "Find Indicator": looks for the indicator on the chosen port; on an answer the five lists are
  // set to the setting that answered.
  void OnFindIndicator();
  // The links the finder opens (tests put their own in).
  void SetFinderFactory(FinderLinkFactory factory) { finderFactory_ = std::move(factory); }

  // An entry of the Comm list was chosen; "Network…" asks for an address.
  void OnPortChosen(int index);

  bool IsPortOpen() const { return port_.IsOpen() || (net_ && net_->IsOpen()); }
  CommPort& Port() { return port_; }
  // The open link: the local port, or the link to a device server when a URL was opened.
  SerialLink& Link() { return current_.Get(); }
  // The open link as every window talks through it: each exchange is recorded.
  TracingLink& Trace() { return trace_; }
  CTrafficWindow* TrafficWindow() const { return traffic_.get(); }
  CTrendWindow* TrendWindow() const { return trend_.get(); }
  // The five selections as the port would be opened with them now.
  PortSettings Selections() const;

  QComboBox* PortList() const { return lists_[0]; }
  QComboBox* BaudList() const { return lists_[1]; }
  QComboBox* DataBitList() const { return lists_[2]; }
  QComboBox* StopBitList() const { return lists_[3]; }
  QComboBox* ParityList() const { return lists_[4]; }
  QPushButton* OpenCloseButton() const { return openClose_; }
  QPushButton* Button(WorkWindow which) const { return work_[static_cast<int>(which)]; }
  QPushButton* ExitButton() const { return exit_; }
  QPushButton* TrafficButton() const { return trafficButton_; }
  QPushButton* TrendButton() const { return trendButton_; }
  QPushButton* FindButton() const { return find_; }
  QPushButton* SimulatedScaleButton() const { return simScaleButton_; }
  // The Simulated Scale window once made, else nullptr.
  QWidget* SimulatedScaleWindow() const { return simScale_.get(); }
  const ToolTipRelay& Relay() const { return *relay_; }

  // An entry of the Comm list: what it shows ("/dev/ttyUSB0 (USB serial adapter)") and what it
  // opens ("/dev/ttyUSB0").
  struct PortEntry {
    QString shown;
    QString port;
  };
  // The Comm list: "COM1".."COM6", the serial devices the system reports that the list lacks
  // (with the description the system gives them), "Simulator", then "Network…".
  static QList<PortEntry> PortEntries();
  // Reads the devices again, keeping the selection and the network addresses added to the list;
  // the list does it each time it drops down.
  void RefreshPortList();

 private:
  // PortEntries() with the added network addresses just before "Network…".
  QList<PortEntry> ListEntries() const;
  void SetListsEnabled(bool enabled);
  // The ports the finder may search besides the chosen one: those of the list that exist.
  std::vector<FinderPort> OtherFinderPorts(const std::string& chosen) const;
  void ApplySetting(const FinderPort& port, const LineSetting& setting);
  void SetOpenCaption(const char* caption);

  std::unique_ptr<UserFeedback> ownFeedback_;
  UserFeedback* ui_;
  CommPort port_;
  std::unique_ptr<PortLink> net_;
  CurrentLink current_{port_};
  TracingLink trace_{current_};
  std::unique_ptr<CTrafficWindow> traffic_;
  std::unique_ptr<CTrendWindow> trend_;
  FinderLinkFactory finderFactory_;
  QStringList addedUrls_;  // the network addresses added to the Comm list, in order
  QString lastPort_;       // the Comm list's choice before "Network…" was picked
  std::array<QComboBox*, 5> lists_{};
  QPushButton* openClose_ = nullptr;
  std::array<QPushButton*, 4> work_{};
  QPushButton* exit_ = nullptr;
  QPushButton* trafficButton_ = nullptr;
  QPushButton* trendButton_ = nullptr;
  QPushButton* find_ = nullptr;
  QLabel* logo_ = nullptr;
  ToolTipRelay* relay_ = nullptr;
  std::array<WindowOpener, 4> openers_{};
  SimulatorStarter simulatorStarter_;
  QPushButton* simScaleButton_ = nullptr;
  ToolWindowMaker simScaleMaker_;
  bool onSimulator_ = false;  // the open port is the built-in simulated indicator
  std::unique_ptr<QWidget> simScale_;
  AddressAsker addressAsker_;
};

}  // namespace tamarack
