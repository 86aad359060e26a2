#pragma once

#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

#include "sim/simulator.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace tamarack {

class ToolTipRelay;

// The Simulated Scale: a tool window beside the working windows that puts a load on the built-in
// simulated indicator (at a place on the platform), shakes it, gives it the errors and the
// settling of a real scale, turns its CAJ switch, spoils its next replies, and shows what PRINT
// printed. Every change is posted to the simulator's own thread; what the window shows of
// the simulator comes from the snapshot that thread publishes.
class CSimScaleWindow : public QWidget {
  Q_OBJECT

 public:
  // How often the window looks at the published snapshot.
  static constexpr int kRefreshMs = 200;
  // The load slider moves in steps of 10 g.
  static constexpr int kSliderStepsPerKg = 100;

  explicit CSimScaleWindow(sim::Simulator& simulator, QWidget* parent = nullptr);

  // Takes the simulator's snapshot into the window (the refresh timer calls it).
  void Refresh();

  QDoubleSpinBox* LoadField() const { return load_; }
  QSlider* LoadSlider() const { return slider_; }
  QCheckBox* MotionBox() const { return motion_; }
  QCheckBox* DynamicsBox() const { return dynamics_; }
  QComboBox* PositionList() const { return position_; }
  // The Errors group's fields, in the order of ErrorFieldNames().
  const std::vector<QDoubleSpinBox*>& ErrorFields() const { return errorFields_; }
  // "Span (%)", "Curve (e)", ...: the fields' labels.
  static const std::vector<QString>& ErrorFieldNames();
  QCheckBox* CajBox() const { return caj_; }
  QListWidget* FaultList() const { return faults_; }
  QSpinBox* NextRepliesField() const { return nextReplies_; }
  QPushButton* InjectButton() const { return inject_; }
  QLabel* FaultsWaitingLabel() const { return waiting_; }
  QPlainTextEdit* TicketsView() const { return tickets_; }
  QPushButton* ClearButton() const { return clear_; }

 private:
  void OnLoad(double kg);
  void OnInject();
  QGroupBox* MakeErrorsGroup(const sim::ScaleErrors& shown);
  void OnErrors();
  void ShowCapacity(double capacityKg);

  sim::Simulator& simulator_;
  QDoubleSpinBox* load_ = nullptr;
  QSlider* slider_ = nullptr;
  QLabel* capacity_ = nullptr;
  QCheckBox* motion_ = nullptr;
  QCheckBox* dynamics_ = nullptr;
  QComboBox* position_ = nullptr;
  std::vector<QDoubleSpinBox*> errorFields_;
  ToolTipRelay* tips_ = nullptr;
  QCheckBox* caj_ = nullptr;
  QListWidget* faults_ = nullptr;
  QSpinBox* nextReplies_ = nullptr;
  QPushButton* inject_ = nullptr;
  QLabel* waiting_ = nullptr;
  QPlainTextEdit* tickets_ = nullptr;
  QPushButton* clear_ = nullptr;
  double shownCapacity_ = -1;
  QTimer refresh_;
  std::vector<std::string> shownTickets_;
};

}  // namespace tamarack
