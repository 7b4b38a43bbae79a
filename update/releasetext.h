#pragma once
// A release file's bytes made into the Windows-1252 text its records are
// cut from, before they are split into lines: where the content really
// ends, and a file saved as UTF-8 taken back to the bytes DATASUS publishes.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

// DATASUS's files hold no NUL byte. One appears where a copy or a download
// left the end of a file unwritten (zeros, or leftovers of an older file on
// the last line), and then the content ends there. But a NUL with further
// lines behind it (a line break after it, before the trailing padding) is a
// file damaged inside: reading up to it would load only part of the table,
// so it is refused with std::runtime_error naming the file and the line.
void dropWhatFollowsTheEnd(std::string& content, const std::string& path);

// A UTF-8 file is one starting with the mark EF BB BF, or one whose bytes of
// 0x80 and above all form well-formed UTF-8 sequences, at least one of them:
// Windows-1252 Portuguese never reads so (an accented letter is followed by
// a letter, not by the 0x80-0xBF a sequence needs). Its characters become
// their Windows-1252 bytes and the mark goes, so the rows are those the
// Windows-1252 file gives. Throws std::runtime_error, naming the file and
// the line, when a character has no Windows-1252 byte or a marked file is
// not UTF-8. Returns true when the content was UTF-8.
bool convertFromUtf8(std::string& content, const std::string& path);

// The line (1-based, as the records are numbered once the content is
// trimmed) on which the byte at pos stands.
std::size_t lineAt(std::string_view content, std::size_t pos);

} // namespace korvane
