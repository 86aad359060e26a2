#include "ui/progress_line.h"

#include <QCoreApplication>

namespace tamarack {

ProgressLine::ProgressLine(const Clock& clock, QWidget* parent)
    : QLabel(parent), clock_(clock), start_(clock.Monotonic()) {
  setObjectName("ProgressLine");
  QSizePolicy policy = sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  setSizePolicy(policy);
  hide();
}

QString ProgressLine::StepText(const QString& action, const QString& item, std::size_t index,
                               std::size_t total) {
  return QString("%1 %2 \u2014 %3 of %4").arg(action, item).arg(index).arg(total);
}

void ProgressLine::Reserve(const QString& longest) {
  setMinimumWidth(fontMetrics().horizontalAdvance(longest) + 2 * margin() + 4);
}

void ProgressLine::Start() {
  start_ = clock_.Monotonic();
}

void ProgressLine::Step(const QString& text) {
  if (clock_.Monotonic() - start_ < std::chrono::milliseconds(kDelayMs)) return;
  setText(text);
  show();
  // Paints now: the operation goes on as soon as this returns. Input stays queued.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressLine::Finish() {
  hide();
  clear();
}

}  // namespace tamarack
