// What a keyboard and a screen reader meet in every window: labels named by their text, and Tab
// in reading order whatever order the controls were made in.

#include "ui/accessible.h"

#include <QAccessible>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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
    // Placed by hand, no layout: a list beside a column of buttons; the buttons beside its upper
    // half share its row, the one further down starts the next.
    QTest::newRow("placed by hand")
        << "placed" << QStringList{"list", "top", "second", "third", "fourth", "below"};
    // Framed groups are read whole; the column of buttons beside them comes after them, not
    // threaded through their rows.
    QTest::newRow("buttons beside framed groups")
        << "groups" << QStringList{"f1", "f2", "f3", "f4", "load", "save", "exit"};
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
    if (layout == "placed") {
      const struct {
        const char* name;
        QRect place;
      } placed[] = {{"below", {10, 230, 100, 25}}, {"fourth", {120, 150, 80, 25}},
                    {"third", {120, 80, 80, 25}},  {"second", {120, 45, 80, 25}},
                    {"top", {120, 10, 80, 25}},    {"list", {10, 10, 100, 200}}};
      for (const auto& p : placed)
        named(new QPushButton(p.name, &window), p.name)->setGeometry(p.place);
      window.setFixedSize(220, 270);
    } else if (layout == "groups") {
      // As the setup window: the groups stacked, the buttons in a column to their right.
      auto* row = new QHBoxLayout;
      auto* groups = new QVBoxLayout;
      auto* side = new QVBoxLayout;
      row->addLayout(groups);
      row->addLayout(side);
      grid->addLayout(row, 0, 0);
      for (const char* name : {"load", "save", "exit"})
        side->addWidget(named(new QPushButton(name, &window), name));
      for (int g = 0; g < 2; ++g) {
        auto* box = new QGroupBox(QString("F%1").arg(g + 1), &window);
        auto* fields = new QHBoxLayout(box);
        for (int k = 2; k >= 1; --k)
          fields->insertWidget(0, named(new QLineEdit(box), QString("f%1").arg(g * 2 + k)));
        groups->addWidget(box);
      }
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
