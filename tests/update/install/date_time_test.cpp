// Date-time values: the control file's "dd.mm.yyyy" and "hh:nn" texts, text
// that does not read, the local reference date (the file's age or the
// remembered date), and the log's time stamp.
#include <gtest/gtest.h>

#include "update/install/date_time.h"

namespace talkpost::update {
namespace {

DateTime at(int y, int m, int d, int h = 0, int n = 0, int s = 0) { return *encodeDateTime({y, m, d, h, n, s}); }

TEST(DateTime, CountsDaysFromThe30thOfDecember1899)
{
    EXPECT_EQ(at(1899, 12, 30), 0.0);
    EXPECT_EQ(at(1980, 1, 1), kEarliestDate);
    EXPECT_EQ(at(2008, 12, 24), 39806.0);
    EXPECT_DOUBLE_EQ(at(2008, 12, 24, 14, 30), 39806.0 + 14.5 / 24);
    CalendarTime back = decodeDateTime(at(2024, 2, 29, 23, 59, 59));
    EXPECT_EQ(back.year, 2024);
    EXPECT_EQ(back.month, 2);
    EXPECT_EQ(back.day, 29);
    EXPECT_EQ(back.hour, 23);
    EXPECT_EQ(back.minute, 59);
    EXPECT_EQ(back.second, 59);
}

TEST(ParseDateTime, ReadsTheEngineFormatAndFallsBackTo1980)
{
    struct Case {
        const char* date;
        const char* time;
        DateTime expected;
    } cases[] = {
        {"24.12.2008", "", at(2008, 12, 24)},
        {"24.12.2008", "14:30", at(2008, 12, 24, 14, 30)},
        {"24.12.2008", "14:30:15", at(2008, 12, 24, 14, 30, 15)},
        {" 1.2.2010 ", "7:05", at(2010, 2, 1, 7, 5)},
        {"01.01.1980", "", kEarliestDate},
        {"24.12.08", "", at(2008, 12, 24)},
        {"", "", kEarliestDate},
        {"", "14:30", kEarliestDate + 14.5 / 24},      // the time is added to the default date
        {"24/12/2008", "", kEarliestDate},              // another separator does not read
        {"12.24.2008", "", kEarliestDate},              // month 24
        {"29.02.2009", "", kEarliestDate},              // no such day
        {"24.12", "", kEarliestDate},
        {"24.12.2008.1", "", kEarliestDate},
        {"Christmas", "", kEarliestDate},
        {"24.12.2008", "25:00", at(2008, 12, 24)},      // a time that does not read adds nothing
        {"24.12.2008", "14.30", at(2008, 12, 24)},
        {"24.12.2008", "noon", at(2008, 12, 24)},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(parseDateTime(c.date, c.time), c.expected) << c.date << " " << c.time;
}

TEST(ParseDateTime, FollowsTheOrderAndSeparatorsOfTheFormat)
{
    DateTimeFormat us{"mm/dd/yyyy", '/', '-'};
    EXPECT_DOUBLE_EQ(parseDateTime("12/24/2008", "14-30", us), at(2008, 12, 24, 14, 30));
    EXPECT_DOUBLE_EQ(parseDateTime("24.12.2008", "14:30", us), kEarliestDate);
    DateTimeFormat iso{"yyyy-mm-dd", '-', ':'};
    EXPECT_DOUBLE_EQ(parseDateTime("2008-12-24", "", iso), at(2008, 12, 24));
}

TEST(LocalReferenceDate, IsTheAgeOfTheLocalFileOr1980)
{
    auto times = [](const std::string& path) -> std::optional<DateTime> {
        if (path == "C:\\app\\talkpost.exe")
            return at(2009, 3, 1, 12, 0);
        return std::nullopt;
    };
    EXPECT_DOUBLE_EQ(localReferenceDate("C:\\app\\talkpost.exe", times), at(2009, 3, 1, 12, 0));
    EXPECT_DOUBLE_EQ(localReferenceDate("C:\\app\\missing.exe", times), kEarliestDate);
    EXPECT_DOUBLE_EQ(localReferenceDate("", times), kEarliestDate);
}

TEST(LocalReferenceDate, ARememberedDateIsReadWithTheUsersFormatAndItsTimeOnlyWhenTheDateReads)
{
    DateTimeFormat user{"mm/dd/yyyy", '/', ':'};
    struct Case {
        const char* date;
        const char* time;
        DateTime expected;
    } cases[] = {
        {"12/24/2008", "", at(2008, 12, 24)},
        {"12/24/2008", "14:30", at(2008, 12, 24, 14, 30)},
        {"12/24/2008", "noon", at(2008, 12, 24)},  // the date alone counts
        {"", "14:30", kEarliestDate},              // no date: no time either
        {"24.12.2008", "14:30", kEarliestDate},    // not the user's format
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(rememberedReferenceDate(c.date, c.time, user), c.expected) << c.date << " " << c.time;
}

}  // namespace
}  // namespace talkpost::update
