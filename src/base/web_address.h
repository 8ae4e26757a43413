// Which links from outside may be handed to the shell: only web addresses.
// A banner list or any other text a server sends can name a program, a share
// (\\host\share), a local file, a file: address or a protocol handler; the
// shell would start or open each of them. Portable.
#pragma once

#include <string>

namespace talkpost {

// True when the text is an "http://" or "https://" address (scheme in any
// letter case) with a host part, taken as it stands: nothing is trimmed, and
// a blank, a quote or a control character anywhere refuses it, since those
// would end the address where the shell hands it to the browser.
bool isWebAddress(const std::string& text);

}  // namespace talkpost
