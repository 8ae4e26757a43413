// The update log: message texts, the line format, where the file lies and
// how a line is appended.
#include "update/engine/status_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/app_error.h"

namespace talkpost::update {
namespace {

TEST(StatusText, FillsTheArgumentWhereTheEntryHasOne)
{
    struct Case {
        int number;
        std::string argument;
        std::string expected;
    };
    const Case cases[] = {
        {916, "404", "Http status : 404"},
        {915, "http://h/a.exe", "Download : http://h/a.exe"},
        {956, "ignored", "Authentication cancelled"},
        {926, "", "Update control file found"},
        {927, "", "Invalid signature in update control file"},
        {912, "C:\\a", "Equal source and target files : C:\\a"},
        {18, "cmd /c x", "Exec: cmd /c x"},
        {910, "", "Download update files ?"},
        {924, "x", ""},  // a number no step reports
    };
    for (const Case& c : cases)
        EXPECT_EQ(statusText(c.number, c.argument), c.expected) << c.number;
}

TEST(StatusLogLine, UsesTheUsersSeparatorsAndTheCodes)
{
    LocalTime t{2008, 12, 24, 14, 30, 5};
    EXPECT_EQ(statusLogLine(logTimestamp(t, "/", ":"), 926, statusText(926), 3, 0),
              "24/12/2008 14:30:05 : [926] Update control file found (Status:3) (Error:0)");
    EXPECT_EQ(statusLogLine(logTimestamp(t, ".", ":"), 916, statusText(916, "404"), 6, 404),
              "24.12.2008 14:30:05 : [916] Http status : 404 (Status:6) (Error:404)");
    EXPECT_EQ(statusLogLine(logTimestamp(t, "-", "."), 956, statusText(956, "x"), 0, 0),
              "24-12-2008 14.30.05 : [956] Authentication cancelled (Status:0) (Error:0)");
    LocalTime early{2009, 1, 2, 3, 4, 0};
    EXPECT_EQ(logTimestamp(early, "/", ":"), "02/01/2009 03:04:00");
    EXPECT_EQ(statusLogLine("T", 913, statusText(913, "x"), -1, -2147483647 - 1),
              "T : [913] File not found : x (Status:-1) (Error:-2147483648)");
}

TEST(StatusLogLine, RawLinesForFileFailures)
{
    EXPECT_EQ(unableToDeleteLine("C:\\t\\a.exe"), "Unable to delete file C:\\t\\a.exe");
    EXPECT_EQ(unableToRenameLine("C:\\t\\UPDT1.tmp", "C:\\a.exe"), "Unable to rename file C:\\t\\UPDT1.tmp to C:\\a.exe");
}

TEST(LogFilePath, BareNamesLieInTheDocumentsFolder)
{
    struct Case {
        std::string name, documents, expected;
    };
    const Case cases[] = {
        {"UPDATE.LOG", "C:\\Users\\me\\Documents", "C:\\Users\\me\\Documents\\UPDATE.LOG"},
        {"upd.log", "C:\\Docs\\", "C:\\Docs\\upd.log"},
        {"C:\\Logs\\upd.log", "C:\\Docs", "C:\\Logs\\upd.log"},
        {"logs/upd.log", "C:\\Docs", "logs/upd.log"},
        {"D:upd.log", "C:\\Docs", "D:upd.log"},
        {"upd.log", "", "upd.log"},  // no documents folder: the current directory
    };
    for (const Case& c : cases)
        EXPECT_EQ(logFilePath(c.name, c.documents), c.expected) << c.name;
}

TEST(LogFileName, IsOneNameForTheWholeProcess)
{
    EXPECT_EQ(logFileName(), "UPDATE.LOG");
    setLogFileName("C:\\Logs\\upd.log");
    EXPECT_EQ(logFileName(), "C:\\Logs\\upd.log");
    setLogFileName("UPDATE.LOG");
}

TEST(AppendLineToFile, CreatesAMissingFileAndAppendsLinesWithCrLf)
{
    auto path = (std::filesystem::temp_directory_path() / "talkpost_status_log_test.log").string();
    std::remove(path.c_str());
    appendLineToFile(path, "first");
    appendLineToFile(path, "second");
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "first\r\nsecond\r\n");
    std::remove(path.c_str());
}

TEST(AppendLineToFile, AFileThatCannotBeMadeIsAnError)
{
    auto folder = std::filesystem::temp_directory_path() / "talkpost_no_such_folder_for_log";
    std::filesystem::remove_all(folder);
    EXPECT_THROW(appendLineToFile((folder / "upd.log").string(), "x"), AppError);
}

}  // namespace
}  // namespace talkpost::update
