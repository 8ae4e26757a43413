// The scan's naming rule.
#include "nettools/netscan_rules.h"

#include <gtest/gtest.h>

namespace talkpost {
namespace {

TEST(NetscanRules, EveryBackslashIsRemovedFromTheRemoteName)
{
    struct Case {
        const char* remote;
        const char* name;
    } cases[] = {
        {"\\\\SERVER1", "SERVER1"}, {"\\\\odd\\name", "oddname"}, {"plain", "plain"},
        {"\\\\", ""},               {"a\\b\\\\c\\", "abc"},       {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(serverNameFromRemoteName(c.remote), c.name) << c.remote;
}

}  // namespace
}  // namespace talkpost
