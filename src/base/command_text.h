// The safety rule for every text handed to the command interpreter: the
// message command, the remote desktop command and any later launch share it.
// Portable.
#pragma once

#include <optional>
#include <string>

namespace talkpost {

// The first character of the text that the command interpreter would act on
// (& | < > ^ % " or a control character), if any.
std::optional<char> commandCharacterIn(const std::string& text);

// When the text holds such a character: the operator's explanation naming the
// field and the character. Texts that pass give no value.
std::optional<std::string> commandTextRefusal(const std::string& fieldName, const std::string& text);

}  // namespace talkpost
