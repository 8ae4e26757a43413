// Reading, counting and carrying over UTF-8 text.
#include <gtest/gtest.h>

#include <map>

#include "base/utf8_text.h"

namespace talkpost {
namespace {

TEST(Utf8Text, ReadsCodePointsAndMarksEveryBadByte)
{
    struct Case {
        std::string text;
        std::u32string points;
    };
    const Case cases[] = {
        {"", U""},
        {"Remote01", U"Remote01"},
        {"\xc5\x81\xc3\xb3\x64\xc5\xba", U"\u0141\u00f3d\u017a"},                   // Łódź
        {"\xe6\x9d\xb1\xe4\xba\xac", U"\u6771\u4eac"},                              // 東京
        {"\xf0\x9f\x98\x80!", U"\U0001F600!"},                                      // an emoji and "!"
        {"a\xff" "b", U"a\uFFFDb"},                                                 // no lead byte
        {"\xc3", U"\uFFFD"},                                                        // cut short at the end
        {"\xe6\x9d" "x", U"\uFFFD\uFFFDx"},                                         // cut short inside
        {"\xc0\xaf", U"\uFFFD\uFFFD"},                                              // overlong "/"
        {"\xed\xa0\x80", U"\uFFFD\uFFFD\uFFFD"},                                    // a surrogate
        {"\xf4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},                          // past U+10FFFF
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codePoints(c.text), c.points) << c.text;
        EXPECT_EQ(characterCount(c.text), c.points.size()) << c.text;
    }
}

TEST(Utf8Text, WritesCodePointsBackAsTheyWereRead)
{
    for (std::string text : {"", "x", "\xc5\x81\xc3\xb3\x64\xc5\xba \xe6\x9d\xb1\xe4\xba\xac", "\xf0\x9f\x98\x80\xd0\x96"})
        EXPECT_EQ(utf8Of(codePoints(text)), text);
    EXPECT_EQ(utf8Of(U"\U0010FFFF\u07FF\u0800"), "\xf4\x8f\xbf\xbf\xdf\xbf\xe0\xa0\x80");
}

// A code page that holds "é" (as 0xE9) and "Ł" (as two bytes), nothing else past ASCII.
std::optional<std::string> sampleCodePage(char32_t c)
{
    static const std::map<char32_t, std::string> held = {{U'\u00e9', "\xe9"}, {U'\u0141', "\x81\x41"}};
    auto found = held.find(c);
    if (found == held.end())
        return std::nullopt;
    return found->second;
}

TEST(Utf8Text, CarriesOverWhatTheCodePageHoldsAndListsTheRestOnce)
{
    struct Case {
        std::string text, bytes, uncarried;
    };
    const Case cases[] = {
        {"", "", ""},
        {"Hello\r\n\tworld ~", "Hello\r\n\tworld ~", ""},                         // ASCII as it is
        {"caf\xc3\xa9 \xc5\x81", "caf\xe9 \x81\x41", ""},                          // all held
        {"\xd0\x96\xd0\x96 \xe4\xb8\xad\xf0\x9f\x98\x80\xd0\x96", "?? ???",        // Ж Ж 中 😀 Ж: each one "?"
         "\xd0\x96\xe4\xb8\xad\xf0\x9f\x98\x80"},                                  // listed once, in order
        {"\xc3\xa9\xff", "\xe9?", "\xef\xbf\xbd"},                                 // a bad byte: U+FFFD, not held
    };
    for (const Case& c : cases) {
        CodePageText carried = toCodePage(c.text, sampleCodePage);
        EXPECT_EQ(carried.bytes, c.bytes) << c.text;
        EXPECT_EQ(carried.uncarried, c.uncarried) << c.text;
    }
}

}  // namespace
}  // namespace talkpost
