#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <type_traits>
#include <utility>

namespace tamarack::test {

// Acts on the modal window that exec() is about to run, once its event loop has started. `act`
// takes it as a Dialog* or a Dialog&; a modal window of another kind, or none, fails the test.
template <typename Dialog = QWidget, typename Act>
void WhenModal(Act act) {
  QTimer::singleShot(0, [act = std::move(act)]() mutable {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    if constexpr (std::is_invocable_v<Act&, Dialog&>) {
      act(*dialog);
    } else {
      act(dialog);
    }
  });
}

// The same, and `ran` is set once `act` has run.
template <typename Dialog = QWidget, typename Act>
void WhenModal(bool& ran, Act act) {
  WhenModal<Dialog>([&ran, act = std::move(act)](Dialog& dialog) mutable {
    act(dialog);
    ran = true;
  });
}

}  // namespace tamarack::test
