// ExtractCabinet: unpacks a cabinet through the platform's cabinet library
// (cabinet.dll, FDI), with the folders stored in it and the stored file times.
#pragma once

#include <functional>
#include <string>

namespace talkpost::update {

// Extracts every entry of cabinet below folder (the current directory when
// folder is empty). An entry whose stored name is absolute, names a drive or
// climbs out with ".." is not written; skipped receives its stored name.
// Returns 0, or -1 when the file cannot be opened, is no cabinet, or the
// extraction failed (a partly written entry is then removed).
int extractCabinet(const std::string& cabinet, const std::string& folder,
                   const std::function<void(const std::string&)>& skipped = {});

}  // namespace talkpost::update
