// The folders behind the control file's directory macros.
#pragma once

#include <string>

namespace talkpost::update {

// The folder-form value of WIN, SYS, APP, TMP, DOC or PF; empty for any other
// name and for PF when its registry key cannot be opened.
std::string systemMacroValue(const std::string& upperName);

}  // namespace talkpost::update
