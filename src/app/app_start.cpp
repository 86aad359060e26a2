#include "app/app_start.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace tamarack {
namespace {

class AfterFirstPaint : public QObject {
 public:
  AfterFirstPaint(QWidget& window, records::RecordKeeper& keeper, UserFeedback& ui)
      : QObject(&window), keeper_(keeper), ui_(ui) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      watched->removeEventFilter(this);
      // After the paint is done and on screen, not in the middle of it.
      QTimer::singleShot(0, this, [this] {
        const std::string message = keeper_.Open();
        if (!message.empty()) ui_.Failure(message);
        deleteLater();
      });
    }
    return false;
  }

 private:
  records::RecordKeeper& keeper_;
  UserFeedback& ui_;
};

}  // namespace

void OpenRecordsWhenShown(QWidget& window, records::RecordKeeper& keeper, UserFeedback& ui) {
  new AfterFirstPaint(window, keeper, ui);
}

}  // namespace tamarack
