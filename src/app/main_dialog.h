#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/comm_port.h"
#include "link/forwarding_link.h"
#include "link/line_finder.h"
#include "link/line_settings.h"
#include "link/port_link.h"
#include "link/port_names.h"
#include "link/tracing_link.h"
#include "ui/modal_dialog.h"
#include "ui/tooltip_relay.h"
#include "ui/window_services.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tamarack {

class CMainDlg;
class CTrafficWindow;
class CTrendWindow;

// What a working window is opened with: the port is open.
struct WorkWindowContext {
  CMainDlg& main;     // the window to run over
  TracingLink& link;  // the open port, seen through the trace that records every exchange
  const WindowServices& services;
  const PortLine& opened;  // what is open: the port's name and the line settings it runs at
};
// Runs a working window modally over the main window.
using WindowOpener = std::function<void(const WorkWindowContext& context)>;

// One working window the main window leads to: its button's caption and tip, and how it runs.
struct WorkWindowRow {
  std::string caption;  // "Print Format"; UTF-8, as the tip
  std::string tip;      // "Go to Print Format Setup Window"
  WindowOpener opener;
};

// Makes a tool window; the main window owns it.
using ToolWindowMaker = std::function<QWidget*()>;
// Makes a tool window over the services every window gets; the main window owns it.
using ServicedToolMaker = std::function<QWidget*(const WindowServices& services)>;

// What the program plugs into the main window (app_windows.cpp).
struct MainWindowParts {
  // The working windows, one button each, in the order of their buttons.
  std::vector<WorkWindowRow> windows;
  // The Simulated Scale window over the built-in simulated indicator.
  ToolWindowMaker simulatedScale;
  // The Records window over the program's records.
  ServicedToolMaker records;
};

// The last entry of the Comm list: asks for a device server's address and adds it to the list.
inline constexpr const char* kNetworkEntry = "Network\u2026";
inline constexpr const char* kOpenCaption = "OpenComm";
inline constexpr const char* kCloseCaption = "CloseComm";
inline constexpr const char* kSimulatedScaleCaption = "Simulated Scale";
inline constexpr std::string_view kPleaseOpen = "Please Open CommPort!";

// The main window: chooses and opens the port and leads to the working windows. It owns the open
// port; every window talks through its trace.
class CMainDlg : public CModalDlg {
  Q_OBJECT

 public:
  // Ports open through `services.openLink` and the finder's tries through
  // `services.finderLinks` (the real ones where they are empty).
  explicit CMainDlg(const WindowServices& services, MainWindowParts parts = {},
                    QWidget* parent = nullptr);
  ~CMainDlg() override;

  // The open/close button: opens the port with the chosen settings or closes it.
  void OnOpenClose();
  // A working window's button ("Print Format", "Parameter Setup", ...): row `row` of the parts.
  void OnWorkWindow(std::size_t row);
  // "Simulated Scale": shows the tool window beside the others (made at the first press). The
  // button is enabled while the open port is the built-in simulated indicator.
  void OnSimulatedScale();
  // "Exit": ends the window with result 1 (the port stays as it is; the process releases it).
  void OnExit();
  // "Traffic": shows the Traffic window (made at the first press, kept until the program ends).
  void OnTraffic();
  // "Trend": shows the Weight Trend window (made at the first press, kept until the program ends).
  void OnTrend();
  // "Records": shows the Records window (made at the first press, kept until the program ends).
  // The button is enabled while the program keeps records.
  void OnRecords();
  // "Find Indicator": looks for the indicator on the chosen port; on an answer the five lists are
  // set to the setting that answered.
  void OnFindIndicator();

  // An entry of the Comm list was chosen; "Network…" asks for an address.
  void OnPortChosen(int index);

  bool IsPortOpen() const { return open_ && open_->IsOpen(); }
  // The open port; null while none is.
  const PortLink* OpenPort() const { return open_.get(); }
  // The link the trace passes on to: the open port, or a closed one while none is.
  SerialLink& Link() const { return current_.Inner(); }
  // The open link as every window talks through it: each exchange is recorded.
  TracingLink& Trace() { return trace_; }
  CTrafficWindow* TrafficWindow() const { return traffic_.get(); }
  CTrendWindow* TrendWindow() const { return trend_.get(); }
  // The five selections as the port would be opened with them now.
  PortLine Selections() const;

  QComboBox* PortList() const { return lists_[0]; }
  QComboBox* BaudList() const { return lists_[1]; }
  QComboBox* DataBitList() const { return lists_[2]; }
  QComboBox* StopBitList() const { return lists_[3]; }
  QComboBox* ParityList() const { return lists_[4]; }
  QPushButton* OpenCloseButton() const { return openClose_; }
  // The button of working window `row`, in the order of the parts.
  QPushButton* WorkButton(std::size_t row) const { return work_.at(row); }
  QPushButton* ExitButton() const { return exit_; }
  QPushButton* TrafficButton() const { return trafficButton_; }
  QPushButton* TrendButton() const { return trendButton_; }
  QPushButton* FindButton() const { return find_; }
  QPushButton* SimulatedScaleButton() const { return simScaleButton_; }
  QPushButton* RecordsButton() const { return recordsButton_; }
  // The Records window once made, else nullptr.
  QWidget* RecordsWindow() const { return records_.get(); }
  // The Simulated Scale window once made, else nullptr.
  QWidget* SimulatedScaleWindow() const { return simScale_.get(); }
  const ToolTipRelay& Relay() const { return *relay_; }

  // Reads the devices again, keeping the selection and the network addresses added to the list;
  // the list does it each time it drops down.
  void RefreshPortList();

 private:
  struct ListEntry {
    QString shown;
    QString port;
  };
  // The port list with the added network addresses, then "Network…".
  QList<ListEntry> ListEntries() const;
  void SetListsEnabled(bool enabled);
  // The ports the finder may search besides the chosen one: those of the list that exist.
  std::vector<FinderPort> OtherFinderPorts(const std::string& chosen) const;
  void ApplySetting(const FinderPort& port, const LineSettings& setting);
  void SetOpenCaption(const char* caption);

  WindowServices services_;
  MainWindowParts parts_;
  std::unique_ptr<PortLink> open_;
  // What the windows reach while no port is open: a port that is not open, as before any open.
  CommPort closed_;
  ForwardingLink current_{closed_};
  TracingLink trace_{current_};
  std::unique_ptr<CTrafficWindow> traffic_;
  std::unique_ptr<CTrendWindow> trend_;
  QStringList addedUrls_;  // the network addresses added to the Comm list, in order
  QString lastPort_;       // the Comm list's choice before "Network…" was picked
  std::array<QComboBox*, 5> lists_{};
  QPushButton* openClose_ = nullptr;
  std::vector<QPushButton*> work_;
  QPushButton* exit_ = nullptr;
  QPushButton* trafficButton_ = nullptr;
  QPushButton* trendButton_ = nullptr;
  QPushButton* find_ = nullptr;
  QLabel* logo_ = nullptr;
  ToolTipRelay* relay_ = nullptr;
  QPushButton* simScaleButton_ = nullptr;
  bool onSimulator_ = false;  // the open port is the built-in simulated indicator
  std::unique_ptr<QWidget> simScale_;
  QPushButton* recordsButton_ = nullptr;
  std::unique_ptr<QWidget> records_;
};

}  // namespace tamarack
