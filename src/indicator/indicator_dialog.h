#pragma once

#include <QPixmap>
#include <QRect>
#include <QTimer>
#include <array>
#include <functional>
#include <string_view>

#include "indicator/display_decode.h"
#include "indicator/live_indicator_model.h"
#include "link/commands.h"
#include "link/serial_link.h"
#include "link/user_feedback.h"
#include "ui/modal_dialog.h"
#include "ui/window_services.h"

class QLabel;
class QPushButton;

namespace tamarack {

class DisplayField;

// The five front-panel keys, left to right, with the codes they send.
struct IndicatorKey {
  std::string_view name;  // accessible name
  std::string_view code;
  const char* picture;  // resource of the key picture
  const char* symbol;   // resource of the symbol under it
};

inline constexpr std::array<IndicatorKey, 5> kIndicatorKeys{{
    {"ZERO", key::kZero, ":/indicator/key_zero.png", ":/indicator/symbol_up.png"},
    {"GR/NET", key::kGrossNet, ":/indicator/key_gross_net.png", ":/indicator/symbol_down.png"},
    {"TARE", key::kTare, ":/indicator/key_tare.png", ":/indicator/symbol_circle.png"},
    {"UNITS", key::kUnits, ":/indicator/key_units.png", ":/indicator/symbol_left.png"},
    {"PRINT", key::kPrint, ":/indicator/key_print.png", ":/indicator/symbol_right.png"},
}};

// The live indicator window: mirrors the indicator's six-digit display and ten lamps, polling it
// twice a second, and presses its five keys. It borrows the open port; "Exit" ends it with 1.
class CIndicatorDlg : public CModalDlg {
  Q_OBJECT

 public:
  // The display field in client pixels, and where the text starts and how wide a cell is.
  static constexpr QRect kFieldRect{210, 80, 550, 140};  // (210, 80) to (760, 220)
  static constexpr int kTextLeft = 240;
  static constexpr int kCellWidth = 70;
  static constexpr int kFontHeight = 140;

  // Polls once at once and starts the poll and blink timers.
  CIndicatorDlg(SerialLink& port, const WindowServices& services, QWidget* parent = nullptr);
  ~CIndicatorDlg() override;

  const LiveIndicatorModel& Model() const { return model_; }
  QPushButton* KeyButton(std::size_t i) const { return keys_[i]; }
  QPushButton* ExitButton() const { return exit_; }
  // "Trend" opens the Weight Trend window through `opener`; without one it is disabled.
  void SetTrendOpener(std::function<void()> opener);
  QPushButton* TrendButton() const { return trend_; }
  QLabel* LampLabel(Lamp lamp) const { return lamps_[static_cast<std::size_t>(lamp)]; }
  QWidget* Field() const;
  const QTimer& PollTimer() const { return pollTimer_; }

  // Timer 1, timer 2, a key button and "Exit".
  void OnPollTimer();
  void OnBlinkTimer();
  void OnKey(std::size_t i);
  void OnExit();

 private:
  void ShowModel();

  SerialLink& port_;
  UserFeedback& ui_;
  LiveIndicatorModel model_;
  DisplayField* field_ = nullptr;
  std::array<QLabel*, kLampCount> lamps_{};
  std::array<QPushButton*, kIndicatorKeys.size()> keys_{};
  QPushButton* exit_ = nullptr;
  QPushButton* trend_ = nullptr;
  std::function<void()> trendOpener_;
  QPixmap lampOn_;
  QPixmap lampOff_;
  QTimer pollTimer_;
  QTimer blinkTimer_;
};

}  // namespace tamarack
