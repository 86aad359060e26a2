#include "app/main_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

#include "app/network_dialog.h"
#include "app/qt_feedback.h"
#include "link/net_address.h"
#include "link/open_link.h"
#include "link/product.h"

// The pictures live in res/app.qrc, linked into this static library.
static void InitAppResources() {
  Q_INIT_RESOURCE(app);
}

namespace tamarack {
namespace {

constexpr int kComPorts = 6;

QComboBox* MakeList(const QStringList& choices, const QString& selected, const QString& name,
                    QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->addItems(choices);
  list->setCurrentText(selected);
  list->setAccessibleName(name);
  list->setEditable(false);
  return list;
}

}  // namespace

QStringList CMainDlg::PortChoices() {
  QStringList choices;
  QStringList devices;
  for (int n = 1; n <= kComPorts; ++n) {
    const std::string name = "COM" + std::to_string(n);
    choices << QString::fromStdString(name);
    devices << QString::fromStdString(CommPort::DeviceFor(name));
  }
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const QString location = info.systemLocation();
    if (!choices.contains(location) && !devices.contains(location)) choices << location;
  }
  choices << kSimulatorPort << QString::fromUtf8(kNetworkEntry);
  return choices;
}

CMainDlg::CMainDlg(UserFeedback* ui, QWidget* parent) : CModalDlg(parent) {
  InitAppResources();
  if (ui == nullptr) {
    ownFeedback_ = std::make_unique<QtFeedback>(this);
    ui = ownFeedback_.get();
  }
  ui_ = ui;
  setObjectName("CMainDlg");
  setWindowTitle(QString::fromStdString(WindowTitle(kProductName)));
  const QIcon icon(":/tamarack/icon.png");
  setWindowIcon(icon);

  auto* group = new QGroupBox("Communication Parameter Selection", this);
  auto* grid = new QGridLayout(group);
  const QString names[5] = {"Comm", "Baud", "DataBit", "StopBit", "Parity"};
  const QStringList choices[5] = {
      PortChoices(),
      {"2400", "4800", "9600"},
      {"7", "8"},
      {"1", "2"},
      {"NOPARITY", "EVENPARITY", "ODDPARITY"},
  };
  const QString defaults[5] = {"COM1", "9600", "8", "1", "NOPARITY"};
  for (int i = 0; i < 5; ++i) {
    auto* label = new QLabel(names[i], group);
    lists_[i] = MakeList(choices[i], defaults[i], names[i], group);
    label->setBuddy(lists_[i]);
    grid->addWidget(label, i, 0);
    grid->addWidget(lists_[i], i, 1);
  }
  openClose_ = MakeButton(kOpenCaption, group);
  grid->addWidget(openClose_, 5, 0, 1, 2, Qt::AlignHCenter);

  work_[static_cast<int>(WorkWindow::kPrintFormat)] = MakeButton("Print Format", this);
  work_[static_cast<int>(WorkWindow::kParameterSetup)] = MakeButton("Parameter Setup", this);
  work_[static_cast<int>(WorkWindow::kIndicator)] = MakeButton("Indicator", this);
  work_[static_cast<int>(WorkWindow::kCountSetup)] = MakeButton("Count Setup", this);
  exit_ = MakeButton("Exit", this);

  logo_ = new QLabel(this);
  logo_->setPixmap(QPixmap(":/tamarack/logo.png"));
  logo_->setAccessibleName("Logo");

  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : work_) buttons->addWidget(button);
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
  relay_->Add(exit_, "Exit Program");
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::SetOpener(WorkWindow which, WindowOpener opener) {
  openers_[static_cast<int>(which)] = std::move(opener);
}

void CMainDlg::SetSimulatorStarter(SimulatorStarter starter) {
  simulatorStarter_ = std::move(starter);
}

void CMainDlg::SetAddressAsker(AddressAsker asker) {
  addressAsker_ = std::move(asker);
}

void CMainDlg::OnPortChosen(int index) {
  QComboBox* list = PortList();
  const int network = list->count() - 1;
  if (index != network) {
    lastPortIndex_ = index;
    return;
  }
  const std::optional<std::string> url = addressAsker_ ? addressAsker_(this) : std::nullopt;
  if (!url) {
    list->setCurrentIndex(lastPortIndex_);
    return;
  }
  const QString entry = QString::fromStdString(*url);
  int at = list->findText(entry);
  if (at < 0) {
    list->insertItem(network, entry);
    at = network;
  }
  list->setCurrentIndex(at);
  lastPortIndex_ = at;
}

PortSettings CMainDlg::Selections() const {
  PortSettings settings;
  settings.port = PortList()->currentText().toStdString();
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
    SetListsEnabled(false);
    SetOpenCaption(kCloseCaption);
  } else {
    port_.Close();
    net_.reset();
    SetListsEnabled(true);
    SetOpenCaption(kOpenCaption);
  }
  repaint();
}

void CMainDlg::OnWorkWindow(WorkWindow which) {
  if (!IsPortOpen()) {
    ui_->PortError(kPleaseOpen);
    return;
  }
  const WindowOpener& opener = openers_[static_cast<int>(which)];
  if (opener) opener(this, Link(), *ui_, DataBitList()->currentText().toInt());
}

void CMainDlg::OnExit() {
  done(1);
}

void CMainDlg::SetListsEnabled(bool enabled) {
  for (QComboBox* list : lists_) list->setEnabled(enabled);
}

void CMainDlg::SetOpenCaption(const char* caption) {
  openClose_->setText(caption);
  openClose_->setAccessibleName(caption);
}

}  // namespace tamarack
