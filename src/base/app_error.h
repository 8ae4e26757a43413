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

}  // namespace talkpost
