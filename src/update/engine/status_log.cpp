// Message table, log line format and the append of one line to the log file.
#include "update/engine/status_log.h"

#include <cstdio>
#include <memory>

#include "base/app_error.h"
#include "base/utf8_file.h"

namespace talkpost::update {
namespace {

struct MessageEntry {
    int number;
    const char* text;
};

// The engine's string table. 909 to 911 are confirmation box texts, never log lines.
constexpr MessageEntry kMessages[] = {
    {18, "Exec: %s"},
    {909, "Download update file : "},
    {910, "Download update files ?"},
    {911, "Shutdown application to update executable files ?"},
    {912, "Equal source and target files : %s"},
    {913, "File not found : %s"},
    {914, "Zero length source file : %s"},
    {915, "Download : %s"},
    {916, "Http status : %s"},
    {917, "File not found : %s"},
    {918, "Checking for Internet connection"},
    {919, "Prompt to open new Internet connection"},
    {920, "Opening Internet connection"},
    {921, "Found open Internet connection"},
    {922, "Cannot open Internet connection"},
    {923, "Connect to host : %s"},
    {925, "Update control file not found"},
    {926, "Update control file found"},
    {927, "Invalid signature in update control file"},
    {928, "Date based update found"},
    {929, "New version found : %s"},
    {930, "No new version found"},
    {931, "Checksum based update found"},
    {932, "File size based update found"},
    {933, "Version based update found"},
    {934, "Found message instruction"},
    {935, "Found HTML dialog instruction"},
    {936, "Found query instruction"},
    {937, "Found whatsnew instruction"},
    {939, "Found license agreement instruction"},
    {941, "Found URL redirection instruction"},
    {942, "Found URL show instruction"},
    {943, "Found file update instruction"},
    {944, "Version check : %s"},
    {946, "Cannot download update file : %s"},
    {947, "Error decompressing CAB file : %s"},
    {948, "Finished processing update control file"},
    {949, "Closed Internet connection"},
    {951, "Cannot connect to server for post"},
    {952, "Cannot access resource for post"},
    {953, "Dialup failed"},
    {954, "Closed FTP connection"},
    {955, "Disconnect dialup"},
    {956, "Authentication cancelled"},
    {958, "Spawn %s"},
    {959, "Restart app in directory : %s"},
    {962, "Found application component : %s"},
    {964, "Update process cancelled"},
    {971, "Processing file : %s"},
    {972, "Update file without a sha256 value, not installed : %s"},
    {973, "Update file does not match its sha256 value, not installed : %s"},
    {974, "Cabinet entry refused, it leaves its folder or names a device : %s"},
    {975, "Server did not answer in time : %s"},
    {976, "Redirect to another server refused : %s"},
    {977, "Control file older than one accepted before, refused : serial %s"},
    {978, "Control file expired, refused : %s"},
    {979, "Older version not allowed by the control file, refused : %s"},
    {980, "Text without a matching sha256 value, not shown : %s"},
    {981, "Download larger than allowed, stopped : %s"},
    {982, "Update not installed, every file it had replaced is put back : %s"},
    {983, "Updater helper did not start, the update is undone : %s"},
};

std::string twoDigits(int value)
{
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

std::string& processLogFileName()
{
    static std::string name = "UPDATE.LOG";
    return name;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string statusText(int number, const std::string& argument)
{
    for (const MessageEntry& entry : kMessages) {
        if (entry.number != number)
            continue;
        std::string text = entry.text;
        if (auto at = text.find("%s"); at != std::string::npos)
            text.replace(at, 2, argument);
        return text;
    }
    return {};
}

std::string logTimestamp(const LocalTime& t, const std::string& dateSeparator, const std::string& timeSeparator)
{
    std::string year = std::to_string(t.year);
    while (year.size() < 4)
        year.insert(year.begin(), '0');
    return twoDigits(t.day) + dateSeparator + twoDigits(t.month) + dateSeparator + year + " " + twoDigits(t.hour) +
           timeSeparator + twoDigits(t.minute) + timeSeparator + twoDigits(t.second);
}

std::string statusLogLine(const std::string& timestamp, int number, const std::string& text, int status, int error)
{
    return timestamp + " : [" + std::to_string(number) + "] " + text + " (Status:" + std::to_string(status) +
           ") (Error:" + std::to_string(error) + ")";
}

std::string unableToDeleteLine(const std::string& path) { return "Unable to delete file " + path; }

std::string unableToRenameLine(const std::string& from, const std::string& to)
{
    return "Unable to rename file " + from + " to " + to;
}

void setLogFileName(const std::string& name) { processLogFileName() = name; }

std::string logFileName() { return processLogFileName(); }

std::string logFilePath(const std::string& name, const std::string& documentsFolder)
{
    if (name.find_first_of("\\/:") != std::string::npos || documentsFolder.empty())
        return name;
    if (documentsFolder.back() == '\\')
        return documentsFolder + name;
    return documentsFolder + "\\" + name;
}

void appendLineToFile(const std::string& path, const std::string& text)
{
    // "ab" opens for appending and creates a missing file; bytes go out as they are.
    std::unique_ptr<std::FILE, FileCloser> file(openFile(path, "ab"));
    if (!file)
        throw AppError("Datei " + path + " kann nicht erstellt werden");
    std::string line = text + "\r\n";
    bool written = std::fwrite(line.data(), 1, line.size(), file.get()) == line.size();
    if (std::fclose(file.release()) != 0 || !written)
        throw AppError("nach " + path + " kann nicht geschrieben werden");
}

}  // namespace talkpost::update
