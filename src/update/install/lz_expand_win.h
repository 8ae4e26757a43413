// LZ expansion of "SZDD" files through the platform's LZ functions.
#pragma once

#include <optional>
#include <string>

#include "update/install/file_names.h"

namespace talkpost::update {

// The name the compressed file's header gives its expanded copy (same folder),
// or nullopt when the file cannot be opened.
std::optional<std::string> expandedNameOf(const std::string& compressed);

// Writes the expanded data of source into a file beside destination and moves
// it over destination in one step: at any moment destination holds its old
// content or the whole new one. On a failure destination is unchanged and the
// staged file is removed. A source that is not compressed is copied as it is;
// a destination that is the source itself, or whose name is a device such as
// "nul.txt", is refused.
bool lzExpandFile(const std::string& source, const std::string& destination);

// ExpandCompressedFile: expands path into the file its header names and deletes
// path. A file whose expanded name is its own name is not compressed and is
// left alone. Returns the expanded file's path, or nullopt.
std::optional<std::string> expandCompressedFile(const std::string& path);

}  // namespace talkpost::update
