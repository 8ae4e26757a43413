// Lists of computers in and out as text files.
#include "computers/computer_import.h"

#include <array>

#include "base/app_error.h"
#include "base/utf8_text.h"

namespace talkpost {
namespace {

// Whether the bytes are valid UTF-8 throughout (overlong forms and
// surrogates included as invalid).
bool validUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > s.size())
            return false;
        auto second = static_cast<unsigned char>(s[i + 1]);
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
            (c == 0xF4 && second > 0x8F))
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// UTF-16 text (after its byte order mark) as UTF-8; a unit that pairs with
// nothing becomes U+FFFD, which no code page carries, so its name is refused.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) {
        auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    std::size_t n = bytes.size() & ~std::size_t{1};
    for (std::size_t i = 0; i < n; i += 2) {
        std::uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 2 < n) {
            std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    if (bytes.size() % 2 != 0)
        appendUtf8(out, 0xFFFD);
    return out;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(std::string_view s) { return trimWhere(std::string(s), &blank); }

// The first column of a line (already known not to be blank).
std::string firstColumn(std::string_view line)
{
    // A tab separates columns too, so blanks are dropped only as spaces here.
    while (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    if (line.size() >= 2 && line.front() == '"') {
        std::string text;
        for (std::size_t i = 1; i < line.size(); ++i) {
            if (line[i] != '"') {
                text += line[i];
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                text += '"';
                ++i;
            } else {
                return trimmed(text);  // what follows the closing quote is another column's
            }
        }
        // No closing quote: the line is taken as it stands, and its quote refuses it.
    }
    std::size_t end = line.find_first_of(",;\t");
    return trimmed(line.substr(0, end == std::string_view::npos ? line.size() : end));
}

// Whether a first row's first column names the column rather than a computer.
bool headerName(const std::string& cell)
{
    static const std::array<const char*, 22> kHeaders = {
        "name",     "names",      "computer",    "computers",   "computername", "computer name", "host",    "hosts",
        "hostname", "host name",  "dnshostname", "dns name",    "server",       "servers",       "servername",
        "server name", "machine", "machinename", "machine name", "fqdn",       "device",        "devicename"};
    std::string lower = cell;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    for (const char* header : kHeaders)
        if (lower == header)
            return true;
    return false;
}

std::string withThousands(std::size_t n)
{
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string limitsText()
{
    return "a list file may have at most " + withThousands(kImportMaxLines) + " lines and " +
           std::to_string(kImportMaxBytes / (1024 * 1024)) + " MiB.";
}

std::string tooLargeMessage(const std::string& source)
{
    return source + " is larger than " + std::to_string(kImportMaxBytes / (1024 * 1024)) +
           " MiB and was not imported: " + limitsText();
}

}  // namespace

std::string importTooLargeMessage(const std::string& fileName) { return tooLargeMessage("The file " + fileName); }

ComputerFileRead readComputerLines(std::string_view bytes, const std::string& source)
{
    ComputerFileRead read;
    if (bytes.size() > kImportMaxBytes) {
        read.refusal = tooLargeMessage(source);
        return read;
    }
    std::string converted;
    std::string_view text = bytes;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    } else if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        converted = utf16ToUtf8(text.substr(2), text[0] == '\xFE');
        text = converted;
    } else if (!validUtf8(text)) {
        read.lines.encoding = NameEncoding::Ansi;
    }

    bool headerPossible = true;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end;
        if (start < text.size())
            start += text.substr(start, 2) == "\r\n" ? 2 : 1;
        if (++lineNumber > kImportMaxLines) {
            read.lines = {};
            read.refusal = source + " has more than " + withThousands(kImportMaxLines) +
                           " lines and was not imported: " + limitsText();
            return read;
        }
        std::string content = trimmed(line);
        if (content.empty() || content.front() == '#')
            continue;
        std::string name = firstColumn(line);
        if (headerPossible) {
            headerPossible = false;
            if (headerName(name))
                continue;
        }
        read.lines.names.push_back({lineNumber, std::move(name)});
    }
    read.lines.lines = lineNumber;
    return read;
}

std::string importLogLine(const std::string& fileName, const ListMerge& merge)
{
    return "Imported " + std::to_string(merge.added.size()) + " computers from " + fileName + ": " +
           std::to_string(merge.alreadyListed) + " already listed, " + std::to_string(merge.refused.size()) +
           " refused" + refusedNamesText(merge.refused);
}

std::string exportText(const std::vector<std::string>& names)
{
    std::size_t size = 0;
    for (const std::string& name : names)
        size += name.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& name : names) {
        // A name that holds a column's end or a quote is quoted, CSV-style,
        // so that an import reads it back whole.
        if (name.find_first_of(",;\t\"") == std::string::npos) {
            text += name;
        } else {
            text += '"';
            for (char c : name)
                text += c == '"' ? std::string("\"\"") : std::string(1, c);
            text += '"';
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace talkpost
