// ExtractCabinet: unpacks a cabinet through the platform's cabinet library
// (cabinet.dll, FDI), with the folders stored in it and the stored file times.
#pragma once

#include <functional>
#include <string>

namespace talkpost::update {

// Extracts every entry of cabinet below folder (the current directory when
// folder is empty). Each entry is written beside its target and moved over it
// in one step, so a target holds its old content or the whole new one at any
// moment. A cabinet with an entry whose stored name is absolute, names a drive
// or a device ("NUL", "aux.txt") or climbs out with ".." is refused before
// anything is written: skipped receives each such name and the result is -1.
// Returns 0, or -1 when the file cannot be opened, is no cabinet, holds a
// refused name, or the extraction failed (the entry being written then keeps
// its old content, and its staged file is removed).
int extractCabinet(const std::string& cabinet, const std::string& folder,
                   const std::function<void(const std::string&)>& skipped = {});

}  // namespace talkpost::update
