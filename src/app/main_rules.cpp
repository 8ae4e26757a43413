// The main window's portable decisions.
#include "app/main_rules.h"

#include <algorithm>
#include <climits>

#include "base/app_error.h"
#include "base/command_text.h"
#include "base/decimal.h"
#include "base/utf8_text.h"
#include "settings/ini_rules.h"

namespace talkpost {
namespace {

std::optional<std::string> firstRefusal(std::initializer_list<std::pair<const char*, const std::string*>> fields)
{
    for (const auto& [name, text] : fields)
        if (auto refusal = commandTextRefusal(name, *text))
            return refusal;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> sendRefusal(const SendFields& f)
{
    if (trimControlAndBlank(f.message).empty())
        return std::string(kEnterMessageFirst);
    if (f.computer.empty())
        return std::string(kEnterComputerFirst);
    return firstRefusal({{"computer", &f.computer}, {"user", &f.user}, {"time", &f.time}});
}

std::optional<std::string> sendToAllRefusal(const SendFields& f)
{
    if (trimControlAndBlank(f.message).empty())
        return std::string(kEnterMessageFirst);
    return firstRefusal({{"user", &f.user}, {"time", &f.time}});
}

std::optional<std::string> longMessageQuestion(const std::string& message)
{
    std::size_t length = characterCount(trimControlAndBlank(message));
    if (length <= kReceiverShows)
        return std::nullopt;
    return "The message has " + std::to_string(length) + " characters; the receiver sees only the first " +
           std::to_string(kReceiverShows) + ". Send anyway?";
}

std::string messageLengthText(const std::string& message)
{
    return std::to_string(characterCount(trimControlAndBlank(message))) + " of " + std::to_string(kReceiverShows) +
           " characters";
}

std::optional<std::string> uncarriedQuestion(const std::string& uncarried)
{
    if (uncarried.empty())
        return std::nullopt;
    return "Some characters of the message cannot be sent and would arrive as \"?\": " + uncarried +
           ". Send anyway?";
}

bool isTimeCharacter(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+'; }

bool isTimeText(const std::string& text) { return std::all_of(text.begin(), text.end(), isTimeCharacter); }

std::optional<long long> parseTimeText(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    // The digits at the start count; a long run is held just above the largest int.
    DecimalRun number = readDecimalRun(std::string_view(text).substr(i), INT_MAX + 1ULL);
    if (number.length == 0)
        return std::nullopt;
    auto value = static_cast<long long>(number.value);
    return negative ? -value : value;
}

int timeFieldValue(const std::string& text)
{
    auto value = parseTimeText(text);
    if (!value)
        return settings::kMinTimeValue;
    return static_cast<int>(std::clamp<long long>(*value, settings::kMinTimeValue, settings::kMaxTimeValue));
}

std::optional<std::string> correctedTimeText(const std::string& text)
{
    if (!parseTimeText(text))
        return std::nullopt;
    std::string shown = std::to_string(timeFieldValue(text));
    if (shown == text)
        return std::nullopt;
    return shown;
}

std::string logAppendText(const std::string& paneEnd, const std::string& line)
{
    bool whole = paneEnd.empty() || (paneEnd.size() >= 2 && paneEnd.compare(paneEnd.size() - 2, 2, "\r\n") == 0);
    return (whole ? "" : "\r\n") + line + "\r\n";
}

std::string deliveryLine(const std::string& computer, unsigned long exitCode)
{
    if (exitCode == 0)
        return computer + ": delivered";
    return computer + ": not delivered (exit code " + std::to_string(exitCode) + ")";
}

std::string notStartedLine(const std::string& computer) { return computer + ": not delivered (not started)"; }

StartFields startFields(const std::vector<std::string>& arguments)
{
    StartFields fields;
    if (!arguments.empty())
        fields.computer = arguments[0];
    fields.user = arguments.size() >= 2 && !arguments[1].empty() ? arguments[1] : "*";
    return fields;
}

}  // namespace talkpost
