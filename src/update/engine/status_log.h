// The update log: the numbered status messages of the update engine, the
// line each one becomes in "UPDATE.LOG", where that file lies, and the one
// routine that appends a line to it. Portable; the platform's clock, date and
// time separators and documents folder come from status_log_win.
#pragma once

#include <string>

namespace talkpost::update {

// The messages by number, as the engine reports them.
namespace message {
inline constexpr int kAskDownloadFile = 909;
inline constexpr int kAskDownloadFiles = 910;
inline constexpr int kAskShutdown = 911;
inline constexpr int kEqualSourceAndTarget = 912;
inline constexpr int kSourceNotFound = 913;
inline constexpr int kZeroLengthSource = 914;
inline constexpr int kDownload = 915;
inline constexpr int kHttpStatus = 916;
inline constexpr int kFileNotFound = 917;
inline constexpr int kCheckingConnection = 918;
inline constexpr int kPromptForConnection = 919;
inline constexpr int kOpeningConnection = 920;
inline constexpr int kFoundConnection = 921;
inline constexpr int kCannotOpenConnection = 922;
inline constexpr int kConnectToHost = 923;
inline constexpr int kControlFileMissing = 925;
inline constexpr int kControlFileFound = 926;
inline constexpr int kInvalidSignature = 927;
inline constexpr int kFoundMessage = 934;
inline constexpr int kFoundHtmlDialog = 935;
inline constexpr int kFoundQuery = 936;
inline constexpr int kFoundWhatsNew = 937;
inline constexpr int kFoundLicense = 939;
inline constexpr int kFoundUrlRedirection = 941;
inline constexpr int kFoundUrlShow = 942;
inline constexpr int kFoundFileUpdate = 943;
inline constexpr int kCannotDownloadFile = 946;
inline constexpr int kFinishedControlFile = 948;
inline constexpr int kClosedConnection = 949;
inline constexpr int kCannotConnectForPost = 951;
inline constexpr int kCannotAccessForPost = 952;
inline constexpr int kDialupFailed = 953;
inline constexpr int kClosedFtpConnection = 954;
inline constexpr int kDisconnectDialup = 955;
inline constexpr int kAuthenticationCancelled = 956;
inline constexpr int kSpawn = 958;
inline constexpr int kRestartInDirectory = 959;
inline constexpr int kUpdateCancelled = 964;
inline constexpr int kFileWithoutSha256 = 972;
inline constexpr int kFileSha256Differs = 973;
inline constexpr int kCabinetEntryRefused = 974;
inline constexpr int kServerTimedOut = 975;
inline constexpr int kRedirectRefused = 976;
inline constexpr int kOlderSerialRefused = 977;
inline constexpr int kExpiredRefused = 978;
inline constexpr int kDowngradeRefused = 979;
inline constexpr int kTextSha256Differs = 980;
inline constexpr int kDownloadTooLarge = 981;
inline constexpr int kUpdateUndone = 982;
inline constexpr int kHelperNotStarted = 983;
}  // namespace message

// Status codes, the first number in brackets after a message.
inline constexpr int kStatusNone = 0, kStatusNoInternet = 1, kStatusFailed = 2, kStatusInfo = 3, kStatusNothingNew = 4,
                     kStatusFoundNew = 5, kStatusHttp = 6, kStatusHtmlDialog = 7, kStatusCabinet = 8, kStatusFileCopy = 10,
                     kStatusSignature = 11, kStatusWhatsNew = 12, kStatusLicense = 13, kStatusPostConnect = 16,
                     kStatusPostResource = 17;
// Error codes, the second number.
inline constexpr int kErrorNone = 0, kErrorNotFound = 1, kErrorZeroLength = 2, kErrorSameFile = 3,
                     kErrorSignature = 4, kErrorPost = 5;

// Where the parts of an update write: its numbered status messages (the
// update log and the OnStatus event) and the raw lines of the update log.
class StatusReporter {
public:
    virtual void reportStatus(int number, const std::string& argument = {}, int statusCode = kStatusInfo,
                              int errorCode = kErrorNone) = 0;
    virtual void appendLogLine(const std::string& text) = 0;

protected:
    ~StatusReporter() = default;
};

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
