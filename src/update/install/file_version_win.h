// FileVersionOf: the file version in a file's version resource.
#pragma once

#include <string>

#include "update/install/versions.h"

namespace talkpost::update {

// Unknown when the file has no version resource or its fixed block is not valid.
VersionValue fileVersionOf(const std::string& path);

}  // namespace talkpost::update
