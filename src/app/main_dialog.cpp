#include "app/main_dialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/find_dialog.h"
#include "app/network_dialog.h"
#include "indicator/trend_window.h"
#include "link/open_link.h"
#include "link/port_list.h"
#include "link/port_names.h"
#include "net/net_address.h"
#include "traffic/exchange_meaning.h"
#include "traffic/traffic_window.h"
#include "ui/pictures.h"
#include "ui/product.h"
#include "ui/text.h"

namespace tamarack {
namespace {

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

QComboBox* MakeList(const QStringList& choices, const QString& selected, const QString& name,
                    QWidget* parent, QComboBox* list = nullptr) {
  if (list == nullptr) list = new QComboBox(parent);
  list->addItems(choices);
  list->setCurrentText(selected);
  list->setAccessibleName(name);
  list->setEditable(false);
  return list;
}

WindowServices WithRealPorts(WindowServices services) {
  if (!services.openLink) services.openLink = OpenLink;
  if (!services.finderLinks) services.finderLinks = PortFinderFactory();
  return services;
}

}  // namespace

QList<CMainDlg::ListEntry> CMainDlg::ListEntries() const {
  QList<ListEntry> entries;
  for (const PortEntry& entry : PortEntries()) {
    entries.push_back({FromUtf8(entry.shown), FromUtf8(entry.port)});
  }
  for (const QString& url : addedUrls_) entries.push_back({url, url});
  const QString network = FromUtf8(kNetworkEntry);
  entries.push_back({network, network});
  return entries;
}

void CMainDlg::RefreshPortList() {
  QComboBox* list = PortList();
  const QString selected = list->currentData().toString();
  const QList<ListEntry> entries = ListEntries();
  bool same = list->count() == entries.size();
  for (int i = 0; same && i < entries.size(); ++i) {
    same = list->itemText(i) == entries[i].shown && list->itemData(i).toString() == entries[i].port;
  }
  if (same) return;
  list->clear();
  for (const ListEntry& entry : entries) list->addItem(entry.shown, entry.port);
  const int at = list->findData(selected);
  // A device that went away leaves the default selected.
  list->setCurrentIndex(at >= 0 ? at : 0);
}

CMainDlg::CMainDlg(const WindowServices& services, MainWindowParts parts, QWidget* parent)
    : CModalDlg(parent), services_(WithRealPorts(services)), parts_(std::move(parts)) {
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
      for (const ListEntry& entry : ListEntries()) list->addItem(entry.shown, entry.port);
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

  for (const WorkWindowRow& row : parts_.windows) {
    work_.push_back(MakeButton(FromUtf8(row.caption), this));
  }
  trafficButton_ = MakeButton("Traffic", this);
  trendButton_ = MakeButton("Trend", this);
  recordsButton_ = MakeButton("Records", this);
  recordsButton_->setEnabled(services_.records != nullptr && parts_.records);
  exit_ = MakeButton("Exit", this);
  simScaleButton_ = MakeButton(kSimulatedScaleCaption, this);
  simScaleButton_->setEnabled(false);

  logo_ = MakeLogo(this);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : work_) buttons->addWidget(button);
  buttons->addWidget(trafficButton_);
  buttons->addWidget(trendButton_);
  buttons->addWidget(recordsButton_);
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

  connect(PortList(), &QComboBox::activated, this, &CMainDlg::OnPortChosen);
  connect(openClose_, &QPushButton::clicked, this, &CMainDlg::OnOpenClose);
  for (std::size_t i = 0; i < work_.size(); ++i) {
    connect(work_[i], &QPushButton::clicked, this, [this, i] { OnWorkWindow(i); });
  }
  connect(exit_, &QPushButton::clicked, this, &CMainDlg::OnExit);
  connect(trafficButton_, &QPushButton::clicked, this, &CMainDlg::OnTraffic);
  connect(trendButton_, &QPushButton::clicked, this, &CMainDlg::OnTrend);
  connect(recordsButton_, &QPushButton::clicked, this, &CMainDlg::OnRecords);
  connect(find_, &QPushButton::clicked, this, &CMainDlg::OnFindIndicator);
  connect(simScaleButton_, &QPushButton::clicked, this, &CMainDlg::OnSimulatedScale);

  trace_.SetDescriber(DescribeExchange);

  relay_ = new ToolTipRelay(this);
  relay_->Add(PortList(), "Select COMM Port");
  relay_->Add(BaudList(), "Select Baud");
  relay_->Add(DataBitList(), "Select DataBit");
  relay_->Add(StopBitList(), "Select SotpBit");
  relay_->Add(ParityList(), "Select Parity Mode");
  relay_->Add(openClose_, "Open or Close COMM Port");
  for (std::size_t i = 0; i < work_.size(); ++i) {
    relay_->Add(work_[i], FromUtf8(parts_.windows[i].tip));
  }
  relay_->Add(find_, "Look for the indicator on this port at every line setting");
  relay_->Add(trafficButton_, "Show the exchanges with the indicator");
  relay_->Add(trendButton_, kTrendTip);
  relay_->Add(recordsButton_, "Show the scales, their visits, the ones due for verification");
  relay_->Add(exit_, "Exit Program");
  relay_->Add(simScaleButton_, "Put a load on the simulated indicator and see what it prints");
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::OnSimulatedScale() {
  if (!IsPortOpen() || !onSimulator_) return;
  if (!simScale_) {
    if (!parts_.simulatedScale) return;
    simScale_.reset(parts_.simulatedScale());
    if (!simScale_) return;
    // First shown beside the main window, where the working windows do not cover it.
    simScale_->adjustSize();
    simScale_->move(frameGeometry().topRight() + QPoint(8, 0));
  }
  simScale_->show();
  simScale_->raise();
  simScale_->activateWindow();
}

void CMainDlg::OnPortChosen(int index) {
  QComboBox* list = PortList();
  const int network = list->count() - 1;
  if (index != network) {
    lastPort_ = list->itemData(index).toString();
    return;
  }
  CNetworkDlg ask(services_, this);
  if (services_.runWindow(ask) != 1) {
    list->setCurrentIndex(std::max(0, list->findData(lastPort_)));
    return;
  }
  const QString entry = FromUtf8(ask.Url());
  int at = list->findData(entry);
  if (at < 0) {
    addedUrls_ << entry;
    list->insertItem(network, entry, entry);
    at = network;
  }
  list->setCurrentIndex(at);
  lastPort_ = entry;
}

PortLine CMainDlg::Selections() const {
  PortLine line;
  const QVariant port = PortList()->currentData();
  line.port = ToUtf8(port.isValid() ? port.toString() : PortList()->currentText());
  line.settings.baud = BaudList()->currentText().toInt();
  line.settings.dataBits = DataBitList()->currentText().toInt();
  line.settings.stopBits = StopBitList()->currentText().toInt();
  line.settings.parity = static_cast<Parity>(ParityList()->currentIndex());
  return line;
}

void CMainDlg::OnOpenClose() {
  if (openClose_->text() == kOpenCaption) {
    const PortLine line = Selections();
    if (line.port == kNetworkEntry) {
      services_.feedback.PortError(kPortMissing);
      return;
    }
    open_ = services_.openLink(line, services_.feedback);
    if (!open_) return;
    current_.SetInner(*open_);
    onSimulator_ = line.port == kSimulatorPort;
    trace_.MarkOpened();
    SetListsEnabled(false);
    SetOpenCaption(kCloseCaption);
  } else {
    if (open_) open_->Close();
    onSimulator_ = false;
    if (simScale_) simScale_->hide();
    current_.SetInner(closed_);
    open_.reset();
    SetListsEnabled(true);
    SetOpenCaption(kOpenCaption);
  }
  simScaleButton_->setEnabled(onSimulator_);
  repaint();
}

void CMainDlg::OnWorkWindow(std::size_t row) {
  if (!IsPortOpen()) {
    services_.feedback.PortError(kPleaseOpen);
    return;
  }
  const WindowOpener& opener = parts_.windows.at(row).opener;
  if (opener) opener({*this, trace_, services_, open_->Opened()});
}

void CMainDlg::OnTraffic() {
  // A window of its own, not a child of this one: a working window blocks only the chain of
  // windows that opened it.
  if (!traffic_) traffic_ = std::make_unique<CTrafficWindow>(trace_, services_);
  traffic_->show();
  traffic_->raise();
  traffic_->activateWindow();
}

void CMainDlg::OnTrend() {
  // Like the Traffic window: no owner, so that it stays usable beside the working windows.
  if (!trend_) {
    trend_ = std::make_unique<CTrendWindow>(trace_, services_, [this] { return IsPortOpen(); });
  }
  trend_->show();
  trend_->raise();
  trend_->activateWindow();
}

void CMainDlg::OnRecords() {
  if (services_.records == nullptr || !parts_.records) return;
  // Like the Traffic window: no owner, so that it stays usable beside the working windows.
  if (!records_) {
    records_.reset(parts_.records(services_));
    if (!records_) return;
  }
  records_->show();
  records_->raise();
  records_->activateWindow();
}

std::vector<FinderPort> CMainDlg::OtherFinderPorts(const std::string& chosen) const {
  std::vector<FinderPort> ports;
  const QComboBox* list = PortList();
  for (int i = 0; i < list->count(); ++i) {
    const std::string port = ToUtf8(list->itemData(i).toString());
    if (port == chosen || port == kSimulatorPort) continue;
    const std::string device = DeviceFor(port);
    if (!QFileInfo::exists(FromUtf8(device))) continue;
    ports.push_back({port, device});
  }
  return ports;
}

void CMainDlg::ApplySetting(const FinderPort& port, const LineSettings& setting) {
  const int at = PortList()->findData(FromUtf8(port.name));
  if (at >= 0) PortList()->setCurrentIndex(at);
  BaudList()->setCurrentText(QString::number(setting.baud));
  DataBitList()->setCurrentText(QString::number(setting.dataBits));
  StopBitList()->setCurrentText(QString::number(setting.stopBits));
  ParityList()->setCurrentIndex(static_cast<int>(setting.parity));
}

void CMainDlg::OnFindIndicator() {
  if (IsPortOpen()) return;
  const std::string chosen = Selections().port;
  // The simulated indicator is started by the finder's first try, as an open starts it.
  const FinderPort port{chosen, chosen == kSimulatorPort ? chosen : DeviceFor(chosen)};
  CFindDlg dlg(port, OtherFinderPorts(chosen), services_.finderLinks, services_, this);
  services_.runWindow(dlg);
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
