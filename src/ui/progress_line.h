#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QString>
#include <cstddef>
#include <functional>

namespace tamarack {

// A line in a window telling how far a long operation has come ("Reading F3.2 — 19 of 33"). It
// stays hidden for the first half second, so a quick operation shows nothing, and keeps its room
// in the layout while hidden, so the window never changes size. The operation holds the event
// loop; each shown step is painted at once, and the user's input waits until the operation ends,
// so nothing can start a second one meanwhile.
class ProgressLine : public QLabel {
 public:
  static constexpr qint64 kDelayMs = 500;

  // Milliseconds from any fixed origin.
  using Clock = std::function<qint64()>;

  explicit ProgressLine(QWidget* parent);

  // For tests: the time the line goes by instead of the real one.
  void SetClock(Clock clock) { clock_ = std::move(clock); }

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
  qint64 Now() const;

  Clock clock_;
  QElapsedTimer elapsed_;
  qint64 startMs_ = 0;
};

}  // namespace tamarack
