// Reading, writing and comparing version values.
#include "update/install/versions.h"

#include <optional>
#include <string_view>

#include "base/decimal.h"

namespace talkpost::update {
namespace {

// A decimal integer with leading blanks and a sign; complete is set when
// nothing but digits follows. Only the low 32 bits are kept: no more is used.
long long readNumber(const std::string& text, bool& complete)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    DecimalRun digits = readDecimalRunLow32(std::string_view(text).substr(i));
    complete = digits.length > 0 && i + digits.length == text.size();
    auto value = static_cast<long long>(digits.value);
    return negative ? -value : value;
}

// The whole text as an integer, or nullopt when it does not read completely.
std::optional<long long> readInteger(const std::string& text)
{
    bool complete = false;
    long long value = readNumber(text, complete);
    return complete ? std::optional<long long>(value) : std::nullopt;
}

// A number that does not read completely counts by its leading digits (0 without any).
long long leadingNumber(const std::string& text)
{
    bool complete = false;
    return readNumber(text, complete);
}

std::uint32_t bits16(long long n) { return static_cast<std::uint32_t>(n) & 0xFFFFu; }
std::uint32_t pack(long long upper, long long lower) { return (bits16(upper) << 16) | bits16(lower); }

}  // namespace

VersionValue makeVersion(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return {pack(a, b), pack(c, d)};
}

VersionValue parseVersion(const std::string& text)
{
    VersionValue result;
    char separator = 0;
    if (text.find(',') != std::string::npos)
        separator = ',';
    else if (text.find('.') != std::string::npos)
        separator = '.';
    if (separator == 0) {
        if (auto n = readInteger(text)) {
            result.high = pack(*n, 0);
            result.low = 0;
        }
        return result;
    }
    std::size_t cut = text.find(separator);
    std::string part1 = text.substr(0, cut);
    std::string rest = text.substr(cut + 1);
    auto first = readInteger(part1);
    cut = rest.find(separator);
    if (cut == std::string::npos || !first) {
        result.high = pack(leadingNumber(part1), leadingNumber(rest));
        result.low = 0;
        return result;
    }
    std::string part2 = rest.substr(0, cut);
    rest = rest.substr(cut + 1);
    auto second = readInteger(part2);
    result.high = pack(*first, leadingNumber(part2));
    cut = rest.find(separator);
    if (cut == std::string::npos || !second) {
        result.low = pack(leadingNumber(rest), 0);
        return result;
    }
    if (auto fourth = readInteger(rest.substr(cut + 1)))
        result.low = pack(leadingNumber(rest.substr(0, cut)), *fourth);
    return result;
}

std::string versionText(const VersionValue& v)
{
    return std::to_string(v.high >> 16) + "." + std::to_string(v.high & 0xFFFFu) + "." + std::to_string(v.low >> 16) +
           "." + std::to_string(v.low & 0xFFFFu);
}

bool versionNewer(const VersionValue& next, const VersionValue& local)
{
    auto nh = static_cast<std::int32_t>(next.high), lh = static_cast<std::int32_t>(local.high);
    auto nl = static_cast<std::int32_t>(next.low), ll = static_cast<std::int32_t>(local.low);
    return nh > lh || (nh == lh && nl > ll);
}

bool compareFile(std::string& newVersion, std::string& localFile, std::int32_t newSize, std::int32_t newChecksum,
                 const CompareSettings& settings, const LocalFileProbe& probe,
                 const std::function<void(const std::string&)>& versionCheckLine)
{
    bool always = settings.versionCheck == VersionCheck::Always;
    if (newVersion.empty() && newSize == 0 && newChecksum == -1)
        return true;
    if (localFile.empty())
        return true;
    if (always && !probe.exists(localFile))
        return true;
    if (newChecksum != -1) {
        std::int32_t computed = settings.useCrc32 ? probe.fileChecksum(localFile) : probe.byteSum(localFile);
        versionCheckLine("Checksum compare of " + localFile + ":" + std::to_string(computed) + ":" +
                         std::to_string(newChecksum));
        return computed != newChecksum;
    }
    if (newSize > 0) {
        std::int32_t size = probe.fileSize(localFile);
        return size != newSize && (size > 0 || always);
    }
    VersionValue local = probe.fileVersion(localFile);
    VersionValue next = parseVersion(newVersion);
    versionCheckLine("Version compare of " + localFile + ":" + versionText(local) + " with " + newVersion + ":" +
                     versionText(next));
    if (next.unknown())
        return false;
    if (local.unknown() && !always)
        return false;
    localFile = versionText(local);
    newVersion = versionText(next);
    return versionNewer(next, local);
}

}  // namespace talkpost::update
