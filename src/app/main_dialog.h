#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/tooltip_relay.h"
#include "link/comm_port.h"
#include "link/modal_dialog.h"
#include "link/tcp_link.h"
#include "link/user_feedback.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tamarack {

// The working windows that the main window leads to.
enum class WorkWindow { kPrintFormat, kParameterSetup, kIndicator, kCountSetup };

// Runs the working window modally over `parent`; the port is open.
using WindowOpener =
    std::function<void(QWidget* parent, SerialLink& port, UserFeedback& ui, int dataBits)>;
// Starts the built-in simulated indicator (once) and returns the device to open; nullopt on
// failure.
using SimulatorStarter = std::function<std::optional<std::string>()>;

// Asks for a serial device server's address; its URL, or nothing when the user cancelled.
using AddressAsker = std::function<std::optional<std::string>(QWidget* parent)>;

// The name of the entry in the Comm list that opens the simulated indicator.
inline constexpr const char* kSimulatorPort = "Simulator";
// The last entry of the Comm list: asks for a device server's address and adds it to the list.
inline constexpr const char* kNetworkEntry = "Network\u2026";
inline constexpr const char* kOpenCaption = "OpenComm";
inline constexpr const char* kCloseCaption = "CloseComm";
inline constexpr std::string_view kPleaseOpen = "Please Open CommPort!";

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
  void SetAddressAsker(AddressAsker asker);

  // The open/close button: opens the port with the chosen settings or closes it.
  void OnOpenClose();
  // "Print Format", "Parameter Setup", "Indicator", "Count Setup".
  void OnWorkWindow(WorkWindow which);
  // "Exit": ends the window with result 1 (the port stays as it is; the process releases it).
  void OnExit();

  // An entry of the Comm list was chosen; "Network…" asks for an address.
  void OnPortChosen(int index);

  bool IsPortOpen() const { return port_.IsOpen() || (net_ && net_->IsOpen()); }
  CommPort& Port() { return port_; }
  // The open link: the local port, or the link to a device server when a URL was opened.
  SerialLink& Link() { return net_ ? static_cast<SerialLink&>(*net_) : port_; }
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
  const ToolTipRelay& Relay() const { return *relay_; }

  // The Comm list: "COM1".."COM6", the serial devices the system reports that the list lacks,
  // "Simulator", then "Network…".
  static QStringList PortChoices();

 private:
  void SetListsEnabled(bool enabled);
  void SetOpenCaption(const char* caption);

  std::unique_ptr<UserFeedback> ownFeedback_;
  UserFeedback* ui_;
  CommPort port_;
  std::unique_ptr<PortLink> net_;
  int lastPortIndex_ = 0;  // the Comm list's choice before "Network…" was picked
  std::array<QComboBox*, 5> lists_{};
  QPushButton* openClose_ = nullptr;
  std::array<QPushButton*, 4> work_{};
  QPushButton* exit_ = nullptr;
  QLabel* logo_ = nullptr;
  ToolTipRelay* relay_ = nullptr;
  std::array<WindowOpener, 4> openers_{};
  SimulatorStarter simulatorStarter_;
  AddressAsker addressAsker_;
};

}  // namespace tamarack
