// The main window's decisions that need no window: the checks before a send,
// the plan of Send to all, the time field's parse and clamp, the message
// editor's lines, the log pane's whole-line rule and the command-line
// arguments' fields. Portable; the window only moves text in and out.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/app_error.h"

namespace talkpost {

inline constexpr const char* kEnterMessageFirst = "Please enter Message first";
inline constexpr const char* kEnterComputerFirst = "Please enter Computer first";

// The fields a send reads. Send to all checks no computer: each entry of the
// list is checked on its own as the walk reaches it.
struct SendFields {
    std::string message;
    std::string computer;
    std::string user;
    std::string time;
};

// The information text that stops a send, nothing when it may go on: an
// empty message first, then (Send only) an empty computer field, then the
// first field (computer, user, time) holding a character the command
// interpreter would act on.
std::optional<std::string> sendRefusal(const SendFields& fields);
std::optional<std::string> sendToAllRefusal(const SendFields& fields);

// msg.exe shows at most this many characters of a message.
inline constexpr std::size_t kReceiverShows = 255;
// The question before sending a message (as sent: after the trimming rule)
// longer than the receiver shows; nothing for one that fits.
std::optional<std::string> longMessageQuestion(const std::string& message);
// The status bar's text while the message editor has the focus: "<n> of 255 characters".
// Both count characters, not bytes.
std::string messageLengthText(const std::string& message);

// The question before sending a message that holds characters the message
// file cannot carry (`uncarried`: each of them once, as the conversion into
// the file's code page lists them); nothing when it carries them all.
std::optional<std::string> uncarriedQuestion(const std::string& uncarried);

// The time field: characters that may be typed or pasted into it.
bool isTimeCharacter(char c);
bool isTimeText(const std::string& text);

// The field's number: leading blanks, a sign and digits, whatever follows
// ignored; nothing without a digit. Values beyond int saturate.
std::optional<long long> parseTimeText(const std::string& text);

// The value stored for the field: its number within 60..20000, 60 without one.
int timeFieldValue(const std::string& text);

// What the field shows once left: its number within 60..20000, nothing when
// the text needs no change or holds no number.
std::optional<std::string> correctedTimeText(const std::string& text);

// The text appended to the log pane for one line: the line and a line break,
// with a line break before it when the pane's text does not end with one.
// Only the pane's last two characters matter, so the pane may pass just those.
std::string logAppendText(const std::string& paneEnd, const std::string& line);

// The log line when a message's command interpreter has ended: exit code 0
// means the message was delivered.
std::string deliveryLine(const std::string& computer, unsigned long exitCode);
// The same line when the interpreter could not be started at all.
std::string notStartedLine(const std::string& computer);

// The first two command-line arguments: the computer field's text and the
// user field's text ("*" when the argument is missing or empty).
struct StartFields {
    std::string computer;
    std::string user;
};
StartFields startFields(const std::vector<std::string>& arguments);

}  // namespace talkpost
