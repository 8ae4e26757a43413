// The update log on the platform: the user's date and time separators, and
// the append of a line to the process's log file in the documents folder.
#pragma once

#include <string>

namespace talkpost::update {

// Now, as "dd/mm/yyyy hh:nn:ss" with the user's separators.
std::string logTimestampNow();

// Appends one line to the log file named by logFileName(). Throws AppError.
void appendLogLine(const std::string& text);

}  // namespace talkpost::update
