// What a keyboard and a screen reader meet in every window: labels named by their text, and Tab
// in reading order whatever order the controls were made in.

#include "ui/accessible.h"

#include <QAccessible>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

#include "ui/modal_dialog.h"

namespace tamarack {

class AccessibleTest : public QObject {
  Q_OBJECT

  static QString Name(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(QAccessible::Name) : QString("(none)");
  }

  // The controls Tab reaches from `first`, once round.
  static QStringList TabWalk(QWidget* first) {
    QStringList seen;
    first->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 50; ++i) {
      QWidget* now = QApplication::focusWidget();
      if (now == nullptr) return seen << "(no focus)";
      if (!seen.isEmpty() && now->objectName() == seen.front()) break;
      seen << now->objectName();
      QTest::keyClick(now, Qt::Key_Tab);
    }
    return seen;
  }

 private slots:
  void TabFollowsTheLayoutNotTheOrderOfMaking_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("expected");
    // Each row is made bottom-right first; Tab must still read row by row, left to right.
    QTest::newRow("grid of fields and buttons")
        << "grid" << QStringList{"a1", "a2", "a3", "b1", "b2", "b3", "c1", "c2", "c3"};
    // A list twice as high as a button beside it: the buttons in its upper half share its row.
    QTest::newRow("tall list beside a column of buttons")
        << "tall" << QStringList{"list", "top", "second", "third", "below"};
    // A scroll area is no stop of its own; its content is read in place; a spin box is one stop.
    QTest::newRow("scrolled content and a spin box")
        << "scroll" << QStringList{"before", "inside1", "inside2", "spin", "after"};
  }

  void TabFollowsTheLayoutNotTheOrderOfMaking() {
    QFETCH(QString, layout);
    QFETCH(QStringList, expected);
    CModalDlg window(nullptr);
    auto named = [](QWidget* widget, const QString& name) {
      widget->setObjectName(name);
      return widget;
    };
    auto* grid = new QGridLayout(&window);
    if (layout == "grid") {
      for (int i = 8; i >= 0; --i) {
        const QString name = QString("%1%2").arg(QChar('a' + i / 3)).arg(i % 3 + 1);
        QWidget* control = i % 2 == 0 ? static_cast<QWidget*>(new QLineEdit(&window))
                                      : new QPushButton(name, &window);
        grid->addWidget(named(control, name), i / 3, i % 3);
      }
    } else if (layout == "tall") {
      grid->addWidget(named(new QPushButton("below", &window), "below"), 4, 0, 1, 2);
      grid->addWidget(named(new QPushButton("third", &window), "third"), 2, 1);
      grid->addWidget(named(new QPushButton("second", &window), "second"), 1, 1);
      grid->addWidget(named(new QPushButton("top", &window), "top"), 0, 1);
      auto* list = named(new QLineEdit(&window), "list");
      list->setFixedHeight(200);
      grid->addWidget(list, 0, 0, 4, 1, Qt::AlignTop);
    } else {
      grid->addWidget(named(new QPushButton("after", &window), "after"), 3, 0);
      grid->addWidget(named(new QSpinBox(&window), "spin"), 2, 0);
      auto* area = new QScrollArea(&window);
      auto* content = new QWidget;
      auto* inner = new QVBoxLayout(content);
      auto* second = named(new QLineEdit(content), "inside2");
      inner->addWidget(named(new QLineEdit(content), "inside1"));
      inner->addWidget(second);
      area->setWidget(content);
      grid->addWidget(area, 1, 0);
      grid->addWidget(named(new QPushButton("before", &window), "before"), 0, 0);
      // A hidden control is left out.
      named(new QPushButton("hidden", &window), "hidden")->hide();
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QStringList order;
    for (QWidget* control : ReadingOrder(&window)) order << control->objectName();
    QCOMPARE(order, expected);
    QCOMPARE(TabWalk(window.findChild<QWidget*>(expected.front())), expected);
  }

  void LabelsAreNamedByTheirText() {
    CModalDlg window(nullptr);
    auto* layout = new QVBoxLayout(&window);
    auto* caption = new QLabel("Factory Default", &window);
    caption->setAccessibleName("New value caption");  // a name given in code loses
    auto* buddied = new QLabel("&Count", &window);
    auto* field = new QLineEdit(&window);
    buddied->setBuddy(field);
    auto* lamp = new QLabel(&window);
    lamp->setPixmap(QPixmap(16, 16));
    lamp->setAccessibleName("Stable lamp");
    for (QWidget* w : {static_cast<QWidget*>(caption), static_cast<QWidget*>(buddied),
                       static_cast<QWidget*>(field), static_cast<QWidget*>(lamp)})
      layout->addWidget(w);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(Name(caption), QString("Factory Default"));
    caption->setText("New Value");  // and it follows the text
    QCOMPARE(Name(caption), QString("New Value"));
    QCOMPARE(Name(buddied), QString("Count"));
    QCOMPARE(Name(field), QString("Count"));       // a field is named by the label it stands beside
    QCOMPARE(Name(lamp), QString("Stable lamp"));  // a picture has no text to read
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::AccessibleTest)
#include "accessible_test.moc"
