#pragma once

#include <QPixmap>
#include <QRect>
#include <QTimer>
#include <array>
#include <functional>
#include <string_view>

#include "feedback/user_feedback.h"
#include "indicator/display_decode.h"
#include "indicator/live_indicator_model.h"
#include "indicator/panel_pictures.h"
#include "link/commands.h"
#include "link/serial_link.h"
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
  const char* caption;  // on the key cap; "\n" starts its second line
  PanelSymbol symbol;   // printed under the key
};

inline constexpr std::array<IndicatorKey, 5> kIndicatorKeys{{
    {"ZERO", key::kZero, "ZERO", PanelSymbol::kUp},
    {"GR/NET", key::kGrossNet, "GR/NET", PanelSymbol::kDown},
    {"TARE", key::kTare, "TARE", PanelSymbol::kCircle},
    {"UNITS", key::kUnits, "UNITS\nkg/lb", PanelSymbol::kLeft},
    {"PRINT", key::kPrint, "PRINT", PanelSymbol::kRight},
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

  // Polls once at once and starts the poll and blink timers. "Trend" opens the Weight Trend
  // window through `openTrend`; without one it is disabled.
  CIndicatorDlg(SerialLink& port, const WindowServices& services,
                std::function<void()> openTrend = {}, QWidget* parent = nullptr);
  ~CIndicatorDlg() override;

  const LiveIndicatorModel& Model() const { return model_; }
  QPushButton* KeyButton(std::size_t i) const { return keys_[i]; }
  QPushButton* ExitButton() const { return exit_; }
  QPushButton* TrendButton() const { return trend_; }
  QLabel* LampLabel(Lamp lamp) const { return lamps_[static_cast<std::size_t>(lamp)]; }
  QWidget* Field() const;
  const QTimer& PollTimer() const { return pollTimer_; }

  // Timer 1, timer 2, a key button and "Exit".
  void OnPollTimer();
  void OnBlinkTimer();
  void OnKey(std::size_t i);
  void OnExit();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowModel();
  // Draws the lamps, the key caps and their symbols with the screen's pixels.
  void DrawPanel(qreal devicePixelRatio);

  SerialLink& port_;
  UserFeedback& ui_;
  LiveIndicatorModel model_;
  DisplayField* field_ = nullptr;
  std::array<QLabel*, kLampCount> lamps_{};
  std::array<QPushButton*, kIndicatorKeys.size()> keys_{};
  std::array<QLabel*, kIndicatorKeys.size()> symbols_{};
  qreal drawnAt_ = 0;  // the pixel ratio the panel's pictures were drawn at
  QPushButton* exit_ = nullptr;
  QPushButton* trend_ = nullptr;
  std::function<void()> trendOpener_;
  QPixmap lampOn_;
  QPixmap lampOff_;
  QTimer pollTimer_;
  QTimer blinkTimer_;
};

}  // namespace tamarack
