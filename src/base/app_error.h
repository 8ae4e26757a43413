// The one failure type of the user interface: an operation that cannot go on
// throws AppError with the message the operator is to see. Portable.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace talkpost {

class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& message) : std::runtime_error(message) {}
};

// The standard error box's text: a full stop is added when the message is not
// empty and its last character's code is greater than that of ".".
std::string standardErrorText(const std::string& message);

// Leading and trailing characters with codes 32 or below removed.
std::string trimControlAndBlank(const std::string& text);

// Leading and trailing characters for which the test holds removed.
std::string trimWhere(const std::string& text, bool (*test)(char));

// The lines joined with CR LF between them, as a multi-line edit shows them.
std::string joinLines(const std::vector<std::string>& lines);

// The two rules for lines. Either way a break at the very end opens no
// further line, and an empty text has none.
// A multi-line edit's text: only CR LF ends a line (a lone CR or LF stays in
// it); joinLines puts them back together.
std::vector<std::string> splitCrLfLines(const std::string& text);
// A document from elsewhere: CR LF, LF or CR ends a line.
std::vector<std::string> splitAnyBreakLines(const std::string& text);

}  // namespace talkpost
