// The updater helper's run: waits for the application to end, puts the
// application components in place, logs what it does and starts the
// application again.
#pragma once

#include <string>

namespace talkpost::updater {

// The whole run for a command line as the helper receives it (program name first).
void runHelper(const std::string& commandLine);

}  // namespace talkpost::updater
