// Helpers for tests under Wine: prompts answered from a script and recorded,
// temporary folders, the records of the msg.exe/mstsc.exe stand-ins, message
// pumping with a deadline.
#pragma once

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "win/prompts_win.h"
#include "window_shot_win.h"

namespace talkpost::test {

// Records every prompt and answers confirmations from a queue (Cancel when
// empty); handed to what a test makes in place of the system's boxes.
class RecordingPrompts : public Prompts {
public:
    struct Shown {
        std::string kind;  // "information", "confirmation", "error", "box"
        std::string text;
        std::string caption;
    };

    void information(HWND, const std::string& text) override { shown.push_back({"information", text, "Information"}); }
    Answer confirmation(HWND, const std::string& text) override
    {
        shown.push_back({"confirmation", text, kConfirmationCaption});
        if (answers.empty())
            return Answer::Cancel;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void standardError(HWND, const std::string& message) override { shown.push_back({"error", message, kAppTitle}); }
    int box(HWND, const std::string& text, const std::string& caption, UINT) override
    {
        shown.push_back({"box", text, caption});
        return boxResult;
    }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    int boxResult = IDOK;
};

// A fresh empty folder under the temporary folder, removed with its files at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
// The names of the files in folder that match a pattern such as "*.tmp".
std::vector<std::string> filesIn(const std::string& folder, const std::string& pattern);

// The one wait of the tests: processes window messages until the condition
// holds or the time is up, and says whether it held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(20));
void pumpFor(std::chrono::milliseconds duration);

// The stand-ins record each run as a block of lines in the file named by the
// environment variable TALKPOST_STANDIN_LOG:
//   "program: msg.exe" / "args: <command tail>" / "stdin-hex: <hex bytes>" / "end"
struct StandinRun {
    std::string program;
    std::string args;
    std::string input;
};
class StandinLog {
public:
    StandinLog();   // points TALKPOST_STANDIN_LOG at a fresh file
    ~StandinLog();  // unsets it
    std::vector<StandinRun> runs() const;
    // Waits until at least count runs are recorded.
    std::vector<StandinRun> waitFor(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30)) const;

private:
    TempFolder folder_;
    std::string path_;
};

// The visible top-level window of class className that process pid owns, or nullptr.
HWND findProcessWindow(DWORD pid, const std::string& className);

// A computer field on `parent` as the main window has it: a sorted drop-down
// combo box, for tests of the parts that fill the list.
HWND createComputerField(HWND parent);

// The top-level windows process pid owns, a line each (class, caption, shown
// or hidden, and a message box's text), for a failed test's message.
std::string describeWindowsOf(DWORD pid);

// Processes whose program file lies in folder, by identifier.
std::vector<DWORD> processesIn(const std::string& folder);

// Ends the processes this process started (the hidden command interpreters
// that stay open after their command) and, recursively, their children.
void endChildProcesses();

// The source tree as a Windows path (from TALKPOST_SOURCE_DIR), and the build tree.
std::string sourceDir();
std::string binaryDir();
std::string unixToWindowsPath(const std::string& unixPath);

}  // namespace talkpost::test
