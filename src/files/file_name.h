#pragma once

#include <filesystem>
#include <string>

namespace tamarack {

// File names cross into the core as 8-bit strings in the platform's encoding (what
// QFile::encodeName gives): the bytes themselves on POSIX, the active code page on Windows. These
// two are the only crossings between such a name and a std::filesystem::path: the path's own
// conversions read the bytes in another encoding on Windows and would name another file.

// Empty when the bytes do not convert.
std::filesystem::path PathFromBytes(const std::string& bytes);
// Empty when the code page cannot spell the name.
std::string BytesFromPath(const std::filesystem::path& path);

}  // namespace tamarack
