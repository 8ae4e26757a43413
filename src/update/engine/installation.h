// The installation's rules that need no platform: the control file's texts as
// the message boxes show them and the publisher's sha256 values as they are
// compared. Portable; the installation itself is installation_win.
#pragma once

#include <string>

namespace talkpost::update {

// "\n" written as two characters in the control file starts a new line (a
// carriage return, as the message boxes break lines).
std::string withLineBreaks(std::string text);

// A sha256= value as it is compared with a computed digest: without the
// blanks and tabs around it, in lower case.
std::string publishedSha256(const std::string& value);

}  // namespace talkpost::update
