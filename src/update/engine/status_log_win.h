// The update log on the platform: the documents folder, the user's date and
// time separators, and the append of a line to the process's log file.
#pragma once

#include <string>

namespace talkpost::update {

// The user's documents folder without a trailing "\"; empty when unknown.
std::string documentsFolder();

// Now, as "dd/mm/yyyy hh:nn:ss" with the user's separators.
std::string logTimestampNow();

// Appends one line to the log file named by logFileName(). Throws AppError.
void appendLogLine(const std::string& text);

}  // namespace talkpost::update
