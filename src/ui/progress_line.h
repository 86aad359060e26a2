#pragma once

#include <QLabel>
#include <QString>
#include <cstddef>

#include "feedback/clock.h"

namespace tamarack {

// A line in a window telling how far a long operation has come ("Reading F3.2 — 19 of 33"). It
// stays hidden for the first half second, so a quick operation shows nothing, and keeps its room
// in the layout while hidden, so the window never changes size. The operation holds the event
// loop; each shown step is painted at once, and the user's input waits until the operation ends,
// so nothing can start a second one meanwhile.
class ProgressLine : public QLabel {
 public:
  static constexpr qint64 kDelayMs = 500;

  // The line goes by `clock`'s monotonic time.
  ProgressLine(const Clock& clock, QWidget* parent);

  // "`action` `item` — `index` of `total`".
  static QString StepText(const QString& action, const QString& item, std::size_t index,
                          std::size_t total);

  // Keeps room for `longest`, so that the window's layout never moves as the text changes.
  void Reserve(const QString& longest);

  // An operation starts now.
  void Start();
  // It has come to `text`; shown once the operation has run for kDelayMs.
  void Step(const QString& text);
  // It has ended: the line hides.
  void Finish();

 private:
  const Clock& clock_;
  Clock::Steady::time_point start_;
};

}  // namespace tamarack
