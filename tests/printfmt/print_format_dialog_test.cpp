#include "printfmt/print_format_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "link/commands.h"
#include "support/fake_link.h"
#include "support/recording_feedback.h"
#include "ui/product.h"
#include "ui/tooltip_relay.h"

namespace tamarack {
namespace {

// Long enough for the insertion delay on a busy machine.
constexpr int kSettleMs = 300;

class PrintFormatDialogTest : public QObject {
  Q_OBJECT

 private:
  test::FakeLink link;
  test::RecordingFeedback ui;

  // Clicks into `field` so that the caret lands before character `pos`.
  static void ClickAt(QLineEdit* field, int pos) {
    for (int x = 0; x < field->width(); ++x) {
      const QPoint at(x, field->height() / 2);
      if (field->cursorPositionAt(at) == pos) {
        QTest::mouseClick(field, Qt::LeftButton, {}, at);
        return;
      }
    }
    QFAIL("no such position");
  }

  static void Show(CPrintFormatDlg& dlg) {
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
  }

 private slots:
  void init() {
    link = {};
    ui = {};
  }

  void windowAndNames() {
    CPrintFormatDlg dlg(link, ui, 8);
    QVERIFY(dlg.windowTitle().startsWith("Print Format   "));
    QVERIFY(dlg.windowTitle().endsWith(QString::fromLatin1(kMakerWebAddress.data())));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(dlg.LineField(3)->accessibleName(), "Line 3");
    QCOMPARE(dlg.ClearButton(3)->accessibleName(), "Clear 3");
    QCOMPARE(dlg.InsertButton(3)->accessibleName(), "Insert 3");
    QCOMPARE(dlg.DeleteButton(3)->accessibleName(), "Delete 3");
    QCOMPARE(dlg.InsertButton(15), nullptr);
    QCOMPARE(dlg.AllClearButton()->text(), " All Clear");
    QVERIFY(dlg.GfmtButton()->isChecked());
    QCOMPARE(dlg.TagButton(PrintTag::kCountCode)->toolTip(),
             "Print Count item code (used only when Count Mode is set)");
    QCOMPARE(dlg.TagButton(PrintTag::kCountCode)->accessibleName(), "<CD>");
    QCOMPARE(dlg.TagButton(PrintTag::kEnd)->iconSize(), QSize(16, 16));
    QVERIFY(!dlg.TagButton(PrintTag::kEnd)->icon().isNull());
  }

  void tips() {
    CPrintFormatDlg dlg(link, ui, 8);
    const ToolTipRelay& tips = dlg.Tips();
    QCOMPARE(tips.Controls().size(), std::size_t{67});
    QCOMPARE(tips.TipOf(dlg.GfmtButton()),
             "Choose GFMT will send Print Content\rwith Gross Weight Print Mode (GFMT)");
    QCOMPARE(tips.TipOf(dlg.ClearButton(15)), "Clear Line 15 Content");
    QCOMPARE(tips.TipOf(dlg.ClearButton(7)), "Clear Line 7 Content");
    QCOMPARE(tips.TipOf(dlg.InsertButton(14)), "Insert a New Line Before Line 14");
    QCOMPARE(tips.TipOf(dlg.DeleteButton(1)), "Clear Content in Line 1");
    QCOMPARE(tips.TipOf(dlg.LineField(9)), "Enter Usable Print Format Commands and Text");
    QCOMPARE(tips.TipOf(dlg.ReadButton()), "Read Print Format Content from indicator");
    QCOMPARE(tips.TipOf(dlg.ExitButton()), "Exit Print Format Setup Window");
  }

  void insertAndDeleteInRowOne() {
    CPrintFormatDlg dlg(link, ui, 8);
    Show(dlg);
    for (int n = 1; n <= 15; ++n) dlg.LineField(n)->setText(QStringLiteral("L%1<NL>").arg(n));
    QTest::mouseClick(dlg.InsertButton(1), Qt::LeftButton);
    QCOMPARE(dlg.LineField(1)->text(), "");
    QCOMPARE(dlg.LineField(2)->text(), "L1<NL>");
    QCOMPARE(dlg.LineField(15)->text(), "L14<NL>");
    QCOMPARE(QApplication::focusWidget(), dlg.LineField(1));

    QTest::mouseClick(dlg.DeleteButton(1), Qt::LeftButton);
    QCOMPARE(dlg.LineField(1)->text(), "L1<NL>");
    QCOMPARE(dlg.LineField(14)->text(), "L14<NL>");
    QCOMPARE(dlg.LineField(15)->text(), "");
  }

  void tagGoesWhereTheLineIsClicked() {
    CPrintFormatDlg dlg(link, ui, 8);
    Show(dlg);
    dlg.LineField(3)->setText("ABCDEF");
    dlg.LineField(3)->setFocus();
    QTest::mouseClick(dlg.TagButton(PrintTag::kGross), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), dlg.ContentLabel());
    QCOMPARE(dlg.LineField(3)->text(), "ABCDEF<NL>");  // cleaned on leaving
    QVERIFY(QGuiApplication::overrideCursor() != nullptr);

    ClickAt(dlg.LineField(3), 3);
    QTest::qWait(kSettleMs);
    QCOMPARE(dlg.LineField(3)->text(), "ABC<G>DEF<NL>");
    QCOMPARE(dlg.LineField(3)->cursorPosition(), 6);
    QVERIFY(!dlg.Model().armedTag);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  }

  void newLineTagTakesItsCount() {
    CPrintFormatDlg dlg(link, ui, 8);
    Show(dlg);
    QTest::mouseClick(dlg.TagButton(PrintTag::kNewLine), Qt::LeftButton);
    ClickAt(dlg.LineField(5), 0);
    QTest::qWait(kSettleMs);
    QTest::keyClick(dlg.LineField(5), Qt::Key_2);
    QCOMPARE(dlg.LineField(5)->text(), "<NL2>");
    dlg.LineField(6)->setFocus();
    QCOMPARE(dlg.LineField(5)->text(), "<NL2>");
  }

  void otherButtonsDropTheArmedTag() {
    CPrintFormatDlg dlg(link, ui, 8);
    Show(dlg);
    dlg.LineField(2)->setText("keep<NL>");
    QTest::mouseClick(dlg.TagButton(PrintTag::kEnd), Qt::LeftButton);
    QTest::mouseClick(dlg.AllClearButton(), Qt::LeftButton);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    ClickAt(dlg.LineField(4), 0);
    QTest::qWait(kSettleMs);
    QCOMPARE(dlg.LineField(4)->text(), "");
    QCOMPARE(dlg.LineField(2)->text(), "");

    // Escape drops it too and keeps the window open; so does Enter.
    QTest::mouseClick(dlg.TagButton(PrintTag::kEnd), Qt::LeftButton);
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QTest::keyClick(dlg.LineField(4), Qt::Key_Return);
    QVERIFY(dlg.isVisible());
    QVERIFY(!dlg.Model().armedTag);
  }

  void charactersWithoutAByteAreRefused() {
    CPrintFormatDlg dlg(link, ui, 8);
    Show(dlg);
    for (QChar c : QString::fromUtf8("a\xC3\xA9\xE2\x82\xAC"
                                     "b")) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QApplication::sendEvent(dlg.LineField(1), &press);
    }
    QCOMPARE(dlg.LineField(1)->text(), QString::fromUtf8("a\xC3\xA9"
                                                         "b"));
    link.QueueReply("OK");
    QTest::mouseClick(dlg.SendButton(), Qt::LeftButton);
    QCOMPARE(link.requests.size(), std::size_t{1});
    // "é" goes out as its single Latin-1 byte.
    QCOMPARE(link.requests[0], SendFormatRequest('G', AsBytes("a\xE9"
                                                              "b<E>")));
  }

  void sendAllClearBackup() {
    CPrintFormatDlg dlg(link, ui, 8);
    Show(dlg);
    dlg.LineField(1)->setText("<g><nl>");
    link.QueueReply("OK");
    QTest::mouseClick(dlg.SendButton(), Qt::LeftButton);
    QCOMPARE(ui.Texts(), std::vector<std::string>{"Print Format Send Sucess!"});
    QCOMPARE(dlg.LineField(1)->text(), "<G><NL>");
    QCOMPARE(dlg.LineField(15)->text(), "<E>");
    QTest::mouseClick(dlg.AllClearButton(), Qt::LeftButton);
    QCOMPARE(dlg.LineField(1)->text(), "");
    QTest::mouseClick(dlg.BackupButton(), Qt::LeftButton);
    QCOMPARE(dlg.LineField(1)->text(), "<G><NL>");
    QCOMPARE(dlg.LineField(15)->text(), "<E>");
  }

  void fileButtonsUseTheModeName() {
    QTemporaryDir dir;
    WindowServices services(ui);
    QStringList asked;
    std::vector<FileDialogSetup> setups;
    QString answer;  // empty: the suggested name in `dir`
    const auto picker = [&](const char* how) {
      return [&, how](QWidget*, const FileDialogSetup& setup) {
        const QString name = setup.initialName;
        asked << QStringLiteral("%1 %2").arg(how, name);
        setups.push_back(setup);
        return answer.isEmpty() ? dir.filePath(name) : answer;
      };
    };
    services.pickFile = picker("load");
    services.pickSaveFile = picker("save");
    CPrintFormatDlg dlg(link, services, 8);
    Show(dlg);
    dlg.LineField(1)->setText("x<nl>");
    QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.NfmtButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.AllClearButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.LoadButton(), Qt::LeftButton);  // NFMT_1.fmt does not exist
    QCOMPARE(asked, (QStringList{"save GFMT_1.fmt", "load NFMT_1.fmt"}));
    QCOMPARE(dlg.LineField(1)->text(), "");
    QVERIFY(!QFile::exists(dir.filePath("NFMT_1.fmt")));
    answer = dir.filePath("GFMT_1.fmt");
    QTest::mouseClick(dlg.LoadButton(), Qt::LeftButton);
    QCOMPARE(dlg.LineField(1)->text(), "x<NL>");
    QVERIFY(ui.messages.empty());
    // Saving replaces the file without asking; loading accepts a name that does not exist.
    for (const FileDialogSetup& setup : setups) {
      QVERIFY(!setup.confirmOverwrite);
      QCOMPARE(setup.defaultSuffix, "fmt");
      QCOMPARE(setup.nameFilters,
               (QStringList{"Print Format File(.fmt) (*.fmt)", "All Files (*.*) (*)"}));
    }
  }

  void exitEndsWithOne() {
    CPrintFormatDlg dlg(link, ui, 8);
    Show(dlg);
    QTest::mouseClick(dlg.ExitButton(), Qt::LeftButton);
    QCOMPARE(dlg.result(), 1);
    QVERIFY(!dlg.isVisible());
    QVERIFY(link.requests.empty());
  }
};

}  // namespace
}  // namespace tamarack

QTEST_MAIN(tamarack::PrintFormatDialogTest)
#include "print_format_dialog_test.moc"
