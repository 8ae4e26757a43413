// Computers from Directory: the name rule, the server field, the texts, and
// the merge with its counts and missing entries.
#include "nettools/directory_merge.h"
#include "nettools/directory_rules.h"

#include <gtest/gtest.h>

#include <map>

namespace talkpost::directory {
namespace {

TEST(DirectoryRules, TheDnsHostNameIsListedOrTheNameWhenThereIsNone)
{
    struct Case {
        std::string dnsHostName;
        std::string name;
        std::optional<std::string> listed;
    } cases[] = {
        {"pc1.corp.example", "PC1", "pc1.corp.example"},
        {"", "PC2", "PC2"},
        {"", "", std::nullopt},
        {"under_score-1.x", "X", "under_score-1.x"},
        // Nothing that a command line would act on, nor blanks or bytes past ASCII.
        {"pc3 & calc", "PC3", std::nullopt},
        {"", "PC\"4", std::nullopt},
        {"pc 5", "", std::nullopt},
        {"p\xc3\xa9", "", std::nullopt},
        {"a\tb", "", std::nullopt},
        {std::string(253, 'a'), "", std::string(253, 'a')},
        {std::string(254, 'a'), "SHORT", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(computerNameOf(c.dnsHostName, c.name), c.listed) << c.dnsHostName.substr(0, 20) << " / " << c.name;
}

TEST(DirectoryRules, TheServerFieldGivesHostAndPort)
{
    struct Case {
        const char* text;
        Connection connection;
        std::optional<std::pair<std::string, int>> address;
    } cases[] = {
        {"", Connection::Sealed, std::pair<std::string, int>{"", 389}},
        {"  ", Connection::Ldaps, std::pair<std::string, int>{"", 636}},
        {"dc1.corp.example", Connection::Sealed, std::pair<std::string, int>{"dc1.corp.example", 389}},
        {"dc1.corp.example", Connection::StartTls, std::pair<std::string, int>{"dc1.corp.example", 389}},
        {"dc1.corp.example", Connection::Ldaps, std::pair<std::string, int>{"dc1.corp.example", 636}},
        {" 127.0.0.1:3268 ", Connection::Sealed, std::pair<std::string, int>{"127.0.0.1", 3268}},
        {"[::1]:636", Connection::Ldaps, std::pair<std::string, int>{"::1", 636}},
        {"[::1]", Connection::Sealed, std::pair<std::string, int>{"::1", 389}},
        {"fe80::1", Connection::Sealed, std::pair<std::string, int>{"fe80::1", 389}},
        {"dc1:", Connection::Sealed, std::nullopt},
        {"dc1:0", Connection::Sealed, std::nullopt},
        {"dc1:65536", Connection::Sealed, std::nullopt},
        {"dc1:38x", Connection::Sealed, std::nullopt},
        {":389", Connection::Sealed, std::nullopt},
        {"dc 1", Connection::Sealed, std::nullopt},
        {"ldap://dc1", Connection::Sealed, std::nullopt},
        {"[::1", Connection::Sealed, std::nullopt},
        {"[]:389", Connection::Sealed, std::nullopt},
        {"[::1]x", Connection::Sealed, std::nullopt},
    };
    for (const Case& c : cases) {
        auto parsed = parseServerField(c.text, c.connection);
        ASSERT_EQ(parsed.has_value(), c.address.has_value()) << c.text;
        if (parsed) {
            EXPECT_EQ(parsed->host, c.address->first) << c.text;
            EXPECT_EQ(parsed->port, c.address->second) << c.text;
        }
    }
}

TEST(DirectoryRules, AUserNameSplitsAtTheBackslashOnly)
{
    EXPECT_EQ(splitUserName("CORP\\admin").domain, "CORP");
    EXPECT_EQ(splitUserName("CORP\\admin").name, "admin");
    EXPECT_EQ(splitUserName("admin@corp.example").domain, "");
    EXPECT_EQ(splitUserName("admin@corp.example").name, "admin@corp.example");
    EXPECT_EQ(splitUserName("admin").name, "admin");
}

TEST(DirectoryRules, TheCountAndTheLogLines)
{
    EXPECT_EQ(countText(0), "0 computers");
    EXPECT_EQ(countText(12345), "12345 computers");
    EXPECT_EQ(logLine(53, 50, 3), "Directory: 53 computers, 50 added, 3 already listed");
    EXPECT_EQ(removedLine(2), "Directory: 2 removed (no longer listed)");
    EXPECT_EQ(skippedLine(0), std::nullopt);
    EXPECT_EQ(skippedLine(4), "Directory: 4 skipped (no host name)");
}

TEST(DirectoryRules, EveryFailureSaysWhatHappened)
{
    struct Case {
        Step step;
        unsigned long code;
        const char* begins;
    } cases[] = {
        {Step::Connect, 0x51, "dc1 cannot be reached."},
        {Step::Connect, 0x5b, "dc1 cannot be reached."},
        {Step::Connect, 0x55, "dc1 did not answer in time."},
        {Step::Tls, 0x51, "The TLS connection to dc1 could not be set up: its certificate is not trusted"},
        {Step::SignIn, 0x35, "The sign-in was refused by dc1."},
        {Step::Search, 0x35, "dc1 refused the search."},
        {Step::SignIn, 0x31, "The sign-in was refused: the user name or the password is wrong."},
        {Step::SignIn, 0x08, "The sign-in was refused: dc1 does not accept this kind of sign-in."},
        {Step::Search, 0x20, "The base was not found in the directory."},
        {Step::Search, 0x22, "The base was not found in the directory."},
        {Step::Search, 0x57, "The filter is not a valid search filter."},
        {Step::Search, 0x03, "The search took longer than the time limit."},
        {Step::Search, 0x55, "dc1 did not answer in time."},
        {Step::Search, 0x32, "The signed-in user may not read the directory."},
        {Step::SignIn, 0x52, "The sign-in was refused."},
        {Step::RootEntry, 0x52, "The directory's root entry could not be read."},
    };
    for (const Case& c : cases) {
        std::string text = failureText(c.step, c.code, "", "dc1");
        EXPECT_EQ(text.rfind(c.begins, 0), 0u) << text;
    }
    EXPECT_EQ(failureText(Step::SignIn, 0x31, "Invalid Credentials", "dc1"),
              "The sign-in was refused: the user name or the password is wrong. (LDAP 0x31: Invalid Credentials)");
    EXPECT_EQ(failureText(Step::Connect, 0x51, "", ""),
              "The domain's directory server cannot be reached. (LDAP 0x51)");
    EXPECT_EQ(certificateText("dc1", "self-signed"), "The certificate of dc1 is not trusted. (self-signed)");
    EXPECT_EQ(timeLimitText("dc1", 30), "dc1 did not answer within 30 s.");
    EXPECT_EQ(timeLimitText("", 30), "The domain's directory server did not answer within 30 s.");
}

TEST(DirectoryRules, TheStartTlsRequestAndItsAnswer)
{
    EXPECT_EQ(startTlsRequest(1), std::string("\x30\x1d\x02\x01\x01\x77\x18\x80\x16", 9) + "1.3.6.1.4.1.1466.20037");
    // A success as servers send it: the result, empty matched name and message, the name again.
    const std::string success = std::string("\x30\x24\x02\x01\x01\x78\x1f\x0a\x01\x00\x04\x00\x04\x00\x8a\x16", 16) +
                                "1.3.6.1.4.1.1466.20037";
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<unsigned> code;
        std::size_t needed;
    } cases[] = {
        {"success", success, 0u, success.size()},
        {"success and more behind it", success + "\x16\x03", 0u, success.size()},
        {"the first bytes only", success.substr(0, 9), std::nullopt, success.size()},
        {"nothing yet", "", std::nullopt, 0},
        {"refused (protocol error)", std::string("\x30\x0c\x02\x01\x01\x78\x07\x0a\x01\x02\x04\x00\x04\x00", 14), 2u, 14},
        {"a long-form length", std::string("\x30\x81\x0c\x02\x01\x01\x78\x07\x0a\x01\x34\x04\x00\x04\x00", 15), 0x34u, 15},
        {"no extended response", std::string("\x30\x05\x02\x01\x01\x61\x00", 7), std::nullopt, 7},
        {"no message", std::string("\x04\x02" "ab", 4), std::nullopt, 4},
        {"an indefinite length", std::string("\x30\x80\x02\x01\x01", 5), std::nullopt, 0},
        {"a length past four bytes", std::string("\x30\x85\x01\x01\x01\x01\x01", 7), std::nullopt, 0},
    };
    for (const Case& c : cases) {
        std::size_t needed = 99;
        EXPECT_EQ(startTlsResultCode(c.bytes, needed), c.code) << c.what;
        EXPECT_EQ(needed, c.needed) << c.what;
    }
}

TEST(DirectoryMerge, NamesAlreadyListedAreLeftAloneAndTheMissingOnesNamed)
{
    struct Case {
        const char* what;
        std::vector<std::string> listed, found;
        std::size_t computers;
        std::vector<std::string> added;
        std::size_t alreadyListed;
        std::vector<std::string> missing;
    } cases[] = {
        {"an empty list takes everything", {}, {"b", "a"}, 2, {"b", "a"}, 0, {}},
        {"case is ignored", {"PC1.corp", "old"}, {"pc1.CORP", "pc2"}, 2, {"pc2"}, 1, {"old"}},
        {"a name given twice counts once, first spelling", {}, {"PC9", "pc9", "Pc9"}, 1, {"PC9"}, 0, {}},
        {"nothing found: every entry is missing", {"a", "b"}, {}, 0, {}, 0, {"a", "b"}},
        {"everything listed already", {"a", "B"}, {"b", "A"}, 2, {}, 2, {}},
        {"listed duplicates are each missing", {"x", "X"}, {"y"}, 1, {"y"}, 0, {"x", "X"}},
    };
    for (const Case& c : cases) {
        DirectoryMerge merge = mergeDirectoryNames(c.listed, c.found);
        EXPECT_EQ(merge.computers, c.computers) << c.what;
        EXPECT_EQ(merge.added, c.added) << c.what;
        EXPECT_EQ(merge.alreadyListed, c.alreadyListed) << c.what;
        EXPECT_EQ(merge.missing, c.missing) << c.what;
        EXPECT_EQ(merge.added.size() + merge.alreadyListed, merge.computers) << c.what;
    }
}

TEST(DirectoryMerge, TheMergedListKeepsOrDropsTheMissingEntries)
{
    std::vector<std::string> listed = {"keep.corp", "Gone", "other"};
    DirectoryMerge merge = mergeDirectoryNames(listed, {"KEEP.corp", "new1", "OTHER", "new2"});
    EXPECT_EQ(merge.missing, std::vector<std::string>{"Gone"});
    EXPECT_EQ(mergedEntries(listed, merge, false),
              (std::vector<std::string>{"keep.corp", "Gone", "other", "new1", "new2"}));
    EXPECT_EQ(mergedEntries(listed, merge, true), (std::vector<std::string>{"keep.corp", "other", "new1", "new2"}));
    // Every spelling of a missing name goes.
    std::vector<std::string> twice = {"x", "X", "y"};
    EXPECT_EQ(mergedEntries(twice, mergeDirectoryNames(twice, {"y"}), true), std::vector<std::string>{"y"});
}

}  // namespace
}  // namespace talkpost::directory
