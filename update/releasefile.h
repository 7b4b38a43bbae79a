#pragma once
// One SIGTAP release file read whole and split into its records.

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct ReleaseFile {
    std::string path;
    std::string content;                  // Windows-1252 bytes up to the end of the content, trimmed
    std::vector<std::string_view> lines;  // views into content, in file order

    ReleaseFile() = default;
    ReleaseFile(ReleaseFile&&) noexcept;
    ReleaseFile& operator=(ReleaseFile&&) noexcept;
    ReleaseFile(const ReleaseFile&) = delete;
    ReleaseFile& operator=(const ReleaseFile&) = delete;
};

// The folder text trimmed, one separator, the file name. A separator that
// already ends the folder text stays.
std::string releaseFilePath(std::string_view folder, std::string_view fileName);

// Splits bytes into records: everything from the first NUL on is dropped,
// bytes <= 0x20 are removed at both ends of the whole content, and lines end
// at CR LF, LF or a lone CR. Lines point into the given string.
std::vector<std::string_view> splitRecords(std::string& content);

// The lines of a file from its content as read: what follows the real end
// of the file dropped and a UTF-8 file converted (update/releasetext.h),
// then split. Throws std::runtime_error when the content is cut or cannot
// be converted.
void takeLines(ReleaseFile& file);

// Makes `content` `size` bytes long (zeros), its memory taken in large
// pages where the system gives them (a file's lines are too).
void sizeContent(std::string& content, std::size_t size);

// Throws std::runtime_error "Cannot open file "<path>". <reason>" when the
// file cannot be read, and as takeLines does.
ReleaseFile readReleaseFile(std::string_view folder, std::string_view fileName);

} // namespace korvane
