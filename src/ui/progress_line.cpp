#include "ui/progress_line.h"

#include <QCoreApplication>

namespace tamarack {

ProgressLine::ProgressLine(QWidget* parent) : QLabel(parent) {
  setObjectName("ProgressLine");
  QSizePolicy policy = sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  setSizePolicy(policy);
  elapsed_.start();
  hide();
}

QString ProgressLine::StepText(const QString& action, const QString& item, std::size_t index,
                               std::size_t total) {
  return QString("%1 %2 \u2014 %3 of %4").arg(action, item).arg(index).arg(total);
}

qint64 ProgressLine::Now() const {
  return clock_ ? clock_() : elapsed_.elapsed();
}

void ProgressLine::Reserve(const QString& longest) {
  setMinimumWidth(fontMetrics().horizontalAdvance(longest) + 2 * margin() + 4);
}

void ProgressLine::Start() {
  startMs_ = Now();
}

void ProgressLine::Step(const QString& text) {
  if (Now() - startMs_ < kDelayMs) return;
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
