// The setup window when the program keeps records, against the simulated indicator: a Read All
// becomes a record on the scale the technician confirms, the next opening proposes that scale,
// "Not Now" keeps the records on none, a saved service record keeps its PDF, and without a store
// the window works as it always has.

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "records/record_keeper.h"
#include "records/record_session.h"
#include "records/scale_dialog.h"
#include "records/service_record_dialog.h"
#include "setup/setup_dialog.h"
#include "sim/simulator.h"
#include "support/recording_feedback.h"
#include "support/sim_line.h"

namespace tamarack {

using records::Record;
using test::RecordingFeedback;

namespace {

sim::Simulator::Options Quick() {
  sim::Simulator::Options options;
  options.indicator.stepTime = std::chrono::milliseconds(0);
  return options;
}

struct Bench {
  QTemporaryDir dir;
  RecordingFeedback ui;
  records::RecordKeeper keeper{{dir.filePath("data").toStdString(), {}, "laptop-1"}};
  sim::Simulator simulator{Quick()};
  test::SimLine line{simulator};
  WindowServices services{ui};
  // How the question which scale is answered, and how often it was asked.
  std::function<void(CScaleDlg&)> answer;
  int asked = 0;
  bool proposed = false;
  // How the service record window is used.
  std::function<void(CServiceRecordDlg&)> serviceRecord;

  Bench() {
    QStandardPaths::setTestModeEnabled(true);
    services.runWindow = [this](QDialog& window) {
      if (auto* ask = dynamic_cast<CScaleDlg*>(&window)) {
        ++asked;
        proposed = !ask->ProposalLabel()->isHidden();
        answer(*ask);
        return ask->result();
      }
      if (auto* record = dynamic_cast<CServiceRecordDlg*>(&window)) serviceRecord(*record);
      return 0;
    };
    services.pickSaveFile = [this](QWidget*, const FileDialogSetup&) {
      return dir.filePath("record.pdf");
    };
  }

  // One opening of the setup window on the simulated indicator.
  std::unique_ptr<CSetupDlg> Open() {
    services.records = &keeper;
    CSetupDlg::Options options;
    options.line = {"Simulator", {9600, 8, 1, Parity::kNone}};
    options.historyFolder = QString();
    return std::make_unique<CSetupDlg>(line, services, options);
  }

  std::vector<Record> OnScale(const std::string& site, const std::string& tag) {
    const auto scale = keeper.Store()->FindScale(site + "/" + tag);
    return scale ? keeper.Store()->History(scale->id) : std::vector<Record>{};
  }
};

}  // namespace

class SetupRecordsTest : public QObject {
  Q_OBJECT

 private slots:
  void aReadAllIsKeptOnTheConfirmedScaleAndProposedNextTime() {
    Bench b;
    QCOMPARE(b.keeper.Open(), std::string());
    b.simulator.With([](sim::SimulatedIndicator& m) { m.SetValue("F1.6", "02"); });

    // A new scale: site and tag are required, the refusal says so and the question stays.
    b.answer = [&b](CScaleDlg& ask) {
      QVERIFY(ask.ProposalLabel()->isHidden());
      QCOMPARE(ask.ScaleList()->count(), 0);
      ask.TechnicianField()->setText("  Ann Øberg ");
      ask.TagField()->setText("Hopper");
      ask.OnAddScale();
      QCOMPARE(ask.result(), 0);
      QCOMPARE(b.ui.Texts().back(), std::string("A scale needs a site."));
      ask.SiteField()->setText("Mühle 3");
      ask.SerialField()->setText("SN 4711");
      ask.OnAddScale();
      QCOMPARE(ask.result(), int(QDialog::Accepted));
    };
    {
      std::unique_ptr<CSetupDlg> dlg = b.Open();
      dlg->OnReadAll();
      QCOMPARE(b.asked, 1);
      // The opening's next records go on the same scale without asking again.
      dlg->OnVerify();
      QCOMPARE(b.asked, 1);
    }
    std::vector<Record> kept = b.OnScale("Mühle 3", "Hopper");
    QCOMPARE(kept.size(), size_t{3});  // the read, the Verify's read and the Verify
    const Record& read = kept.back();
    const auto& values = std::get<records::ReadContent>(read.content);
    QCOMPARE(values.port, std::string("Simulator"));
    QCOMPARE(values.line, std::string("9600 baud, 8 data bits, parity none, 1 stop bit"));
    QCOMPARE(values.values[RowIndex(*FindParam("F1.6"))], std::string("2 (30Hz)"));
    QCOMPARE(read.technician, std::string("Ann Øberg"));
    QCOMPARE(read.pc, std::string("laptop-1"));
    QCOMPARE(b.keeper.Store()->FindScale("Mühle 3/Hopper")->serial, std::string("SN 4711"));

    // The next opening reads the same indicator: the scale is proposed, chosen in the list, and
    // taken only when the technician confirms it.
    b.answer = [](CScaleDlg& ask) {
      QVERIFY(ask.ProposalLabel()->text().contains("Mühle 3/Hopper"));
      QCOMPARE(ask.TechnicianField()->text(), QString("Ann Øberg"));
      QCOMPARE(ask.ScaleList()->currentItem()->text(), QString("Mühle 3/Hopper  (SN 4711)"));
      QVERIFY(ask.ThisScaleButton()->isEnabled());
      ask.ThisScaleButton()->click();
    };
    {
      std::unique_ptr<CSetupDlg> dlg = b.Open();
      dlg->OnReadAll();
    }
    QCOMPARE(b.asked, 2);
    QVERIFY(b.proposed);
    QCOMPARE(b.OnScale("Mühle 3", "Hopper").size(), size_t{4});

    // "Not Now": kept on no scale.
    b.answer = [](CScaleDlg& ask) { ask.NotNowButton()->click(); };
    {
      std::unique_ptr<CSetupDlg> dlg = b.Open();
      dlg->OnReadAll();
      dlg->OnReadAll();
    }
    QCOMPARE(b.asked, 3);
    QCOMPARE(b.keeper.Store()->Unplaced().size(), size_t{2});
    QCOMPARE(b.OnScale("Mühle 3", "Hopper").size(), size_t{4});
    // The refused scale and the Verify's outcome; nothing of the records.
    QCOMPARE(b.ui.messages.size(), size_t{2});
    for (const std::string& text : b.ui.Texts()) QVERIFY(!text.starts_with("Records not kept"));
  }

  void aSavedServiceRecordIsKeptWithItsPdfAndGivesTheTechnician() {
    Bench b;
    b.keeper.Open();
    b.answer = [](CScaleDlg& ask) {
      QCOMPARE(ask.TechnicianField()->text(), QString("Bo Ström"));
      ask.SiteField()->setText("Dock");
      ask.TagField()->setText("Truck");
      ask.OnAddScale();
    };
    b.serviceRecord = [](CServiceRecordDlg& record) {
      QCOMPARE(record.TechnicianField()->text(), QString());  // nobody has given a name yet
      record.TechnicianField()->setText("Bo Ström");
      record.OnSavePdf();
    };
    {
      std::unique_ptr<CSetupDlg> dlg = b.Open();
      b.ui.answers = {false};  // no Read All first
      dlg->OnServiceRecord();
    }
    QCOMPARE(b.asked, 1);
    const std::vector<Record> kept = b.OnScale("Dock", "Truck");
    QCOMPARE(kept.size(), size_t{1});
    const std::optional<Record> whole = b.keeper.Store()->Get(kept[0].id);
    const auto& service = std::get<records::ServiceRecordContent>(whole->content);
    QCOMPARE(service.record.technician, std::string("Bo Ström"));
    QVERIFY(service.pdf.starts_with("%PDF"));
    QFile saved(b.dir.filePath("record.pdf"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().startsWith("%PDF"));
    QCOMPARE(b.keeper.Technician(), std::string("Bo Ström"));
    QCOMPARE(whole->technician, std::string("Bo Ström"));
  }

  void withoutAStoreTheSetupWindowWorksAsBefore() {
    Bench b;
    QFile blocker(b.dir.filePath("data"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    QVERIFY(b.keeper.Open().starts_with("Records not kept: "));
    b.answer = [](CScaleDlg&) { QFAIL("asked without a store"); };
    std::unique_ptr<CSetupDlg> dlg = b.Open();
    QVERIFY(dlg->Records() != nullptr);
    dlg->OnReadAll();
    QCOMPARE(b.asked, 0);
    QVERIFY(dlg->Session().LatestRead().has_value());
    QVERIFY(b.ui.messages.empty());
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::SetupRecordsTest)
#include "setup_records_test.moc"
