// The SZDD compressor: header fields, and that the compressed stream expands
// back to the input (a small reference expander of the format's rules; the
// platform's own expander is run on it under Wine).
#include <gtest/gtest.h>

#include <random>

#include "szdd/szdd.h"

namespace talkpost::szdd {
namespace {

// The format's expansion rules, written from the format description.
std::string expand(const std::string& file)
{
    std::string out;
    unsigned char window[4096];
    std::fill(std::begin(window), std::end(window), ' ');
    std::size_t pos = 4096 - 16, i = 14;
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(file.at(k)); };
    while (i < file.size()) {
        unsigned flags = byte(i++);
        for (int bit = 0; bit < 8 && i < file.size(); ++bit) {
            if (flags & (1u << bit)) {
                out += static_cast<char>(window[pos] = byte(i++));
                pos = (pos + 1) & 4095;
            } else {
                unsigned from = byte(i) | ((byte(i + 1) & 0xF0u) << 4), length = (byte(i + 1) & 0x0Fu) + 3;
                i += 2;
                for (unsigned k = 0; k < length; ++k) {
                    unsigned char c = window[(from + k) & 4095];
                    out += static_cast<char>(window[pos] = c);
                    pos = (pos + 1) & 4095;
                }
            }
        }
    }
    return out;
}

TEST(Szdd, HeaderNamesTheMissingCharacterAndTheLength)
{
    std::string packed = compress("hello", 'e');
    ASSERT_GE(packed.size(), 14u);
    EXPECT_EQ(packed.substr(0, 8), std::string("SZDD\x88\xF0\x27\x33", 8));
    EXPECT_EQ(packed[8], 'A');
    EXPECT_EQ(packed[9], 'e');
    EXPECT_EQ(packed.substr(10, 4), std::string("\x05\x00\x00\x00", 4));
    EXPECT_EQ(compressedName("updsetup.exe"), "updsetup.ex_");
}

TEST(Szdd, ExpandsBackToTheInput)
{
    std::mt19937 random(42);
    std::string noise;
    for (int i = 0; i < 20000; ++i)
        noise += static_cast<char>(random());
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "line " + std::to_string(i % 97) + " of the helper\r\n";
    std::string runs = std::string(10000, '\0') + std::string(5000, ' ') + std::string(7000, 'x');
    std::string mixed = text.substr(0, 9000) + noise.substr(0, 5000) + text.substr(0, 9000);
    for (const std::string& input : {std::string(), std::string("a"), noise, text, runs, mixed}) {
        std::string packed = compress(input, 'e');
        EXPECT_EQ(expand(packed), input) << "input of " << input.size() << " bytes";
    }
    EXPECT_LT(compress(text, 'e').size(), text.size() / 3);  // repeated text does get smaller
}

}  // namespace
}  // namespace talkpost::szdd
