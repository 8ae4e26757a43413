// LZ expansion of "SZDD" files through the platform's LZ functions.
#pragma once

#include <optional>
#include <string>

namespace talkpost::update {

// The name the compressed file's header gives its expanded copy (same folder),
// or nullopt when the file cannot be opened.
std::optional<std::string> expandedNameOf(const std::string& compressed);

// Two file names alike without regard to letter case.
bool sameFileName(const std::string& a, const std::string& b);

// Writes the expanded data of source to destination (created or emptied). On a
// failure nothing is left under destination. A source that is not compressed
// is copied as it is; a destination that is the source itself is refused.
bool lzExpandFile(const std::string& source, const std::string& destination);

// ExpandCompressedFile: expands path into the file its header names and deletes
// path. A file whose expanded name is its own name is not compressed and is
// left alone. Returns the expanded file's path, or nullopt.
std::optional<std::string> expandCompressedFile(const std::string& path);

}  // namespace talkpost::update
