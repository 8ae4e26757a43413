// The updater helper's list of files and their SHA-256 values.
#include "update/install/helper_list.h"

#include <cctype>

#include "base/decimal.h"
#include "update/install/file_names.h"

namespace talkpost::update {
namespace {

constexpr std::string_view kHeader = "TPUPD-LIST 1";
constexpr std::size_t kSha256Digits = 64;

bool startsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

}  // namespace

std::optional<std::string> sha256Value(std::string_view text)
{
    if (text.size() != kSha256Digits)
        return std::nullopt;
    std::string value;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return value;
}

std::optional<std::string> HelperList::sha256Of(const std::string& name) const
{
    for (const HelperListFile& file : files)
        if (sameFileName(file.name, name))
            return file.sha256;
    return std::nullopt;
}

std::string composeHelperList(const HelperList& list)
{
    std::string text = std::string(kHeader) + "\r\n";
    text += "serial " + std::to_string(list.serial) + "\r\n";
    text += "version " + list.version + "\r\n";
    for (const HelperListFile& file : list.files)
        text += "file " + file.sha256 + " " + file.name + "\r\n";
    return text;
}

std::optional<HelperList> parseHelperList(std::string_view bytes)
{
    if (bytes.size() > kMaxHelperListBytes)
        return std::nullopt;
    HelperList list;
    bool header = false, serial = false, version = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            return std::nullopt;  // every line ends, the last one too
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!header) {
            if (line != kHeader)
                return std::nullopt;
            header = true;
        } else if (startsWith(line, "serial ") && !serial) {
            std::string_view digits = line.substr(7);
            auto value = digits.size() > 19 ? std::nullopt : parseDecimal(digits);
            if (!value)
                return std::nullopt;
            list.serial = *value;
            serial = true;
        } else if (startsWith(line, "version ") && !version) {
            list.version = std::string(line.substr(8));
            version = true;
        } else if (startsWith(line, "file ")) {
            std::string_view rest = line.substr(5);
            auto value = sha256Value(rest.substr(0, kSha256Digits));
            if (!value || rest.size() < kSha256Digits + 2 || rest[kSha256Digits] != ' ')
                return std::nullopt;
            std::string name(rest.substr(kSha256Digits + 1));
            if (!isPlainFileName(name))
                return std::nullopt;
            list.files.push_back({name, *value});
        } else {
            return std::nullopt;
        }
    }
    if (!header || !serial || !version)
        return std::nullopt;
    return list;
}

}  // namespace talkpost::update
