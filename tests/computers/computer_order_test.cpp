// The cheap order of computer names.
#include "computers/computer_order.h"

#include <gtest/gtest.h>

namespace talkpost {
namespace {

int sign(int value) { return (value > 0) - (value < 0); }

TEST(ComputerOrder, CaseIgnoredSignsBeforeDigitsBeforeLetters)
{
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"computer00001", "computer00002", -1},
        {"PC1", "pc1", 0},
        {"Alpha", "beta", -1},
        {"alpha", "Beta", -1},
        {"Zulu", "alpha", 1},
        {"9", "a", -1},
        {"Z9", "za", -1},
        {"host", "host.domain", -1},
        {"10.0.0.9", "10.0.0.10", 1},
        {"a.b", "a1", -1},
        {"a_b", "a1", -1},  // '_' lies between digits and letters in ASCII
        {"a~", "az", -1},   // '~' lies after the letters in ASCII
        {"\xc4rger", "zeta", 1},
        {"", "a", -1},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sign(compareComputerNames(c.a, c.b)), c.expected) << c.a << " : " << c.b;
        EXPECT_EQ(sign(compareComputerNames(c.b, c.a)), -c.expected) << c.b << " : " << c.a;
    }
}

TEST(ComputerOrder, SortKeepsTheGivenOrderOfEqualNames)
{
    EXPECT_EQ(sortedComputerNames({"pc2", "PC1", "b", "pc1", "Pc1", "A"}),
              (std::vector<std::string>{"A", "b", "PC1", "pc1", "Pc1", "pc2"}));
}

}  // namespace
}  // namespace talkpost
