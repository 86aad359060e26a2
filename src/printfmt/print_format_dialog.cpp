#include "printfmt/print_format_dialog.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValidator>

#include "feedback/operation_scope.h"
#include "printfmt/print_format_file.h"
#include "printfmt/ticket_preview.h"
#include "ui/text.h"
#include "ui/tooltip_relay.h"

// Resources of a static library are registered by hand.
static void InitPrintFormatResources() {
  Q_INIT_RESOURCE(printfmt);
}

namespace tamarack {
namespace {

// A line holds single bytes: the text of a field maps one to one onto Latin-1. Characters
// beyond Latin-1 have no byte and are refused as they are typed or pasted.
class SingleByteValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*pos*/) const override {
    for (QChar c : input) {
      if (c.unicode() > 0xFF) return Invalid;
    }
    return Acceptable;
  }
};

constexpr const char* kRefusedCharacterTip =
    "Only characters with a single-byte code (Latin-1) can be printed.";

// Images of each tag, in bar order: its button icon and its armed cursor.
constexpr std::array<const char*, kPrintTagCount> kImageNames = {"g", "t", "n", "cn", "cd", "co",
                                                                 "d", "i", "p", "nl", "sp", "e"};

}  // namespace

CPrintFormatDlg::CPrintFormatDlg(SerialLink& port, const WindowServices& services, int dataBits,
                                 QWidget* parent)
    : CModalDlg(parent), port_(port), services_(services), ui_(services_.feedback) {
  InitPrintFormatResources();
  model_.dataBits = dataBits;
  SetTitle("Print Format");
  insertTimer_.setSingleShot(true);
  connect(&insertTimer_, &QTimer::timeout, this, &CPrintFormatDlg::OnInsertTimer);
  BuildWindow();
  RegisterTips();
  ShowModel();
}

CPrintFormatDlg::~CPrintFormatDlg() {
  insertTimer_.stop();
  for (const Row& row : rows_) row.line->removeEventFilter(this);
  if (cursorOverridden_) QGuiApplication::restoreOverrideCursor();
}

void CPrintFormatDlg::BuildWindow() {
  auto* root = new QVBoxLayout(this);

  auto* bar = new QHBoxLayout;
  bar->setSpacing(2);
  for (const PrintTagInfo& tag : PrintTags()) {
    const auto i = static_cast<std::size_t>(tag.tag);
    auto* button = new QToolButton(this);
    button->setFixedSize(30, 30);
    button->setIconSize(QSize(16, 16));
    button->setIcon(QIcon(QStringLiteral(":/printfmt/tag_%1.png").arg(kImageNames[i])));
    button->setToolTip(FromSingleByte(tag.meaning));
    button->setAccessibleName(FromSingleByte(tag.text));
    connect(button, &QToolButton::clicked, this, [this, t = tag.tag] { OnTagButton(t); });
    tagButtons_[i] = button;
    bar->addWidget(button);
  }
  bar->addStretch();
  root->addLayout(bar);

  auto* body = new QHBoxLayout;
  root->addLayout(body);

  auto* left = new QVBoxLayout;
  body->addLayout(left, 1);
  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(3);
  left->addLayout(grid);
  grid->addWidget(new QLabel("No.", this), 0, 0);
  contentLabel_ = new QLabel("Print Content", this);
  // Arming a tag parks the focus here, so that the next click into a line is a new focus.
  contentLabel_->setFocusPolicy(Qt::ClickFocus);
  grid->addWidget(contentLabel_, 0, 1);
  for (int n = 1; n <= kFormatLineCount; ++n) {
    Row& row = rows_[static_cast<std::size_t>(n - 1)];
    const QString number = QString::number(n);
    grid->addWidget(new QLabel(number, this), n, 0, Qt::AlignRight);
    row.line = new QLineEdit(this);
    row.line->setMinimumWidth(440);
    row.line->setValidator(new SingleByteValidator(row.line));
    row.line->setAccessibleName("Line " + number);
    row.line->installEventFilter(this);
    connect(row.line, &QLineEdit::textChanged, this, &CPrintFormatDlg::UpdatePreview);
    connect(row.line, &QLineEdit::inputRejected, this, [line = row.line] {
      QToolTip::showText(line->mapToGlobal(QPoint(0, line->height())), kRefusedCharacterTip, line);
    });
    grid->addWidget(row.line, n, 1);
    row.clear = MakeButton("Clear", this, "Clear " + number);
    connect(row.clear, &QPushButton::clicked, this, [this, n] {
      Run([this, n] { ClearLine(model_, n); });
      LineField(n)->setFocus(Qt::OtherFocusReason);
    });
    grid->addWidget(row.clear, n, 2);
    if (n < kFormatLineCount) {
      row.insert = MakeButton("Insert", this, "Insert " + number);
      connect(row.insert, &QPushButton::clicked, this, [this, n] {
        Run([this, n] { InsertLine(model_, n); });
        LineField(n)->setFocus(Qt::OtherFocusReason);
      });
      grid->addWidget(row.insert, n, 3);
      row.remove = MakeButton("Delete", this, "Delete " + number);
      connect(row.remove, &QPushButton::clicked, this,
              [this, n] { Run([this, n] { DeleteLine(model_, n); }); });
      grid->addWidget(row.remove, n, 4);
    }
  }
  auto* below = new QHBoxLayout;
  allClear_ = MakeButton(" All Clear", this, "All Clear");
  connect(allClear_, &QPushButton::clicked, this, [this] { Run([this] { AllClear(model_); }); });
  backup_ = MakeButton("Backup", this);
  connect(backup_, &QPushButton::clicked, this, [this] { Run([this] { RestoreBackup(model_); }); });
  below->addWidget(allClear_);
  below->addWidget(backup_);
  below->addStretch();
  left->addLayout(below);

  // The ticket the lines print, with sample values, beside them.
  auto* previewBox = new QGroupBox("Ticket Preview", this);
  auto* previewLayout = new QVBoxLayout(previewBox);
  previewSize_ = new QLabel(previewBox);
  previewSize_->setObjectName("Ticket size");
  previewMode_ = new QLabel(previewBox);
  previewMode_->setObjectName("Print mode");
  preview_ = new QPlainTextEdit(previewBox);
  preview_->setReadOnly(true);
  preview_->setLineWrapMode(QPlainTextEdit::NoWrap);
  preview_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  preview_->setAccessibleName("Ticket preview");
  // A ticket roll of about 32 characters.
  preview_->setMinimumWidth(preview_->fontMetrics().horizontalAdvance(QString(34, 'M')));
  previewLayout->addWidget(previewSize_);
  previewLayout->addWidget(previewMode_);
  previewLayout->addWidget(preview_, 1);
  body->addWidget(previewBox);

  auto* right = new QVBoxLayout;
  body->addLayout(right);
  auto* modes = new QGroupBox(this);
  auto* modesLayout = new QVBoxLayout(modes);
  gfmt_ = new QRadioButton("GFMT", modes);
  nfmt_ = new QRadioButton("NFMT", modes);
  gfmt_->setAccessibleName("GFMT");
  nfmt_->setAccessibleName("NFMT");
  modesLayout->addWidget(gfmt_);
  modesLayout->addWidget(nfmt_);
  connect(gfmt_, &QRadioButton::clicked, this,
          [this] { Run([this] { SelectMode(model_, FormatMode::GFMT); }); });
  connect(nfmt_, &QRadioButton::clicked, this,
          [this] { Run([this] { SelectMode(model_, FormatMode::NFMT); }); });
  right->addWidget(modes);
  right->addSpacing(12);
  load_ = MakeButton("Load File", this);
  save_ = MakeButton("Save File", this);
  read_ = MakeButton("Read", this);
  send_ = MakeButton("Send", this);
  exit_ = MakeButton("Exit", this);
  connect(load_, &QPushButton::clicked, this, &CPrintFormatDlg::OnLoadFile);
  connect(save_, &QPushButton::clicked, this, &CPrintFormatDlg::OnSaveFile);
  connect(read_, &QPushButton::clicked, this,
          [this] { Run([this] { ReadPrintFormat(model_, port_, ui_); }); });
  connect(send_, &QPushButton::clicked, this,
          [this] { Run([this] { SendPrintFormat(model_, port_, ui_); }); });
  connect(exit_, &QPushButton::clicked, this, [this] { done(1); });
  for (QPushButton* button : {load_, save_, read_, send_, exit_}) {
    button->setMinimumWidth(96);
    right->addWidget(button);
    right->addSpacing(6);
  }
  right->addStretch();
}

void CPrintFormatDlg::RegisterTips() {
  tips_ = new ToolTipRelay(this);
  ToolTipRelay& tips = *tips_;
  tips.Add(gfmt_, "Choose GFMT will send Print Content\rwith Gross Weight Print Mode (GFMT)");
  tips.Add(nfmt_, "Choose NFMT will send Print Content\rwith Net Weight Print Mode (NFMT)");
  tips.Add(ClearButton(kFormatLineCount), "Clear Line 15 Content");
  tips.Add(allClear_, "Clear All Print Format Content");
  tips.Add(backup_, "Restore All Cleared Print Format Content");
  tips.Add(load_, "Load Print Format Content from a file");
  tips.Add(save_, "Save Print Format Content to a file");
  tips.Add(send_, "Send Print Format Content to indicator");
  tips.Add(exit_, "Exit Print Format Setup Window");
  for (const Row& row : rows_) tips.Add(row.line, "Enter Usable Print Format Commands and Text");
  for (int n = 1; n < kFormatLineCount; ++n) {
    tips.Add(ClearButton(n), QStringLiteral("Clear Line %1 Content").arg(n));
  }
  for (int n = 1; n < kFormatLineCount; ++n) {
    tips.Add(InsertButton(n), QStringLiteral("Insert a New Line Before Line %1").arg(n));
  }
  for (int n = 1; n < kFormatLineCount; ++n) {
    tips.Add(DeleteButton(n), QStringLiteral("Clear Content in Line %1").arg(n));
  }
  tips.Add(read_, "Read Print Format Content from indicator");
}

void CPrintFormatDlg::Run(const std::function<void()>& handler) {
  const OperationScope operation;  // no background poll in between
  CollectLines();
  handler();
  ShowModel();
}

void CPrintFormatDlg::CollectLines() {
  for (int n = 1; n <= kFormatLineCount; ++n) Line(model_, n) = ToSingleByte(LineField(n)->text());
  model_.format.mode = nfmt_->isChecked() ? FormatMode::NFMT : FormatMode::GFMT;
}

void CPrintFormatDlg::ShowModel() {
  for (int n = 1; n <= kFormatLineCount; ++n) {
    const QString text = FromSingleByte(Line(model_, n));
    if (LineField(n)->text() != text) LineField(n)->setText(text);
  }
  (model_.format.mode == FormatMode::NFMT ? nfmt_ : gfmt_)->setChecked(true);
  UpdateCursor();
  UpdatePreview();
}

void CPrintFormatDlg::UpdatePreview() {
  if (preview_ == nullptr) return;  // lines are being built
  FormatLines lines;
  for (int n = 1; n <= kFormatLineCount; ++n) {
    lines[static_cast<std::size_t>(n - 1)] = ToSingleByte(LineField(n)->text());
  }
  const TicketPreview shown =
      PreviewTicket(lines, model_.dataBits, SampleTicketValues(services_.clock.Now()));
  preview_->setPlainText(FromSingleByte(shown.ticket));
  previewSize_->setText(FromSingleByte(shown.sizeText));
  // Over the limit, the line says so in the colour of a warning.
  previewSize_->setStyleSheet(shown.fits ? QString() : QStringLiteral("color: #b00020;"));
  previewMode_->setText(nfmt_->isChecked() ? "Printed in net weight mode (NFMT)"
                                           : "Printed in gross weight mode (GFMT)");
}

void CPrintFormatDlg::UpdateCursor() {
  if (!model_.armedTag) {
    if (cursorOverridden_) QGuiApplication::restoreOverrideCursor();
    cursorOverridden_ = false;
    return;
  }
  const QCursor cursor(QPixmap(QStringLiteral(":/printfmt/cursor_%1.png")
                                   .arg(kImageNames[static_cast<std::size_t>(*model_.armedTag)])),
                       0, 0);
  if (cursorOverridden_) {
    QGuiApplication::changeOverrideCursor(cursor);
  } else {
    QGuiApplication::setOverrideCursor(cursor);
    cursorOverridden_ = true;
  }
}

int CPrintFormatDlg::RowOf(const QObject* object) const {
  for (int n = 1; n <= kFormatLineCount; ++n) {
    if (LineField(n) == object) return n;
  }
  return 0;
}

void CPrintFormatDlg::OnTagButton(PrintTag tag) {
  ArmTag(model_, tag);
  // Leaving the line cleans it; the next click into any line then is a new focus.
  contentLabel_->setFocus(Qt::OtherFocusReason);
  UpdateCursor();
}

bool CPrintFormatDlg::eventFilter(QObject* watched, QEvent* event) {
  const int n = RowOf(watched);
  if (n != 0 && event->type() == QEvent::FocusIn) {
    if (LineFocused(model_, n)) insertTimer_.start(kInsertDelayMs);
  } else if (n != 0 && event->type() == QEvent::FocusOut) {
    CollectLines();
    if (LineLeft(model_, n)) ShowModel();
  }
  return QDialog::eventFilter(watched, event);
}

void CPrintFormatDlg::OnInsertTimer() {
  insertTimer_.stop();
  if (!model_.armedTag || model_.targetLine < 1 || model_.targetLine > kFormatLineCount) return;
  QLineEdit* field = LineField(model_.targetLine);
  const int caret = field->hasSelectedText() ? field->selectionStart() : field->cursorPosition();
  CollectLines();
  const std::optional<int> after = InsertArmedTag(model_, caret);
  ShowModel();
  if (after) {
    field->deselect();
    field->setCursorPosition(*after);
  }
}

QString CPrintFormatDlg::AskFileName(bool forSaving) {
  FileDialogSetup setup;
  setup.nameFilters = {"Print Format File(.fmt) (*.fmt)", "All Files (*.*) (*)"};
  setup.defaultSuffix = FromSingleByte(kPrintFormatFileExtension);
  setup.initialName = FromSingleByte(DefaultFormatFileName(model_.format.mode));
  // Saving replaces the file without asking.
  setup.confirmOverwrite = false;
  return forSaving ? services_.pickSaveFile(this, setup) : services_.pickFile(this, setup);
}

void CPrintFormatDlg::OnLoadFile() {
  Run([this] {
    DropArmedTag(model_);
    UpdateCursor();
    const QString name = AskFileName(false);
    if (!name.isEmpty()) LoadPrintFormatFile(model_, NativePath(name), ui_);
  });
}

void CPrintFormatDlg::OnSaveFile() {
  Run([this] {
    DropArmedTag(model_);
    UpdateCursor();
    const QString name = AskFileName(true);
    if (!name.isEmpty()) SavePrintFormatFile(model_, NativePath(name), ui_);
  });
}

void CPrintFormatDlg::reject() {
  Run([this] { DropArmedTag(model_); });
}

}  // namespace tamarack
