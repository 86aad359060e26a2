// The Records window over a store on a SQLite file in a temporary folder: two scales with their
// visits, the records on no scale, the differences, the files, the counts, the due dates, and a
// sync that cannot reach its team store.

#include "records/records_window.h"

#include <QChart>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "records/scale_dialog.h"
#include "sample_read.h"
#include "setup/setup_value_file.h"
#include "support/recording_feedback.h"

namespace tamarack {

using records::Record;
using records::Scale;
using records::test::SampleRead;
using test::RecordingFeedback;

namespace {

QStringList Column(const QTreeWidget* tree, int column) {
  QStringList texts;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) texts << tree->topLevelItem(i)->text(column);
  return texts;
}

QStringList Rows(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A store with two scales and their visits, and a read on no scale.
struct Bench {
  QTemporaryDir dir;
  RecordingFeedback ui;
  records::RecordKeeper keeper{{dir.filePath("data").toStdString(), {}, "laptop-1"}};
  WindowServices services{ui};
  Scale mill, dock;
  Record millFirst, millSecond, millThird, service, dockRead, loose;
  QUrl opened;
  // What the save dialog answers; the question's setup as it was asked.
  QString savePath;
  FileDialogSetup asked;
  // Answers the question which scale with the scale of this id ("" for Not Now).
  std::string answer;

  Bench() {
    QStandardPaths::setTestModeEnabled(true);
    keeper.Open();
    keeper.SetTechnician("Ann Øberg");
    mill = AddScale("Mill 3", "Hopper", "Bagging line");
    dock = AddScale("Dock", "Truck");
    millFirst = Keep(SampleRead(12000, 480000), "2025-03-01T08:00:00.000Z", mill.id);
    millSecond = Keep(SampleRead(12100, 481000), "2025-09-01T08:00:00.000Z", mill.id);
    records::ReadContent third = SampleRead(12150, 462000);  // span down 3.95 %
    records::test::ValueAt(third, {1, 6}) = "2 (30Hz)";
    millThird = Keep(third, "2026-03-01T08:00:00.000Z", mill.id);
    records::ServiceRecordContent sr;
    sr.record.technician = "Ann Øberg";
    sr.record.note = "Span set again";
    sr.pdf = "%PDF-1.4 the service record";
    service = Keep(sr, "2026-03-01T09:00:00.000Z", mill.id);
    records::CertificateContent passed;
    passed.title = "OIML R 76, class III, in service";
    passed.passed = true;
    passed.pdf = "%PDF-1.4 the certificate";
    passed.csv = "Result,passed\n";
    Keep(passed, "2026-03-01T10:00:00.000Z", mill.id);
    dockRead = Keep(SampleRead(9000, 300000), "2026-02-01T08:00:00.000Z", dock.id);
    loose = Keep(SampleRead(9000, 300000), "2026-02-02T08:00:00.000Z", "");
    services.pickSaveFile = [this](QWidget*, const FileDialogSetup& setup) {
      asked = setup;
      return savePath;
    };
    services.runWindow = [this](QDialog& window) {
      auto& ask = dynamic_cast<CScaleDlg&>(window);
      if (answer.empty()) {
        ask.OnNotNow();
        return ask.result();
      }
      for (int row = 0; row < ask.ScaleList()->count(); ++row) {
        if (ask.ScaleList()->item(row)->text().startsWith(answer == dock.id ? "Dock" : "Mill")) {
          ask.ScaleList()->setCurrentRow(row);
        }
      }
      ask.OnThisScale();
      return ask.result();
    };
  }

  Scale AddScale(const std::string& site, const std::string& tag, const std::string& what = {}) {
    Scale s;
    s.site = site;
    s.tag = tag;
    s.description = what;
    std::string error;
    if (!keeper.Store()->AddScale(s, keeper.Who(), error)) qFatal("%s", error.c_str());
    return s;
  }

  Record Keep(records::RecordContent content, const std::string& at, const std::string& scale) {
    Record r = records::MakeRecord(std::move(content), keeper.Who(), scale);
    r.at = at;
    std::string error;
    if (!keeper.Store()->Add(r, error)) qFatal("%s", error.c_str());
    return r;
  }

  std::unique_ptr<CRecordsWindow> Window() {
    CRecordsWindow::Options options;
    options.openUrl = [this](const QUrl& url) {
      opened = url;
      return true;
    };
    options.teamUrl = QString();
    auto window = std::make_unique<CRecordsWindow>(keeper, services, options);
    // Clicks reach a button only where its window has laid it out.
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) qFatal("the window does not show");
    return window;
  }
};

int RowOf(const CRecordsWindow& w, const std::string& id) {
  for (std::size_t i = 0; i < w.Visits().size(); ++i) {
    if (w.Visits()[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

class RecordsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void scalesAreSearchedAndTheirVisitsListedNewestFirst() {
    Bench b;
    auto w = b.Window();
    QCOMPARE(Rows(w->ScaleList()), (QStringList{"(records on no scale)", "Dock/Truck",
                                                "Mill 3/Hopper  \u2014 Bagging line"}));
    // The first scale is chosen at first.
    QCOMPARE(*w->ChosenScale(), b.dock.id);
    QVERIFY(w->ChooseScale(b.mill.id));
    QCOMPARE(Column(w->VisitList(), 3),
             (QStringList{"Certificate: OIML R 76, class III, in service",
                          "Service record: Span set again", "Read All on COM1", "Read All on COM1",
                          "Read All on COM1"}));
    QCOMPARE(Column(w->VisitList(), 4), (QStringList{"passed", "", "", "", ""}));
    QCOMPARE(Column(w->VisitList(), 1).count("Ann Øberg"), 5);
    QCOMPARE(w->DescriptionField()->text(), QString("Bagging line"));

    w->SearchTagField()->setText("TRU");
    QCOMPARE(Rows(w->ScaleList()), (QStringList{"(records on no scale)", "Dock/Truck"}));
    w->SearchTagField()->clear();
    w->SearchSiteField()->setText("mill");
    QCOMPARE(Rows(w->ScaleList()).size(), 2);
    // Choosing a scale that the search hides shows every scale again.
    QVERIFY(w->ChooseScale(b.dock.id));
    QCOMPARE(w->SearchSiteField()->text(), QString());
    QVERIFY(w->ChooseScale(""));
    QCOMPARE(Column(w->VisitList(), 0).size(), 1);
    QCOMPARE(w->Visits()[0].id, b.loose.id);
  }

  void theDifferencesOfTwoReadsOlderBeforeNewer() {
    Bench b;
    auto w = b.Window();
    w->ChooseScale(b.mill.id);
    w->ChooseVisits({RowOf(*w, b.millThird.id)});
    QVERIFY(!w->DifferencesButton()->isEnabled());
    w->ChooseVisits({RowOf(*w, b.millThird.id), RowOf(*w, b.service.id)});
    QVERIFY(!w->DifferencesButton()->isEnabled());  // a service record is no read
    w->ChooseVisits({RowOf(*w, b.millFirst.id), RowOf(*w, b.millThird.id)});
    QVERIFY(w->DifferencesButton()->isEnabled());
    QTest::mouseClick(w->DifferencesButton(), Qt::LeftButton);
    QCOMPARE(Column(w->DifferenceList(), 0), (QStringList{"F1.6", "F3.1", "F3.3"}));
    QCOMPARE(Column(w->DifferenceList(), 2), (QStringList{"1 (15Hz)", "012000", "480000"}));
    QCOMPARE(Column(w->DifferenceList(), 3), (QStringList{"2 (30Hz)", "012150", "462000"}));
    QVERIFY(w->DifferencesCaption()->text().endsWith("3 parameters differ:"));

    w->ChooseVisits({RowOf(*w, b.millFirst.id), RowOf(*w, b.millFirst.id)});
    w->ChooseScale(b.dock.id);
    QCOMPARE(w->DifferenceList()->topLevelItemCount(), 0);
  }

  void storedFilesOpenAndExportAsTheyWereKept() {
    Bench b;
    auto w = b.Window();
    w->ChooseScale(b.mill.id);
    w->ChooseVisits({RowOf(*w, b.millSecond.id)});
    QVERIFY(!w->OpenButton()->isEnabled());
    QVERIFY(w->ExportButton()->isEnabled());

    w->ChooseVisits({RowOf(*w, b.service.id)});
    QVERIFY(w->OpenButton()->isEnabled());
    QTest::mouseClick(w->OpenButton(), Qt::LeftButton);
    QVERIFY(b.opened.isLocalFile());
    QCOMPARE(Bytes(b.opened.toLocalFile()), QByteArray("%PDF-1.4 the service record"));
    QFile::remove(b.opened.toLocalFile());

    struct Case {
      const char* name;
      std::string id;
      QString file;
      QStringList filters;
      QByteArray bytes;
    };
    SetupModel model;
    model.currentValue = SampleRead(12100, 481000).values;
    ServiceRecord record;
    record.technician = "Ann Øberg";
    record.note = "Span set again";
    const Case cases[] = {
        {"a service record's PDF",
         b.service.id,
         "service.pdf",
         {"PDF (*.pdf)", "CSV (*.csv)"},
         "%PDF-1.4 the service record"},
        {"a service record's CSV",
         b.service.id,
         "service.CSV",
         {"PDF (*.pdf)", "CSV (*.csv)"},
         QByteArray::fromStdString(ServiceRecordCsv(record))},
        {"a read's setup value file",
         b.millSecond.id,
         "read.stx",
         {"Setup value file (*.stx)"},
         QByteArray::fromStdString(SetupValueRecord(model))},
        // A name without an ending gets the first form's.
        {"no ending",
         b.millSecond.id,
         "read",
         {"Setup value file (*.stx)"},
         QByteArray::fromStdString(SetupValueRecord(model))},
    };
    for (const Case& c : cases) {
      b.savePath = b.dir.filePath(c.file);
      w->ChooseVisits({RowOf(*w, c.id)});
      QTest::mouseClick(w->ExportButton(), Qt::LeftButton);
      QCOMPARE(b.asked.nameFilters, c.filters);
      QCOMPARE(Bytes(b.savePath), c.bytes);
    }
    b.savePath.clear();  // cancelled: nothing written, nothing said
    QTest::mouseClick(w->ExportButton(), Qt::LeftButton);
    QVERIFY(b.ui.messages.empty());
  }

  void countsOverTheVisitsFlagAChangeBeyondTheThreshold() {
    Bench b;
    auto w = b.Window();
    w->ChooseScale(b.mill.id);
    QCOMPARE(w->Counts().size(), size_t{3});
    QCOMPARE(w->ThresholdBox()->value(), 2.0);
    QCOMPARE(w->FlaggedList()->count(), 1);
    QVERIFY(
        w->FlaggedList()->item(0)->text().contains("span counts \u22123.95 % since the visit "
                                                   "before \u2014 check the load cells"));
    QVERIFY(!w->CountsChart()->series().isEmpty());
    w->ThresholdBox()->setValue(5.0);
    QVERIFY(!w->Counts()[2].spanFlagged);
    QCOMPARE(Rows(w->FlaggedList()), QStringList{"No change beyond 5.0 % between two visits."});
    w->ThresholdBox()->setValue(0.5);
    // Zero 12000 → 12100 (+0.83 %), span 480000 → 481000 (+0.21 %), then 12150 (+0.41 %) and
    // 462000 (−3.95 %).
    QCOMPARE(w->FlaggedList()->count(), 2);
    w->ChooseScale(b.dock.id);
    QCOMPARE(Rows(w->FlaggedList()),
             QStringList{"Fewer than two reads of this scale: nothing to compare yet."});
  }

  void scalesDueForVerificationSoonestFirstAndTheirInterval() {
    Bench b;
    auto w = b.Window();
    QCOMPARE(Column(w->DueList(), 0),
             (QStringList{"Dock/Truck", "Mill 3/Hopper  \u2014 Bagging line"}));
    QCOMPARE(Column(w->DueList(), 3).front(), QString("never verified"));
    QCOMPARE(w->Due()[1].due, std::string("2027-03-01T10:00:00.000Z"));
    // A shorter interval, kept as a new record of the scale's details.
    w->ChooseScale(b.mill.id);
    w->IntervalBox()->setValue(6);
    w->SerialField()->setText("SN 4711");
    QTest::mouseClick(w->ChangeDetailsButton(), Qt::LeftButton);
    QCOMPARE(w->Due()[1].due, std::string("2026-09-01T10:00:00.000Z"));
    QCOMPARE(b.keeper.Store()->FindScale(b.mill.id)->serial, std::string("SN 4711"));
    QCOMPARE(w->SerialField()->text(), QString("SN 4711"));
  }

  void aRecordOnNoScaleIsPutOnOneLater() {
    Bench b;
    auto w = b.Window();
    w->ChooseScale("");
    w->ChooseVisits({0});
    QVERIFY(w->PutOnScaleButton()->isEnabled());
    b.answer = "";  // Not Now: nothing changes
    QTest::mouseClick(w->PutOnScaleButton(), Qt::LeftButton);
    QCOMPARE(w->Visits().size(), size_t{1});
    b.answer = b.dock.id;
    w->ChooseVisits({0});
    QTest::mouseClick(w->PutOnScaleButton(), Qt::LeftButton);
    QCOMPARE(*w->ChosenScale(), b.dock.id);
    QCOMPARE(w->Visits().size(), size_t{2});
    QVERIFY(b.keeper.Store()->Unplaced().empty());
    QVERIFY(b.ui.messages.empty());
  }

  void aSyncThatCannotReachItsStoreSaysSoOnceAndKeepsTheLocalStore() {
    Bench b;
    auto w = b.Window();
    const std::size_t before = b.keeper.Store()->RecordCount();
    const QString urls[] = {
        "mysql://db/records",                // does not read
        "postgresql://ann@127.0.0.1:1/rec",  // nobody listens
    };
    for (const QString& url : urls) {
      b.ui.messages.clear();
      w->TeamField()->setText(url);
      QSignalSpy ended(w.get(), &CRecordsWindow::SyncEnded);
      QTest::mouseClick(w->SyncButton(), Qt::LeftButton);
      QVERIFY(w->Syncing());
      QVERIFY(!w->SyncButton()->isEnabled());
      QVERIFY(ended.wait(20000));
      QCOMPARE(ended.at(0).at(0).toBool(), false);
      QCOMPARE(b.ui.messages.size(), size_t{1});
      QVERIFY2(b.ui.messages[0].text.starts_with("Team records not reached: "),
               b.ui.messages[0].text.c_str());
      QCOMPARE(w->SyncOutcome()->text(), QString::fromStdString(b.ui.messages[0].text));
      QVERIFY(w->SyncButton()->isEnabled());
    }
    QCOMPARE(b.keeper.Store()->RecordCount(), before);
    QCOMPARE(b.keeper.LastTeamUrl(), std::string());
  }

  void withoutAStoreTheWindowSaysWhy() {
    QTemporaryDir dir;
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    RecordingFeedback ui;
    records::RecordKeeper keeper({dir.filePath("file/data").toStdString(), {}, "pc"});
    keeper.Open();
    CRecordsWindow w(keeper, WindowServices(ui));
    QVERIFY(w.StoreLine()->text().startsWith("Records not kept: the folder "));
    QCOMPARE(w.ScaleList()->count(), 0);
    QVERIFY(!w.ChosenScale());
    QVERIFY(!w.PutOnScaleButton()->isEnabled());
    w.OnSync();
    QVERIFY(!w.Syncing());
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::RecordsWindowTest)
#include "records_window_test.moc"
