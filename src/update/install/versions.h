// Version values as the update check compares them: four 16-bit numbers in two
// 32-bit halves, read from control-file text or taken from a version resource,
// and the comparison of a published file with the local one. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace talkpost::update {

// How a local file that is missing or has no version counts in a comparison.
enum class VersionCheck { UpdateOnly, Always };

struct VersionValue {
    static constexpr std::uint32_t kUnknownHalf = 0xFFFFFFFFu;
    std::uint32_t high = kUnknownHalf;  // first number * 65536 + second
    std::uint32_t low = kUnknownHalf;   // third number * 65536 + fourth

    bool unknown() const { return high == kUnknownHalf || low == kUnknownHalf; }
    friend bool operator==(const VersionValue&, const VersionValue&) = default;
};

VersionValue makeVersion(unsigned a, unsigned b, unsigned c, unsigned d);

// "2.0.1.2", "2,0,1,2", "3", "1.2.3"; anything else that does not read is unknown.
VersionValue parseVersion(const std::string& text);

// The four numbers joined by "."; an unknown version reads "65535.65535.65535.65535".
std::string versionText(const VersionValue& version);

// True when next is newer than local: the halves compared as signed 32-bit numbers.
bool versionNewer(const VersionValue& next, const VersionValue& local);

// What compareFile needs to know of the local file; each answers as the
// platform finds the file (values of a file that cannot be opened: size -1,
// byte sum -1, checksum 0, version unknown).
struct LocalFileProbe {
    std::function<bool(const std::string&)> exists;
    std::function<std::int32_t(const std::string&)> fileChecksum;
    std::function<std::int32_t(const std::string&)> byteSum;
    std::function<std::int32_t(const std::string&)> fileSize;
    std::function<VersionValue(const std::string&)> fileVersion;
};

struct CompareSettings {
    VersionCheck versionCheck = VersionCheck::UpdateOnly;
    bool useCrc32 = true;
};

// CompareFile: true when the published file counts as newer than localFile.
// newChecksum -1 and newSize 0 or less mean "no such criterion". After a
// version comparison of two known versions both texts hold the versions as
// versionText writes them. versionCheckLine receives the text of each
// "Version check : %s" status.
bool compareFile(std::string& newVersion, std::string& localFile, std::int32_t newSize, std::int32_t newChecksum,
                 const CompareSettings& settings, const LocalFileProbe& probe,
                 const std::function<void(const std::string&)>& versionCheckLine);

}  // namespace talkpost::update
