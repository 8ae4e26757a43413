// The update log: the numbered status messages of the update engine, the
// line each one becomes in "UPDATE.LOG", where that file lies, and the one
// routine that appends a line to it. Portable; the platform's clock, date and
// time separators and documents folder come from status_log_win.
#pragma once

#include <string>

namespace talkpost::update {

// Text of status message n with its "%s" replaced by the argument (an entry
// without "%s" ignores it); empty for a number the table does not hold.
std::string statusText(int number, const std::string& argument = {});

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "dd/mm/yyyy hh:nn:ss" with the user's separators in place of "/" and ":".
std::string logTimestamp(const LocalTime& time, const std::string& dateSeparator, const std::string& timeSeparator);

// "<timestamp> : [<number>] <text> (Status:<status>) (Error:<error>)".
std::string statusLogLine(const std::string& timestamp, int number, const std::string& text, int status, int error);

// The raw lines that file failures append, whatever the logging setting says.
std::string unableToDeleteLine(const std::string& path);
std::string unableToRenameLine(const std::string& from, const std::string& to);

// The log file's name, held once per process ("UPDATE.LOG" until set).
void setLogFileName(const std::string& name);
std::string logFileName();

// Where the file lies: a bare name (no "\", "/" or ":") inside the documents
// folder, any other name as it stands; a bare name with no documents folder
// known lies in the current directory.
std::string logFilePath(const std::string& name, const std::string& documentsFolder);

// Opens the file for appending (creating it when missing), writes the text
// and a CR LF, closes it. Throws AppError when the file can be neither opened
// nor created, or the write fails.
void appendLineToFile(const std::string& path, const std::string& text);

}  // namespace talkpost::update
