#include "indicator/indicator_dialog.h"

#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "indicator/trend_watch.h"
#include "ui/device_canvas.h"
#include "ui/pictures.h"
#include "ui/text.h"

namespace tamarack {

// The green display field. It paints through an off-screen canvas that stands for the window's
// client area from its origin and copies only the field, so the twice-a-second repaint of the
// large text does not flicker. The canvas has the screen's pixels, so the text stays sharp on a
// 2x screen. Its accessible description is the text shown.
class DisplayField : public QWidget {
 public:
  DisplayField(const DisplayState& state, QWidget* parent)
      : QWidget(parent),
        state_(state),
        canvas_(DeviceCanvas(kCanvasSize, 1.0)),
        font_(DisplayFont()) {
    setGeometry(CIndicatorDlg::kFieldRect);
    // The field repaints without being erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName("Display");
    setAccessibleName("Display");
  }

  // Arial bold whose character cell is 140 pixels high, or the nearest sans-serif font the
  // platform has (Liberation Sans has Arial's metrics).
  static QFont DisplayFont() {
    QFont font("Arial");
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setPixelSize(CIndicatorDlg::kFontHeight);
    const QFontMetrics metrics(font);
    const int cell = metrics.ascent() + metrics.descent();
    if (cell > 0) {
      font.setPixelSize(
          std::max(1, CIndicatorDlg::kFontHeight * CIndicatorDlg::kFontHeight / cell));
    }
    return font;
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    const QRect field = CIndicatorDlg::kFieldRect;
    const qreal ratio = devicePixelRatioF();
    if (canvas_.devicePixelRatio() != ratio) canvas_ = DeviceCanvas(kCanvasSize, ratio);
    {
      QPainter canvas(&canvas_);
      canvas.setPen(Qt::black);
      canvas.setBrush(QColor(0, 255, 0));
      canvas.drawRect(field.adjusted(0, 0, -1, -1));  // green inside a one-pixel black outline
      canvas.setClipRect(field);
      canvas.setFont(font_);
      const QFontMetrics metrics(font_);
      const int baseline = field.top() + metrics.ascent();
      // Tabs move on to the next stop every 70 pixels counted from the text's left edge, so
      // that each character or point has a cell of its own.
      int x = CIndicatorDlg::kTextLeft;
      std::string_view text = state_.displayText;
      while (!text.empty()) {
        const std::size_t tab = text.find('\t');
        const std::string_view run = text.substr(0, tab);
        if (!run.empty()) {
          const QString shown = FromSingleByte(run);
          canvas.drawText(QPoint(x, baseline), shown);
          x += metrics.horizontalAdvance(shown);
        }
        if (tab == std::string_view::npos) break;
        const int offset = x - CIndicatorDlg::kTextLeft;
        x = CIndicatorDlg::kTextLeft +
            (offset / CIndicatorDlg::kCellWidth + 1) * CIndicatorDlg::kCellWidth;
        text.remove_prefix(tab + 1);
      }
    }
    QPainter window(this);
    window.drawPixmap(QRectF(rect()), canvas_,
                      QRectF(QPointF(field.topLeft()) * ratio, QSizeF(field.size()) * ratio));
  }

 private:
  static constexpr QSize kCanvasSize{CIndicatorDlg::kFieldRect.right() + 1,
                                     CIndicatorDlg::kFieldRect.bottom() + 1};

  const DisplayState& state_;
  QPixmap canvas_;
  QFont font_;
};

namespace {

// Client-pixel places of the lamps (the lamp picture; its label follows to the right).
struct LampPlace {
  int x;
  int y;
};

constexpr std::array<LampPlace, kLampCount> kLampPlaces{{
    {60, 100},   // Stable
    {60, 170},   // Set
    {785, 100},  // kg
    {785, 170},  // lb
    {215, 250},  // Peak
    {307, 250},  // Count
    {399, 250},  // Gross
    {491, 250},  // Net
    {583, 250},  // Tare
    {675, 250},  // Zero
}};

constexpr int kLampSize = 20;
constexpr QSize kKeySize{90, 72};
constexpr int kKeysTop = 322;
constexpr int kKeysLeft = 220;
constexpr int kKeyStep = 110;

}  // namespace

CIndicatorDlg::CIndicatorDlg(SerialLink& port, const WindowServices& services,
                             std::function<void()> openTrend, QWidget* parent)
    : CModalDlg(parent), port_(port), ui_(services.feedback), trendOpener_(std::move(openTrend)) {
  setObjectName("CIndicatorDlg");
  SetTitle("Indicator");
  setFixedSize(980, 530);

  // The large frame around the display, the lamps and the unit marks.
  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  frame->setGeometry(20, 20, 940, 270);

  field_ = new DisplayField(model_.display, this);

  QFont markFont = font();
  markFont.setBold(true);
  markFont.setPixelSize(26);
  for (const LampInfo& info : kLamps) {
    const auto i = static_cast<std::size_t>(info.lamp);
    const LampPlace at = kLampPlaces[i];
    auto* lamp = new QLabel(this);
    lamp->setGeometry(at.x, at.y, kLampSize, kLampSize);
    lamp->setObjectName(FromSingleByte(info.accessibleName));
    lamp->setAccessibleName(lamp->objectName());
    lamp->setAccessibleDescription("off");
    lamps_[i] = lamp;

    auto* label = new QLabel(FromSingleByte(info.label), this);
    const bool unitMark = info.lamp == Lamp::kKg || info.lamp == Lamp::kLb;
    if (unitMark) {
      label->setFont(markFont);
      label->setGeometry(at.x + 30, at.y - 8, 60, 36);
    } else {
      label->setGeometry(at.x + 26, at.y - 2, 64, 24);
    }
  }

  for (std::size_t i = 0; i < kIndicatorKeys.size(); ++i) {
    const IndicatorKey& key = kIndicatorKeys[i];
    const int left = kKeysLeft + static_cast<int>(i) * kKeyStep;
    auto* button = MakeButton(QString(), this);
    button->setGeometry(QRect(QPoint(left, kKeysTop), kKeySize));
    const QString name = FromSingleByte(key.name);
    button->setObjectName(name);
    button->setAccessibleName(name);
    connect(button, &QPushButton::clicked, this, [this, i] { OnKey(i); });
    keys_[i] = button;

    auto* symbol = new QLabel(this);
    symbol->setGeometry(left + (kKeySize.width() - kPanelLampSize) / 2,
                        kKeysTop + kKeySize.height() + 10, kPanelLampSize, kPanelLampSize);
    symbols_[i] = symbol;
  }

  QLabel* logo = MakeLogo(this);
  logo->setGeometry(20, 450, 180, 60);

  exit_ = MakeButton(QString(), this);
  exit_->setText("Exit");
  exit_->setAccessibleName("Exit");
  exit_->setGeometry(840, 470, 110, 34);
  connect(exit_, &QPushButton::clicked, this, &CIndicatorDlg::OnExit);

  // The trend follows this window's polls.
  trend_ = MakeButton("Trend", this);
  trend_->setGeometry(720, 470, 110, 34);
  trend_->setToolTip(kTrendTip);
  trend_->setAccessibleDescription(trend_->toolTip());
  trend_->setEnabled(static_cast<bool>(trendOpener_));
  connect(trend_, &QPushButton::clicked, this, [this] {
    if (trendOpener_) trendOpener_();
  });

  DrawPanel(devicePixelRatioF());

  // Opening: all lamps off (above), one poll at once, then timer 1 and the blink timer.
  const PollResult first = RunPoll(model_, port_, ui_);
  ShowModel();
  pollTimer_.setSingleShot(true);
  // Coarse timers may fire up to 5 % late; the poll rhythm is meant to hold to a few ms.
  pollTimer_.setTimerType(Qt::PreciseTimer);
  connect(&pollTimer_, &QTimer::timeout, this, &CIndicatorDlg::OnPollTimer);
  pollTimer_.start(static_cast<int>(FirstPollDelayMs(first.outcome)));
  connect(&blinkTimer_, &QTimer::timeout, this, &CIndicatorDlg::OnBlinkTimer);
  blinkTimer_.start(static_cast<int>(kBlinkPeriodMs));
}

void CIndicatorDlg::showEvent(QShowEvent* event) {
  // The window may open on another screen than the one it was made for.
  if (devicePixelRatioF() != drawnAt_) DrawPanel(devicePixelRatioF());
  CModalDlg::showEvent(event);
}

void CIndicatorDlg::DrawPanel(qreal devicePixelRatio) {
  drawnAt_ = devicePixelRatio;
  lampOn_ = LampPicture(true, devicePixelRatio);
  lampOff_ = LampPicture(false, devicePixelRatio);
  for (const LampInfo& info : kLamps) {
    QLabel* lamp = lamps_[static_cast<std::size_t>(info.lamp)];
    lamp->setPixmap(lamp->accessibleDescription() == "on" ? lampOn_ : lampOff_);
  }
  for (std::size_t i = 0; i < kIndicatorKeys.size(); ++i) {
    keys_[i]->setIcon(QIcon(KeyPicture(kIndicatorKeys[i].caption, devicePixelRatio)));
    keys_[i]->setIconSize(kPanelKeySize);
    symbols_[i]->setPixmap(SymbolPicture(kIndicatorKeys[i].symbol, devicePixelRatio));
  }
}

CIndicatorDlg::~CIndicatorDlg() = default;

QWidget* CIndicatorDlg::Field() const {
  return field_;
}

void CIndicatorDlg::OnPollTimer() {
  const PollResult result = RunPoll(model_, port_, ui_);
  if (result.outcome != PollOutcome::kSkipped) ShowModel();
  pollTimer_.start(static_cast<int>(result.nextDelayMs));
}

void CIndicatorDlg::OnBlinkTimer() {
  ToggleBlink(model_);
  field_->update();
}

void CIndicatorDlg::OnKey(std::size_t i) {
  PressIndicatorKey(model_, port_, ui_, kIndicatorKeys.at(i).code);
}

void CIndicatorDlg::OnExit() {
  pollTimer_.stop();
  blinkTimer_.stop();
  done(1);
}

void CIndicatorDlg::ShowModel() {
  for (const LampInfo& info : kLamps) {
    const bool lit = model_.display.Lit(info.lamp);
    QLabel* lamp = lamps_[static_cast<std::size_t>(info.lamp)];
    const QString state = lit ? "on" : "off";
    if (lamp->accessibleDescription() != state) {
      lamp->setPixmap(lit ? lampOn_ : lampOff_);
      lamp->setAccessibleDescription(state);
    }
  }
  const QString shown = FromSingleByte(ShownCharacters(model_.display.displayText));
  if (field_->accessibleDescription() != shown) field_->setAccessibleDescription(shown);
  field_->update();
}

}  // namespace tamarack
