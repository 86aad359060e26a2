#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "feedback/user_feedback.h"
#include "setup/write_all_block.h"

namespace tamarack {

// The setup value file (".stx") holds one record: the first 30 parameters of the table, F1.1 to
// F7.2, each followed by ",", except F7.2 which stands last without one (an empty F7.2 is written
// as a lone ",", so such a record ends ",,"). Number fields are stored whole; choice fields by
// their first character, the option's code digit. No line end, no header.
inline constexpr std::size_t kSetupFileFieldCount = 30;
// Longer files are not setup value files and are refused.
inline constexpr std::size_t kMaxSetupFileSize = 299;
inline constexpr std::string_view kSetupFileError = "Open Setup Value File Error!";
inline constexpr std::string_view kSetupFileDefaultName = "SetupValue_1.stx";
inline constexpr std::string_view kSetupFileExtension = "stx";
// The file dialog's two choices.
inline constexpr std::string_view kSetupFileFilter = "Setup Value File(.stx) (*.stx)";
inline constexpr std::string_view kAllFilesFilter = "All Files (*.*) (*)";

// The record for the current-value column.
std::string SetupValueRecord(const SetupModel& model);

// Applies a record to the editable column: the 30 fields are cleared first (Number text "",
// choice -1, no option selected), then each field of 1 to 6 characters is applied, empty and longer
// ones are skipped; a field with no "," after it takes the rest of the record whatever its length
// and ends the record. A choice selects the option whose code is LeadingInteger() of the field, or
// nothing when no option has that code. The record ends at its first zero byte. F7.4 and F7.5 are
// left alone.
void ApplySetupRecord(std::string_view record, SetupModel& model);

// Writes `record` as the file's whole content, atomically (ReplaceFile): on failure the old file
// (if any) is left as it was and no file is created. A file that exists but may not be written,
// or that is no regular file, is refused.
bool WriteSetupValueFile(const std::string& path, std::string_view record);

// "Save to File" after the file dialog: stores the current-value column. Shows
// kSetupFileError when the file cannot be written; nothing on success.
bool SaveSetupFile(const std::string& path, const SetupModel& model, UserFeedback& ui);

// Fills the editable column from a file's content. Returns true when the column was changed (the
// window then shows it). Empty content changes nothing; content longer than kMaxSetupFileSize
// shows kSetupFileError and changes nothing. Nothing is sent, and neither valueModified nor the
// caption changes.
bool LoadSetupContent(std::string_view content, SetupModel& model, UserFeedback& ui);

// "Load from File" after the file dialog: LoadSetupContent of the file, read without ever
// creating or changing it. A missing file reads as empty; one that cannot be read or is no regular
// file shows kSetupFileError and changes nothing.
bool LoadSetupFile(const std::string& path, SetupModel& model, UserFeedback& ui);

}  // namespace tamarack
