// Lists of computers in and out as text files: reading the names from a
// file (one per line, or the first column of a CSV file with or without a
// header), the limits of such a file, the log line of an import, and the
// bytes of an export. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "computers/list_merge.h"

namespace talkpost {

// A list file is refused beyond these, before anything is added: a fleet's
// list is far below, and a bigger file is most likely not a list at all.
inline constexpr std::size_t kImportMaxLines = 100000;
inline constexpr std::uint64_t kImportMaxBytes = 16ull * 1024 * 1024;

// How the names of a file are written: as UTF-8 (a UTF-8 or UTF-16 file with
// its byte order mark, or a file that is valid UTF-8 throughout, plain ASCII
// included) or as bytes of the ANSI code page (any other file).
enum class NameEncoding { Utf8, Ansi };

struct ComputerLines {
    std::vector<NameAt> names;  // in the file's order, with their line numbers
    NameEncoding encoding = NameEncoding::Utf8;
    std::size_t lines = 0;      // lines in the file
};

// Reads the names of a list file's bytes. Blank lines and lines whose first
// sign is "#" are skipped, and so is a first row that names its column
// ("Name", "Computer", "Host", ...). A line's name is its first column: up to
// the first "," ";" or tab, or a quoted text ("" standing for one quote);
// blanks around it are dropped. Lines end with CR LF, LF or CR; a quoted
// text ends with its line. Gives the refusal message instead when the file
// has more than kImportMaxLines lines or kImportMaxBytes bytes; source
// begins it ("The file C:\\lists\\fleet.txt", "The text on the clipboard").
struct ComputerFileRead {
    ComputerLines lines;
    std::optional<std::string> refusal;
};
ComputerFileRead readComputerLines(std::string_view bytes, const std::string& source);

// The refusal of a file larger than kImportMaxBytes, before it is read.
std::string importTooLargeMessage(const std::string& fileName);

// The one log line of an import:
// `Imported <n> computers from <file>: <d> already listed, <r> refused (line 7: "a&b", ...)`.
std::string importLogLine(const std::string& fileName, const ListMerge& merge);

// The bytes of an exported list: one name per line, each ended by CR LF.
std::string exportText(const std::vector<std::string>& names);

}  // namespace talkpost
