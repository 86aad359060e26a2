#include "app/main_dialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

#include "app/find_dialog.h"
#include "app/network_dialog.h"
#include "indicator/trend_window.h"
#include "link/open_link.h"
#include "net/net_address.h"
#include "traffic/exchange_meaning.h"
#include "traffic/traffic_window.h"
#include "ui/pictures.h"
#include "ui/product.h"
#include "ui/qt_feedback.h"

namespace tamarack {
namespace {

constexpr int kComPorts = 6;

// The Comm list, read again each time it drops down, so that an adapter plugged in after the
// start appears.
class PortListBox : public QComboBox {
 public:
  PortListBox(CMainDlg& owner, QWidget* parent) : QComboBox(parent), owner_(owner) {}

  void showPopup() override {
    owner_.RefreshPortList();
    QComboBox::showPopup();
  }

 private:
  CMainDlg& owner_;
};

void FillPortList(QComboBox* list, const QList<CMainDlg::PortEntry>& entries) {
  for (const CMainDlg::PortEntry& entry : entries) list->addItem(entry.shown, entry.port);
}

QComboBox* MakeList(const QStringList& choices, const QString& selected, const QString& name,
                    QWidget* parent, QComboBox* list = nullptr) {
  if (list == nullptr) list = new QComboBox(parent);
  list->addItems(choices);
  list->setCurrentText(selected);
  list->setAccessibleName(name);
  list->setEditable(false);
  return list;
}

}  // namespace

QList<CMainDlg::PortEntry> CMainDlg::PortEntries() {
  QList<PortEntry> entries;
  QStringList ports;
  QStringList devices;
  for (int n = 1; n <= kComPorts; ++n) {
    const std::string name = "COM" + std::to_string(n);
    entries.push_back({QString::fromStdString(name), QString::fromStdString(name)});
    ports << QString::fromStdString(name);
    devices << QString::fromStdString(CommPort::DeviceFor(name));
  }
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const QString location = info.systemLocation();
    if (ports.contains(location) || devices.contains(location)) continue;
    const QString description = info.description();
    entries.push_back(
        {description.isEmpty() ? location : location + " (" + description + ")", location});
    ports << location;
  }
  entries.push_back({kSimulatorPort, kSimulatorPort});
  const QString network = QString::fromUtf8(kNetworkEntry);
  entries.push_back({network, network});
  return entries;
}

QList<CMainDlg::PortEntry> CMainDlg::ListEntries() const {
  QList<PortEntry> entries = PortEntries();
  for (const QString& url : addedUrls_) entries.insert(entries.size() - 1, {url, url});
  return entries;
}

void CMainDlg::RefreshPortList() {
  QComboBox* list = PortList();
  const QString selected = list->currentData().toString();
  const QList<PortEntry> entries = ListEntries();
  bool same = list->count() == entries.size();
  for (int i = 0; same && i < entries.size(); ++i) {
    same = list->itemText(i) == entries[i].shown && list->itemData(i).toString() == entries[i].port;
  }
  if (same) return;
  list->clear();
  FillPortList(list, entries);
  const int at = list->findData(selected);
  // A device that went away leaves the default selected.
  list->setCurrentIndex(at >= 0 ? at : 0);
}

CMainDlg::CMainDlg(UserFeedback* ui, QWidget* parent) : CModalDlg(parent) {
  if (ui == nullptr) {
    ownFeedback_ = std::make_unique<QtFeedback>(this);
    ui = ownFeedback_.get();
  }
  ui_ = ui;
  setObjectName("CMainDlg");
  // Modal as the program's one main window, yet blocking no other window: the Traffic window,
  // which has no owner, stays usable beside it and beside the working windows it opens.
  setWindowModality(Qt::WindowModal);
  SetTitle(kProductName);
  setWindowIcon(ProductIcon());

  auto* group = new QGroupBox("Communication Parameter Selection", this);
  auto* grid = new QGridLayout(group);
  const QString names[5] = {"Comm", "Baud", "DataBit", "StopBit", "Parity"};
  const QStringList choices[5] = {
      {}, {"2400", "4800", "9600"}, {"7", "8"}, {"1", "2"}, {"NOPARITY", "EVENPARITY", "ODDPARITY"},
  };
  const QString defaults[5] = {"COM1", "9600", "8", "1", "NOPARITY"};
  for (int i = 0; i < 5; ++i) {
    auto* label = new QLabel(names[i], group);
    QComboBox* list = nullptr;
    if (i == 0) {
      list = new PortListBox(*this, group);
      FillPortList(list, PortEntries());
    }
    lists_[i] = MakeList(choices[i], defaults[i], names[i], group, list);
    label->setBuddy(lists_[i]);
    grid->addWidget(label, i, 0);
    grid->addWidget(lists_[i], i, 1);
  }
  openClose_ = MakeButton(kOpenCaption, group);
  grid->addWidget(openClose_, 5, 0, 1, 2, Qt::AlignHCenter);
  find_ = MakeButton("Find Indicator", group);
  grid->addWidget(find_, 6, 0, 1, 2, Qt::AlignHCenter);

  work_[static_cast<int>(WorkWindow::kPrintFormat)] = MakeButton("Print Format", this);
  work_[static_cast<int>(WorkWindow::kParameterSetup)] = MakeButton("Parameter Setup", this);
  work_[static_cast<int>(WorkWindow::kIndicator)] = MakeButton("Indicator", this);
  work_[static_cast<int>(WorkWindow::kCountSetup)] = MakeButton("Count Setup", this);
  trafficButton_ = MakeButton("Traffic", this);
  trendButton_ = MakeButton("Trend", this);
  exit_ = MakeButton("Exit", this);
  simScaleButton_ = MakeButton(kSimulatedScaleCaption, this);
  simScaleButton_->setEnabled(false);

  logo_ = MakeLogo(this);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : work_) buttons->addWidget(button);
  buttons->addWidget(trafficButton_);
  buttons->addWidget(trendButton_);
  buttons->addWidget(simScaleButton_);
  buttons->addWidget(exit_);
  buttons->addStretch();
  auto* lower = new QHBoxLayout;
  lower->addLayout(buttons);
  lower->addStretch();
  lower->addWidget(logo_, 0, Qt::AlignRight | Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(lower);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  addressAsker_ = [this](QWidget* owner) { return AskNetworkAddress(owner, *ui_); };
  connect(PortList(), &QComboBox::activated, this, &CMainDlg::OnPortChosen);
  connect(openClose_, &QPushButton::clicked, this, &CMainDlg::OnOpenClose);
  for (int i = 0; i < 4; ++i) {
    connect(work_[i], &QPushButton::clicked, this,
            [this, i] { OnWorkWindow(static_cast<WorkWindow>(i)); });
  }
  connect(exit_, &QPushButton::clicked, this, &CMainDlg::OnExit);
  connect(trafficButton_, &QPushButton::clicked, this, &CMainDlg::OnTraffic);
  connect(trendButton_, &QPushButton::clicked, this, &CMainDlg::OnTrend);
  connect(find_, &QPushButton::clicked, this, &CMainDlg::OnFindIndicator);
  connect(simScaleButton_, &QPushButton::clicked, this, &CMainDlg::OnSimulatedScale);

  trace_.SetDescriber(DescribeExchange);
  finderFactory_ = PortFinderFactory();

  relay_ = new ToolTipRelay(this);
  relay_->Add(PortList(), "Select COMM Port");
  relay_->Add(BaudList(), "Select Baud");
  relay_->Add(DataBitList(), "Select DataBit");
  relay_->Add(StopBitList(), "Select SotpBit");
  relay_->Add(ParityList(), "Select Parity Mode");
  relay_->Add(openClose_, "Open or Close COMM Port");
  relay_->Add(Button(WorkWindow::kPrintFormat), "Go to Print Format Setup Window");
  relay_->Add(Button(WorkWindow::kParameterSetup), "Go to Parameter Setup Window");
  relay_->Add(Button(WorkWindow::kIndicator), "Go to Indicator Window");
  relay_->Add(Button(WorkWindow::kCountSetup), "Go to Count Setup Window");
  relay_->Add(find_, "Look for the indicator on this port at every line setting");
  relay_->Add(trafficButton_, "Show the exchanges with the indicator");
  relay_->Add(trendButton_, kTrendTip);
  relay_->Add(exit_, "Exit Program");
  relay_->Add(simScaleButton_, "Put a load on the simulated indicator and see what it prints");
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::SetOpener(WorkWindow which, WindowOpener opener) {
  openers_[static_cast<int>(which)] = std::move(opener);
}

void CMainDlg::SetSimulatorStarter(SimulatorStarter starter) {
  simulatorStarter_ = std::move(starter);
}

void CMainDlg::SetSimulatedScaleMaker(ToolWindowMaker maker) {
  simScaleMaker_ = std::move(maker);
}

void CMainDlg::OnSimulatedScale() {
  if (!port_.IsOpen() || !onSimulator_) return;
  if (!simScale_) {
    if (!simScaleMaker_) return;
    simScale_.reset(simScaleMaker_());
    if (!simScale_) return;
    // First shown beside the main window, where the working windows do not cover it.
    simScale_->adjustSize();
    simScale_->move(frameGeometry().topRight() + QPoint(8, 0));
  }
  simScale_->show();
  simScale_->raise();
  simScale_->activateWindow();
}

void CMainDlg::SetAddressAsker(AddressAsker asker) {
  addressAsker_ = std::move(asker);
}

void CMainDlg::OnPortChosen(int index) {
  QComboBox* list = PortList();
  const int network = list->count() - 1;
  if (index != network) {
    lastPort_ = list->itemData(index).toString();
    return;
  }
  const std::optional<std::string> url = addressAsker_ ? addressAsker_(this) : std::nullopt;
  if (!url) {
    list->setCurrentIndex(std::max(0, list->findData(lastPort_)));
    return;
  }
  const QString entry = QString::fromStdString(*url);
  int at = list->findData(entry);
  if (at < 0) {
    addedUrls_ << entry;
    list->insertItem(network, entry, entry);
    at = network;
  }
  list->setCurrentIndex(at);
  lastPort_ = entry;
}

PortSettings CMainDlg::Selections() const {
  PortSettings settings;
  const QVariant port = PortList()->currentData();
  settings.port = (port.isValid() ? port.toString() : PortList()->currentText()).toStdString();
  settings.baud = BaudList()->currentText().toInt();
  settings.dataBits = DataBitList()->currentText().toInt();
  settings.stopBits = StopBitList()->currentText().toInt();
  settings.parity = ParityList()->currentIndex();
  return settings;
}

void CMainDlg::OnOpenClose() {
  if (openClose_->text() == kOpenCaption) {
    PortSettings settings = Selections();
    if (IsNetworkName(settings.port)) {
      net_ = OpenLink(settings, *ui_);
      if (!net_) return;
    } else if (settings.port == kNetworkEntry) {
      ui_->PortError(kPortMissing);
      return;
    } else if (settings.port == kSimulatorPort) {
      std::optional<std::string> device;
      if (simulatorStarter_) device = simulatorStarter_();
      if (!device) {
        ui_->PortError(kPortMissing);
        return;
      }
      settings.port = *device;
    }
    if (!net_ && port_.Open(settings, *ui_) != 1) return;
    current_.Set(net_.get());
    onSimulator_ = Selections().port == kSimulatorPort;
    trace_.MarkOpened();
    SetListsEnabled(false);
    SetOpenCaption(kCloseCaption);
  } else {
    port_.Close();
    onSimulator_ = false;
    if (simScale_) simScale_->hide();
    current_.Set(nullptr);
    net_.reset();
    SetListsEnabled(true);
    SetOpenCaption(kOpenCaption);
  }
  simScaleButton_->setEnabled(onSimulator_);
  repaint();
}

void CMainDlg::OnWorkWindow(WorkWindow which) {
  if (!IsPortOpen()) {
    ui_->PortError(kPleaseOpen);
    return;
  }
  const WindowOpener& opener = openers_[static_cast<int>(which)];
  if (opener) opener(this, trace_, *ui_, DataBitList()->currentText().toInt());
}

void CMainDlg::OnTraffic() {
  // A window of its own, not a child of this one: a working window blocks only the chain of
  // windows that opened it.
  if (!traffic_) traffic_ = std::make_unique<CTrafficWindow>(trace_, *ui_);
  traffic_->show();
  traffic_->raise();
  traffic_->activateWindow();
}

void CMainDlg::OnTrend() {
  // Like the Traffic window: no owner, so that it stays usable beside the working windows.
  if (!trend_) {
    trend_ = std::make_unique<CTrendWindow>(trace_, *ui_, [this] { return IsPortOpen(); });
  }
  trend_->show();
  trend_->raise();
  trend_->activateWindow();
}

std::vector<FinderPort> CMainDlg::OtherFinderPorts(const std::string& chosen) const {
  std::vector<FinderPort> ports;
  const QComboBox* list = PortList();
  for (int i = 0; i < list->count(); ++i) {
    const std::string port = list->itemData(i).toString().toStdString();
    if (port == chosen || port == kSimulatorPort) continue;
    if (!QFileInfo::exists(QString::fromStdString(CommPort::DeviceFor(port)))) continue;
    ports.push_back({port, CommPort::DeviceFor(port)});
  }
  return ports;
}

void CMainDlg::ApplySetting(const FinderPort& port, const LineSetting& setting) {
  const int at = PortList()->findData(QString::fromStdString(port.name));
  if (at >= 0) PortList()->setCurrentIndex(at);
  BaudList()->setCurrentText(QString::number(setting.baud));
  DataBitList()->setCurrentText(QString::number(setting.dataBits));
  StopBitList()->setCurrentText(QString::number(setting.stopBits));
  ParityList()->setCurrentIndex(setting.parity);
}

void CMainDlg::OnFindIndicator() {
  if (IsPortOpen()) return;
  const std::string chosen = Selections().port;
  FinderPort port{chosen, CommPort::DeviceFor(chosen)};
  if (chosen == kSimulatorPort) {
    std::optional<std::string> device;
    if (simulatorStarter_) device = simulatorStarter_();
    if (!device) {
      ui_->PortError(kPortMissing);
      return;
    }
    port.device = *device;
  }
  CFindDlg dlg(port, OtherFinderPorts(chosen), finderFactory_, *ui_, this);
  dlg.exec();
  // The lists change all at once, and only after an answer.
  if (dlg.Found()) ApplySetting(dlg.Found()->port, dlg.Found()->setting);
}

void CMainDlg::OnExit() {
  done(1);
}

void CMainDlg::SetListsEnabled(bool enabled) {
  for (QComboBox* list : lists_) list->setEnabled(enabled);
  find_->setEnabled(enabled);
}

void CMainDlg::SetOpenCaption(const char* caption) {
  openClose_->setText(caption);
  openClose_->setAccessibleName(caption);
}

}  // namespace tamarack
