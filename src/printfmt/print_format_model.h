#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "link/serial_link.h"
#include "printfmt/print_format.h"

namespace tamarack {

// What the print format window shows and remembers while it is open. The window copies its
// fields into `format` before every handler and shows the model again afterwards.
struct PrintFormatModel {
  PrintFormat format;
  // The data bits of the port (7 or 8), fixed when the window opened.
  int dataBits = 8;
  // The stored text of the last format sent, saved or loaded (at most kMaxFormatText bytes, no
  // zero byte); "Backup" brings it back. Nothing else changes it.
  std::string backupText;
  // The tag chosen on the tag bar and not yet inserted.
  std::optional<PrintTag> armedTag;
  // The line (1 to 15) that receives the armed tag when the insertion timer fires; 0 for none.
  int targetLine = 0;
  // Set while an insertion runs.
  bool inserting = false;
};

// The messages of the transfers.
inline constexpr std::string_view kSendSuccessText = "Print Format Send Sucess!";
inline constexpr std::string_view kSendFailureText = "Print Format Send False!";
inline constexpr std::string_view kReadFailureText = "Read from Indicator False!";

// Line n (1 to 15) of the model.
std::string& Line(PrintFormatModel& model, int n);

// Row buttons. `n` is the row, 1 to 15 for Clear, 1 to 14 for Insert and Delete; other rows do
// nothing beyond dropping the armed tag.
void ClearLine(PrintFormatModel& model, int n);
// Lines n to 14 move down one (line 15's content is lost) and line n becomes empty.
void InsertLine(PrintFormatModel& model, int n);
// Lines n + 1 to 15 move up one and line 15 becomes empty.
void DeleteLine(PrintFormatModel& model, int n);
// Empties all lines; the backup copy stays.
void AllClear(PrintFormatModel& model);
// Brings back the lines of the backup copy; an empty copy changes nothing.
void RestoreBackup(PrintFormatModel& model);
void SelectMode(PrintFormatModel& model, FormatMode mode);

// First gesture of a tag insertion: the tag waits for a click into a line.
void ArmTag(PrintFormatModel& model, PrintTag tag);
void DropArmedTag(PrintFormatModel& model);
// A line gained the focus. True when it became the target of the armed tag, i.e. the window
// must (re)start its insertion timer.
bool LineFocused(PrintFormatModel& model, int n);
// The insertion timer fired: inserts the armed tag into the target line at byte `caret` (at the
// end when the caret lies beyond it) and drops the tag. Returns the caret position after the
// tag, or nothing when there was nothing to insert.
std::optional<int> InsertArmedTag(PrintFormatModel& model, int caret);
// A line lost the focus: a non-empty line is cleaned up. True when the line changed.
bool LineLeft(PrintFormatModel& model, int n);

// "Send": the lines go to the indicator in the selected mode; afterwards the lines and the backup
// copy are those of the stored text of what went out, whatever the indicator answered.
void SendPrintFormat(PrintFormatModel& model, SerialLink& link, UserFeedback& ui);
// "Read": the indicator's format of the selected mode replaces the lines.
void ReadPrintFormat(PrintFormatModel& model, SerialLink& link, UserFeedback& ui);

// "Save File" once the user has chosen `path` (in the platform's 8-bit encoding, as
// files/file_name.h says): writes the stored text, which also becomes the
// backup copy and the lines. An existing file is left as it was when anything fails.
void SavePrintFormatFile(PrintFormatModel& model, const std::string& path, UserFeedback& ui);
// A print format file's content: its first kMaxFormatText bytes replace the window's lines and
// become the backup copy.
void LoadPrintFormatContent(PrintFormatModel& model, std::string_view content);
// "Load File" once the user has chosen `path`: LoadPrintFormatContent of the file. Never creates
// or changes a file; a name that does not exist reads as an empty file, and one that cannot be
// read or is no regular file shows kPrintFormatFileErrorText and changes nothing.
void LoadPrintFormatFile(PrintFormatModel& model, const std::string& path, UserFeedback& ui);

}  // namespace tamarack
