#include "printfmt/print_format_model.h"

#include <algorithm>

#include "files/replace_file.h"
#include "link/commands.h"
#include "link/transact.h"
#include "printfmt/print_format_file.h"

namespace tamarack {
namespace {

constexpr int kLastMovableRow = kFormatLineCount - 1;
// The count byte of the frame holds the text length + 1.
constexpr std::size_t kMaxFramedText = 254;

bool IsLine(int n) {
  return n >= 1 && n <= kFormatLineCount;
}

// Shows a stored text as the window's lines and keeps it, up to its first zero byte, as the
// backup copy.
void TakeStoredText(PrintFormatModel& model, std::string_view stored) {
  SplitAtSeparators(stored, model.format.lines);
  model.backupText = std::string(stored.substr(0, std::min(stored.find('\0'), kMaxFormatText)));
}

}  // namespace

std::string& Line(PrintFormatModel& model, int n) {
  return model.format.lines.at(static_cast<std::size_t>(n - 1));
}

void ClearLine(PrintFormatModel& model, int n) {
  DropArmedTag(model);
  if (IsLine(n)) Line(model, n).clear();
}

void InsertLine(PrintFormatModel& model, int n) {
  DropArmedTag(model);
  if (n < 1 || n > kLastMovableRow) return;
  auto& lines = model.format.lines;
  std::shift_right(lines.begin() + (n - 1), lines.end(), 1);
  Line(model, n).clear();
}

void DeleteLine(PrintFormatModel& model, int n) {
  DropArmedTag(model);
  if (n < 1 || n > kLastMovableRow) return;
  auto& lines = model.format.lines;
  std::shift_left(lines.begin() + (n - 1), lines.end(), 1);
  lines.back().clear();
}

void AllClear(PrintFormatModel& model) {
  DropArmedTag(model);
  for (auto& line : model.format.lines) line.clear();
}

void RestoreBackup(PrintFormatModel& model) {
  DropArmedTag(model);
  SplitAtSeparators(model.backupText, model.format.lines);
}

void SelectMode(PrintFormatModel& model, FormatMode mode) {
  DropArmedTag(model);
  model.format.mode = mode;
}

void ArmTag(PrintFormatModel& model, PrintTag tag) {
  model.armedTag = tag;
  model.inserting = false;
}

void DropArmedTag(PrintFormatModel& model) {
  model.armedTag.reset();
}

bool LineFocused(PrintFormatModel& model, int n) {
  if (!model.armedTag || model.inserting || !IsLine(n)) return false;
  model.targetLine = n;
  return true;
}

std::optional<int> InsertArmedTag(PrintFormatModel& model, int caret) {
  if (!model.armedTag || !IsLine(model.targetLine) || model.inserting) return std::nullopt;
  model.inserting = true;
  const PrintTagInfo& tag = TagInfo(*model.armedTag);
  std::string& line = Line(model, model.targetLine);
  const std::size_t at = std::min(static_cast<std::size_t>(std::max(caret, 0)), line.size());
  line.insert(at, tag.text);
  DropArmedTag(model);
  model.inserting = false;
  return static_cast<int>(at) + tag.caretStep;
}

bool LineLeft(PrintFormatModel& model, int n) {
  if (!IsLine(n)) return false;
  std::string& line = Line(model, n);
  std::string clean = NormalizeLine(line);
  if (clean == line) return false;
  line = std::move(clean);
  return true;
}

void SendPrintFormat(PrintFormatModel& model, SerialLink& link, UserFeedback& ui) {
  DropArmedTag(model);
  const std::optional<std::string> text = JoinLines(model.format.lines, false);
  if (!text) {
    ui.Failure(kTooManyCharactersText);
    return;
  }
  if (const auto refusal = CheckDataBits(text->size(), model.dataBits)) {
    ui.Failure(*refusal);
    return;
  }
  // Whatever the data bits, a longer text does not fit the count byte.
  if (text->size() > kMaxFramedText) {
    ui.Failure(kDataBits8Text);
    return;
  }
  ReplyArea reply;
  const TransactStatus status =
      Transact(link, ui, SendFormatRequest(SendModeLetter(model.format.mode), AsBytes(*text)),
               kSendFormatWaitMs, reply);
  if (RequireOk(status, reply) == TransactStatus::kOk) {
    ui.Success(kSendSuccessText);
  } else {
    ui.Failure(kSendFailureText);
  }
  // With 7 or 8 data bits a text that went out always joins with separators too.
  if (const std::optional<std::string> stored = JoinLines(model.format.lines, true)) {
    TakeStoredText(model, *stored);
  } else {
    ui.Failure(kTooManyCharactersText);
  }
}

void ReadPrintFormat(PrintFormatModel& model, SerialLink& link, UserFeedback& ui) {
  DropArmedTag(model);
  ReplyArea reply;
  const TransactStatus status = Transact(
      link, ui, ReadFormatRequest(ReadModeLetter(model.format.mode)), kReadFormatWaitMs, reply);
  if (status != TransactStatus::kOk) {
    ui.Failure(kReadFailureText);
    return;
  }
  model.format.lines = SplitAtNewLineTags(reply.Text());
}

void SavePrintFormatFile(PrintFormatModel& model, const std::string& path, UserFeedback& ui) {
  DropArmedTag(model);
  // The file is made ready before the lines are joined: a file that cannot be written is
  // reported as such even when the text would be refused too.
  FileReplacement file;
  if (!file.Begin(path).ok()) {
    ui.Failure(kPrintFormatFileErrorText);
    return;
  }
  const std::optional<std::string> stored = JoinLines(model.format.lines, true);
  if (!stored) {
    file.Discard();
    ui.Failure(kTooManyCharactersText);
    return;
  }
  if (!file.Commit(*stored).ok()) {
    ui.Failure(kPrintFormatFileErrorText);
    return;
  }
  TakeStoredText(model, *stored);
}

void LoadPrintFormatContent(PrintFormatModel& model, std::string_view content) {
  DropArmedTag(model);
  for (auto& line : model.format.lines) line.clear();
  TakeStoredText(model, content.substr(0, kMaxFormatText));
}

void LoadPrintFormatFile(PrintFormatModel& model, const std::string& path, UserFeedback& ui) {
  DropArmedTag(model);
  const std::optional<std::string> bytes = ReadFormatFile(path);
  if (!bytes) {
    ui.Failure(kPrintFormatFileErrorText);
    return;
  }
  LoadPrintFormatContent(model, *bytes);
}

}  // namespace tamarack
