// The pieces every window is built from: the modal base and its buttons, the single-byte text,
// file names, the file dialog and the pictures. Nothing here creates the main window, so the
// pictures prove they load on their own.

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>

#include "ui/file_dialog.h"
#include "ui/modal_dialog.h"
#include "ui/pictures.h"
#include "ui/text.h"

namespace tamarack {

class ChromeTest : public QObject {
  Q_OBJECT

  // Runs `run` and answers the file dialog it opens: picks a name with `choose` and presses OK,
  // or cancels when `choose` is empty. A question box on the way is noted in `asked`, answered
  // No, and the dialog then cancelled.
  static QString Answer(const std::function<QString()>& run,
                        const std::function<void(QFileDialog&)>& choose, bool* asked) {
    *asked = false;
    bool chosen = false;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        *asked = true;
        box->reject();
        return;
      }
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (!dialog || !dialog->isVisible()) return;
      if (!choose || *asked) {
        dialog->reject();
      } else if (!chosen) {
        chosen = true;
        // selectFile() leaves a name field that has the focus alone, as it would a typing user.
        if (QWidget* focus = dialog->focusWidget()) focus->clearFocus();
        choose(*dialog);
        // OK from a later turn of the event loop, so that this poll can answer a question box.
        QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
      }
    });
    poll.start();
    return run();
  }

 private slots:
  void SingleByteTextKeepsEveryByte() {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const QString shown = FromSingleByte(all);
    QCOMPARE(shown.size(), 256);
    for (int b = 0; b < 256; ++b) QCOMPARE(shown.at(b).unicode(), static_cast<char16_t>(b));
    QCOMPARE(ToSingleByte(shown), all);
  }

  void CharactersWithoutAByte_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Latin-1 letter") << QString::fromUtf8("1\xC3\xA9") << QByteArray("1\xE9");
    QTest::newRow("euro sign") << QString::fromUtf8(
                                      "\xE2\x82\xAC"
                                      "5")
                               << QByteArray("?5");
    QTest::newRow("full-width colon") << QString::fromUtf8("A\xEF\xBC\x9A") << QByteArray("A?");
    QTest::newRow("empty") << QString() << QByteArray();
  }
  void CharactersWithoutAByte() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, bytes);
    QCOMPARE(ToSingleByte(typed), bytes.toStdString());
  }

  void NativePathReachesTheNamedFile() {
    QTemporaryDir dir;
    const QString name = dir.filePath(QString::fromUtf8("Waage \xC3\xBC \xE2\x82\xAC.stx"));
    std::ofstream(NativePath(name)) << "x";
    QVERIFY(QFile::exists(name));
  }

  void ButtonsAreNamedAndEnterPressesNone() {
    CModalDlg dlg(nullptr);
    QPushButton* plain = MakeButton("Exit", &dlg);
    QPushButton* named = MakeButton(" All Clear", &dlg, "All Clear");
    QCOMPARE(plain->accessibleName(), "Exit");
    QCOMPARE(named->accessibleName(), "All Clear");
    QCOMPARE(named->text(), " All Clear");
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QSignalSpy clicked(plain, &QPushButton::clicked);
    plain->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(plain, key);
      QVERIFY(dlg.isVisible());
    }
    QCOMPARE(clicked.count(), 0);
    // The window system's close request is refused like Escape.
    QVERIFY(!dlg.close());
    QVERIFY(dlg.isVisible());
    QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
  }

  void PicturesLoadWithoutTheMainWindow() {
    QVERIFY(!ProductIcon().isNull());
    QVERIFY(!LogoPixmap().isNull());
    QWidget window;
    QLabel* logo = MakeLogo(&window);
    QCOMPARE(logo->accessibleName(), "Logo");
    QVERIFY(!logo->pixmap().isNull());
  }

  void FileDialogAnswers() {
    QTemporaryDir dir;
    const QString existing = dir.filePath("kept.aws");
    std::ofstream(NativePath(existing)) << "x";
    FileDialogSetup setup;
    setup.defaultSuffix = "aws";
    setup.nameFilters = {"Average Weight Setup File(.aws) (*.aws)"};
    setup.initialName = "AWS_1.aws";
    setup.confirmOverwrite = false;
    bool asked = false;
    auto run = [&] { return RunSaveFileDialog(nullptr, setup); };

    QCOMPARE(Answer(run, nullptr, &asked), QString());

    // A name without its suffix gets it; a name that does not exist yet is fine.
    const QString chosen = Answer(
        run,
        [&](QFileDialog& d) {
          QCOMPARE(d.acceptMode(), QFileDialog::AcceptSave);
          QCOMPARE(d.nameFilters(), setup.nameFilters);
          QCOMPARE(d.selectedFiles().value(0).section('/', -1), "AWS_1.aws");
          d.selectFile(dir.filePath("new"));
        },
        &asked);
    QCOMPARE(chosen, dir.filePath("new.aws"));
    QVERIFY(!asked);

    // Choosing an existing file asks nothing when the window said so.
    const QString replaced = Answer(
        run, [&](QFileDialog& d) { d.selectFile(existing); }, &asked);
    QCOMPARE(replaced, existing);
    QVERIFY(!asked);

    // Otherwise Qt asks first, and No keeps the dialog open.
    setup.confirmOverwrite = true;
    QCOMPARE(Answer(
                 run, [&](QFileDialog& d) { d.selectFile(existing); }, &asked),
             QString());
    QVERIFY(asked);

    // An open dialog accepts a name that does not exist: such a file loads as empty.
    const QString missing = Answer([&] { return RunOpenFileDialog(nullptr, setup); },
                                   [&](QFileDialog& d) {
                                     QCOMPARE(d.acceptMode(), QFileDialog::AcceptOpen);
                                     d.selectFile(dir.filePath("absent.aws"));
                                   },
                                   &asked);
    QCOMPARE(missing, dir.filePath("absent.aws"));
  }

  // A name typed without a suffix takes the suffix of the form chosen, so that the name says it;
  // a filter of any name leaves the default.
  void SaveDialogSuffixFollowsTheChosenFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("name");
    QTest::newRow("the first") << "Text files (*.txt)"
                               << "log.txt";
    QTest::newRow("another") << "CSV files (*.csv)"
                             << "log.csv";
    QTest::newRow("any name") << "All Files (*.*)"
                              << "log.txt";
  }
  void SaveDialogSuffixFollowsTheChosenFilter() {
    QFETCH(QString, filter);
    QFETCH(QString, name);
    QTemporaryDir dir;
    FileDialogSetup setup;
    setup.caption = "Save Log";
    setup.nameFilters = {"Text files (*.txt)", "CSV files (*.csv)", "All Files (*.*)"};
    setup.defaultSuffix = "txt";
    bool asked = false;
    const QString chosen = Answer([&] { return RunSaveFileDialog(nullptr, setup); },
                                  [&](QFileDialog& d) {
                                    QCOMPARE(d.windowTitle(), setup.caption);
                                    d.selectNameFilter(filter);
                                    // As the filter list does when the user picks one.
                                    emit d.filterSelected(filter);
                                    d.selectFile(dir.filePath("log"));
                                  },
                                  &asked);
    QCOMPARE(chosen, dir.filePath(name));
  }
};

}  // namespace tamarack

QTEST_MAIN(tamarack::ChromeTest)
#include "chrome_test.moc"
