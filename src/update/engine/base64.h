// Base64 of RFC 4648: the standard alphabet with "=" padding. Portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talkpost::update {

std::string base64Encode(std::string_view bytes);

// Decodes the text; blanks and line ends are skipped. Nothing for a character
// outside the alphabet, a length that is no multiple of four, or padding
// anywhere but at the end.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace talkpost::update
