#pragma once

#include <QTimer>
#include <array>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "indicator/live_indicator_model.h"
#include "link/line_settings.h"
#include "link/serial_link.h"
#include "setup/param_table.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"
#include "verify/finished_certificate.h"
#include "verify/verification_run.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tamarack {

// How often the window polls the display while a test runs.
inline constexpr int kTestPollMs = 200;

inline constexpr std::string_view kCertificateNotSaved = "Certificate not saved: ";

// "Test Scale": a verification of the scale against the tolerances of its regulation. The
// technician gives the test's details once, edits the plan (or loads one), then walks it a step at
// a time: the window says which load to put where, shows the live reading and takes it once it
// has settled, and fills in the table of results and the overall result. A reading can always be
// taken again or typed in. The certificate is saved as PDF or CSV and, once a finished test is
// left, handed on (FinishCertificate).
class CTestScaleDlg : public CModalDlg {
  Q_OBJECT

 public:
  struct Options {
    // The port and the line it was opened at, for the certificate.
    PortLine line;
    // The indicator's current values as a Read All left them; none: the window reads the few it
    // needs when it opens.
    std::optional<std::array<std::string, kSetupParamCount>> setupValues;
    // An exchange of another window is under way on the line; polls wait for it, as they wait
    // while an operation holds an OperationScope.
    std::function<bool()> exchangeOpen;
    // The tests run on this visit before the window opened, oldest first: an as-found one goes
    // on the certificate of an as-left test run here.
    std::vector<VerificationResult> earlier;
    // The first test's stage; empty: "As found" unless a test came before, then "As left".
    std::string stage;
    // Told of the certificate when the window is left after a finished test.
    std::function<void(const FinishedCertificate&)> onCertificate;
  };

  CTestScaleDlg(SerialLink& link, const WindowServices& services, Options options,
                QWidget* parent = nullptr);
  ~CTestScaleDlg() override;

  // Reads the instrument off the indicator, unless the values were given and read already.
  void ReadInstrument();
  void OnStart();
  void OnTake();
  void OnUseTyped();
  void OnRetake();
  void OnAnswer(bool changed);
  void OnNewTest();
  void OnDefaultPlan();
  void OnAddStep();
  void OnRemoveStep();
  void OnLoadPlan();
  void OnSavePlan();
  void OnSavePdf();
  void OnSaveCsv();
  void OnClose();
  // One poll of the display, as the window's timer makes it.
  void OnPollTimer();

  // The test under way or ended; null before Start.
  const VerificationRun* Run() const { return run_.get(); }
  // The tests finished in this opening and left (New Test), oldest first.
  const std::vector<VerificationResult>& Finished() const { return done_; }
  // The certificate as it would be saved now; none before a test has started.
  std::optional<Certificate> CurrentCertificate() const;
  bool Polling() const { return poll_.isActive(); }

  QLabel* InstrumentLabel() const { return instrument_; }
  QLineEdit* TechnicianField() const { return technician_; }
  QLineEdit* WeightSetField() const { return weightSet_; }
  QLineEdit* WeightCertificateField() const { return weightCertificate_; }
  QLineEdit* TemperatureField() const { return temperature_; }
  QComboBox* ClassList() const { return class_; }
  QComboBox* SituationList() const { return situation_; }
  QLineEdit* CustomerToleranceField() const { return customer_; }
  QComboBox* StageList() const { return stage_; }
  QTableWidget* Table() const { return table_; }
  QLabel* PromptLabel() const { return prompt_; }
  QLabel* LiveLabel() const { return live_; }
  QLabel* StatusLabel() const { return status_; }
  QLabel* OverallLabel() const { return overall_; }
  QLineEdit* TypedField() const { return typed_; }
  QPushButton* StartButton() const { return start_; }
  QPushButton* TakeButton() const { return take_; }
  QPushButton* UseTypedButton() const { return useTyped_; }
  QPushButton* RetakeButton() const { return retake_; }
  QPushButton* YesButton() const { return yes_; }
  QPushButton* NoButton() const { return no_; }
  QPushButton* DefaultPlanButton() const { return defaultPlan_; }
  QPushButton* AddStepButton() const { return addStep_; }
  QPushButton* RemoveStepButton() const { return removeStep_; }
  QPushButton* LoadPlanButton() const { return loadPlan_; }
  QPushButton* SavePlanButton() const { return savePlan_; }
  QPushButton* SavePdfButton() const { return savePdf_; }
  QPushButton* SaveCsvButton() const { return saveCsv_; }
  QPushButton* NewTestButton() const { return newTest_; }
  QPushButton* CloseButton() const { return close_; }

 private:
  void Build();
  std::optional<Instrument> CurrentInstrument() const;
  std::optional<Tolerance> CurrentTolerance() const;
  AccuracyClass ChosenClass() const;
  Situation ChosenSituation() const;
  void ShowPlan(const TestPlan& plan);
  std::vector<PlanRowText> PlanRows() const;
  // Fills the table's result columns, the prompt, the buttons and the overall result from the
  // run.
  void ShowRun();
  void ShowLive(const std::optional<DisplayReading>& reading);
  void Handle(const RunEvent& event);
  // Polls go on while a test runs and stop once every step has its reading.
  void KeepPolling();
  void SetEditing(bool editing);
  void SaveCertificate(bool pdf);
  // The tests the certificate would hold now: those left, then the one under way.
  std::vector<VerificationResult> TestsSoFar() const;
  std::int64_t NowMs() const;
  std::string WhenText() const;

  SerialLink& link_;
  WindowServices services_;
  UserFeedback& ui_;
  Options options_;
  std::optional<InstrumentRead> read_;
  std::unique_ptr<VerificationRun> run_;
  std::vector<VerificationResult> done_;
  LiveIndicatorModel liveModel_;
  QTimer poll_;
  bool planEdited_ = false;
  bool showingPlan_ = false;

  QLabel* instrument_ = nullptr;
  QPushButton* readSetup_ = nullptr;
  QLineEdit* technician_ = nullptr;
  QLineEdit* weightSet_ = nullptr;
  QLineEdit* weightCertificate_ = nullptr;
  QLineEdit* temperature_ = nullptr;
  QComboBox* class_ = nullptr;
  QComboBox* situation_ = nullptr;
  QLineEdit* customer_ = nullptr;
  QComboBox* stage_ = nullptr;
  QCheckBox* discrimination_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* prompt_ = nullptr;
  QLabel* live_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* overall_ = nullptr;
  QLineEdit* typed_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* take_ = nullptr;
  QPushButton* useTyped_ = nullptr;
  QPushButton* retake_ = nullptr;
  QPushButton* yes_ = nullptr;
  QPushButton* no_ = nullptr;
  QPushButton* defaultPlan_ = nullptr;
  QPushButton* addStep_ = nullptr;
  QPushButton* removeStep_ = nullptr;
  QPushButton* loadPlan_ = nullptr;
  QPushButton* savePlan_ = nullptr;
  QPushButton* savePdf_ = nullptr;
  QPushButton* saveCsv_ = nullptr;
  QPushButton* newTest_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace tamarack
