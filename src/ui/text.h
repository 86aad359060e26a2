#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tamarack {

// Two kinds of text cross into a QString here, and nowhere else.
//
// The indicator speaks single-byte text, and so do its files and the system's own captions,
// prompts and tips: one byte is one character, read as Latin-1, so that a byte read from the
// indicator comes back as the same byte when the window hands it on.

// Each byte becomes the character with the same code.
QString FromSingleByte(std::string_view bytes);
// Each character becomes the byte with the same code; one beyond Latin-1 has no byte and becomes
// '?' (the fields that the indicator reads refuse such characters as they are typed).
std::string ToSingleByte(const QString& text);

// Our own texts beyond the indicator's (messages naming ports and files, a technician's name and
// note, window titles of our own windows) are UTF-8 in the core.
QString FromUtf8(std::string_view text);
std::string ToUtf8(const QString& text);

// A file name as the system's file functions take it: always through QFile::encodeName.
std::string NativePath(const QString& fileName);

}  // namespace tamarack
