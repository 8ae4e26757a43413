// The main window's portable decisions: send checks, the time field, the
// message lines, the log rule and the arguments.
#include <gtest/gtest.h>

#include "app/main_rules.h"

namespace talkpost {
namespace {

TEST(SendRules, RefusalsComeInTheOrderTheOperatorMeetsThem)
{
    struct Case {
        SendFields fields;
        std::optional<std::string> send;       // what Send says
        std::optional<std::string> sendToAll;  // what Send to all says
    };
    const std::string amp = "contains the character \"&\"";
    const Case cases[] = {
        {{"hello", "pc", "*", "60"}, std::nullopt, std::nullopt},
        {{" \r\n\t", "pc", "*", "60"}, kEnterMessageFirst, kEnterMessageFirst},
        {{"", "a&b", "x|y", "6%"}, kEnterMessageFirst, kEnterMessageFirst},
        {{"hi", "", "*", "60"}, kEnterComputerFirst, std::nullopt},
        {{"", "", "*", "60"}, kEnterMessageFirst, kEnterMessageFirst},
        {{"hi", "", "u&v", "60"}, kEnterComputerFirst,
         "The user \"u&v\" contains the character \"&\", which the command interpreter would act on."},
        {{"hi", "a&b", "*", "60"}, "The computer \"a&b\" " + amp + ", which the command interpreter would act on.",
         std::nullopt},
        {{"hi", "a&b", "u&v", "60"}, "The computer \"a&b\" " + amp + ", which the command interpreter would act on.",
         "The user \"u&v\" " + amp + ", which the command interpreter would act on."},
        {{"hi", "pc", "*", "6&0"}, "The time \"6&0\" " + amp + ", which the command interpreter would act on.",
         "The time \"6&0\" " + amp + ", which the command interpreter would act on."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sendRefusal(c.fields), c.send) << c.fields.message << "|" << c.fields.computer;
        EXPECT_EQ(sendToAllRefusal(c.fields), c.sendToAll) << c.fields.message << "|" << c.fields.computer;
    }
}

TEST(LongMessage, AskedAboutBeyondWhatTheReceiverShows)
{
    const std::string fits(255, 'x');
    EXPECT_EQ(longMessageQuestion(fits), std::nullopt);
    EXPECT_EQ(longMessageQuestion("  \r\n" + fits + "\r\n\r\n"), std::nullopt) << "counted as sent: trimmed";
    EXPECT_EQ(longMessageQuestion(fits + "y"),
              "The message has 256 characters; the receiver sees only the first 255. Send anyway?");
    EXPECT_EQ(longMessageQuestion("a\r\n" + fits), "The message has 258 characters; the receiver sees only the first 255. Send anyway?")
        << "a line break inside counts";
    EXPECT_EQ(messageLengthText(""), "0 of 255 characters");
    EXPECT_EQ(messageLengthText(" hello \r\n"), "5 of 255 characters");
    EXPECT_EQ(messageLengthText(std::string(300, 'z')), "300 of 255 characters");
}

TEST(LongMessage, CountsCharactersNotBytes)
{
    // Cyrillic (2 bytes each), Chinese (3) and an emoji (4): 255 characters
    // fit whatever their bytes; one more is asked about.
    std::string fits;
    for (int i = 0; i < 85; ++i)
        fits += "\xd0\x96\xe4\xb8\xad\xf0\x9f\x98\x80";  // "Ж中😀"
    EXPECT_EQ(longMessageQuestion(fits), std::nullopt);
    EXPECT_EQ(longMessageQuestion(fits + "\xd0\x96"),
              "The message has 256 characters; the receiver sees only the first 255. Send anyway?");
    EXPECT_EQ(messageLengthText(" \xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xf0\x9f\x98\x80\r\n"),
              "8 of 255 characters");  // "Привет 😀"
}

TEST(UncarriedQuestion, NamesTheCharactersThatWouldArriveAsQuestionMarks)
{
    EXPECT_EQ(uncarriedQuestion(""), std::nullopt);
    EXPECT_EQ(uncarriedQuestion("\xd0\x96\xe4\xb8\xad\xf0\x9f\x98\x80"),
              "Some characters of the message cannot be sent and would arrive as \"?\": "
              "\xd0\x96\xe4\xb8\xad\xf0\x9f\x98\x80. Send anyway?");
}

TEST(TimeField, ParseClampAndCorrection)
{
    struct Case {
        std::string text;
        int value;                               // what is stored
        std::optional<std::string> corrected;    // what the field shows once left
    };
    const Case cases[] = {
        {"60", 60, std::nullopt},          {"300", 300, std::nullopt},   {"20000", 20000, std::nullopt},
        {"59", 60, "60"},                  {"20001", 20000, "20000"},    {"-5", 60, "60"},
        {"+70", 70, "70"},                 {" 500", 500, "500"},         {"12abc", 60, "60"},
        {"abc", 60, std::nullopt},         {"", 60, std::nullopt},       {"-", 60, std::nullopt},
        {"99999999999", 20000, "20000"},   {"-99999999999", 60, "60"},   {"000000000000000000000090", 90, "90"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(timeFieldValue(c.text), c.value) << c.text;
        EXPECT_EQ(correctedTimeText(c.text), c.corrected) << c.text;
    }
    EXPECT_TRUE(isTimeText("+-0123456789"));
    EXPECT_FALSE(isTimeText("1.5"));
    EXPECT_FALSE(isTimeText("1 "));
}

TEST(LogRule, EveryLineIsWhole)
{
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"", "first", "first\r\n"},
        {"first\r\n", "second", "second\r\n"},
        {"typed by hand", "next", "\r\nnext\r\n"},
        {"ends with a bare feed\n", "next", "\r\nnext\r\n"},
        {"\r", "x", "\r\nx\r\n"},
    };
    for (const auto& [pane, line, appended] : cases)
        EXPECT_EQ(logAppendText(pane, line), appended) << pane;
}

TEST(DeliveryLine, NamesTheComputerAndTheExitCode)
{
    EXPECT_EQ(deliveryLine("Remote01", 0), "Remote01: delivered");
    EXPECT_EQ(deliveryLine("pc", 1722), "pc: not delivered (exit code 1722)");
    EXPECT_EQ(deliveryLine("", 4294967295UL), ": not delivered (exit code 4294967295)");
    EXPECT_EQ(notStartedLine("pc"), "pc: not delivered (not started)");
}

TEST(StartArguments, ComputerAndUserFields)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string computer, user;
    };
    const Case cases[] = {
        {{}, "", "*"},
        {{"Remote01"}, "Remote01", "*"},
        {{"Remote01", "jane"}, "Remote01", "jane"},
        {{"Remote01", ""}, "Remote01", "*"},
        {{"", "jane", "extra"}, "", "jane"},
    };
    for (const auto& c : cases) {
        StartFields fields = startFields(c.arguments);
        EXPECT_EQ(fields.computer, c.computer);
        EXPECT_EQ(fields.user, c.user);
    }
}

}  // namespace
}  // namespace talkpost
