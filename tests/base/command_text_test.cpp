// The command-text safety rule: what the interpreter would act on is refused by name.
#include <gtest/gtest.h>

#include "base/command_text.h"

namespace talkpost {
namespace {

TEST(CommandTextRefusal, RefusesEveryCharacterTheInterpreterActsOn)
{
    for (char c : std::string("&|<>^%\"\t\r\n\x01\x1b\x7f")) {
        std::string text = std::string("pc") + c + "x";
        auto refusal = commandTextRefusal("computer", text);
        ASSERT_TRUE(refusal.has_value()) << "code " << int(static_cast<unsigned char>(c));
        EXPECT_NE(refusal->find("computer"), std::string::npos) << *refusal;
        EXPECT_EQ(commandCharacterIn(text), c);
    }
}

TEST(CommandTextRefusal, NamesTheFieldAndTheCharacter)
{
    EXPECT_EQ(commandTextRefusal("user", "a&calc"),
              "The user \"a&calc\" contains the character \"&\", which the command interpreter would act on.");
    EXPECT_EQ(commandTextRefusal("computer", "pc\tx"),
              "The computer \"pc\tx\" contains the control character 9, which the command interpreter would act on.");
}

TEST(CommandTextRefusal, PassesOrdinaryNames)
{
    for (const char* text : {"", "*", "Remote01", "10.0.0.1", "Jane Doe", "host-name_1.example", "J\xe4rvi", "(x)"})
        EXPECT_FALSE(commandTextRefusal("computer", text).has_value()) << text;
}

}  // namespace
}  // namespace talkpost
