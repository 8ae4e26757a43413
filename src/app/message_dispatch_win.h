// MessageDispatch: Send, Send to all and Ping without the window's thread
// waiting. The message goes into a file of its own; every message command
// waits its turn under the one bound (CommandQueue); a pool of launcher
// threads starts the interpreters, as many at once as the bound allows; the
// system's wait threads report their ends; the echo sweep and each Ping run
// on threads of their own. Everything they find comes back to the window
// through one mailbox, which wakes the window with one posted message however
// much is waiting, and the window takes it in slices, with the log lines that
// come meanwhile appended together twice a second, so that it keeps
// answering. The decisions of Send
// to all (order, counts) are SendToAllPlan's.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/command_queue.h"
#include "app/send_to_all_plan.h"
#include "nettools/ping_win.h"

namespace talkpost {

class EchoSweep;

// The message file of one Send or one Send to all, in the folder Talkpost
// below the user's temporary folder. Deleted when the last holder (the
// deliveries that read it, the walk) lets go of it.
class MessageFile {
public:
    // Writes the text, bytes as they are (the caller has carried it over
    // into the code page msg.exe reads). The path is UTF-8. Throws AppError "Datei <path> kann
    // nicht erstellt werden" (or "nach <path> kann nicht geschrieben werden";
    // no partial file is left).
    static std::shared_ptr<MessageFile> write(const std::string& text);
    ~MessageFile();
    MessageFile(const MessageFile&) = delete;
    MessageFile& operator=(const MessageFile&) = delete;

    const std::string& path() const { return path_; }
    // Leaves the file in place: an interpreter may still read it after the
    // program has ended. The next start removes it.
    void keep() { kept_ = true; }

private:
    explicit MessageFile(std::string path) : path_(std::move(path)) {}
    std::string path_;
    bool kept_ = false;
};

// The folder the message files go to.
std::string messageFolder();
// Deletes the message files that programs no longer running left behind.
// Called once at the program's start, before it has written any of its own.
void removeLeftoverMessageFiles();

// What the dispatch shows through the window, always on the window's thread.
struct DispatchView {
    std::function<void(const std::string& line)> appendLog;
    // The status bar's text while Send to all runs; an empty text puts back the one before.
    std::function<void(const std::string& text)> showProgress;
    // The tool bar button: "Stop" while Send to all runs, "SendToAll" again after.
    std::function<void(bool running)> sendToAllRunning;
    std::function<void(std::size_t index)> selectEntry;
    std::function<void(const std::string& message)> showError;
};

class MessageDispatch {
public:
    // mailMessage is posted to window when something came back; the window
    // hands it (and the timer kMailTimer) to onMail.
    // icmpLibrary: what Ping and Send to all echo with.
    MessageDispatch(HWND window, UINT mailMessage, DispatchView view, std::string icmpLibrary = kIcmpLibrary);
    // Launches already handed over still start; the interpreters keep running
    // and their message files stay for them.
    ~MessageDispatch();
    MessageDispatch(const MessageDispatch&) = delete;
    MessageDispatch& operator=(const MessageDispatch&) = delete;

    static constexpr UINT_PTR kMailTimer = 0x5E4D;

    // The bound on message commands running at once, for the commands that
    // start from now on (Sends and Send to all alike).
    void setParallelSends(int parallelSends) { queue_.setBound(parallelSends); }

    // Queues the launch; when its turn comes, "cmd.exe <parameters>" is logged
    // and it starts. One result line follows when it ends.
    void send(const std::string& computer, const std::string& parameters, std::shared_ptr<MessageFile> file);

    struct SendToAll {
        std::vector<std::string> entries;
        std::string windowsDir, time, user;
        int parallelSends = kDefaultParallelSends;
        unsigned echoTimeoutMs = 5000;
        std::shared_ptr<MessageFile> file;
    };
    // Starts the walk under the bound input.parallelSends; does nothing while one runs.
    void startSendToAll(SendToAll input);
    bool sendToAllRunning() const { return current_ != nullptr; }
    // Launches nothing more of the walk (its commands still waiting for their
    // turn are taken back) and logs how many were not sent.
    void stopSendToAll();

    // Messages whose interpreter has not reported its end yet, waiting ones included.
    std::size_t sendsRunning() const { return deliveries_.size(); }

    // The Ping command off the window's thread: logs "PING <host>" now and
    // the result line when the echo is over; an unloadable icmp.dll is shown
    // through view.showError instead.
    void ping(const std::string& host);
    // Pings not yet over.
    std::size_t pingsRunning() const { return pingsRunning_ + pingsWaiting_.size(); }

    void onMail();

private:
    struct Mail;
    struct Mailbox;
    struct Run;
    struct Delivery;

    void launch(const std::string& computer, const std::string& parameters, std::shared_ptr<MessageFile> file,
                std::shared_ptr<Run> run, std::size_t index);
    // Starts the queued commands whose turn has come.
    void startDue();
    void launcherLoop();
    void startPing(const std::string& host);
    // One log line; inside onMail the lines are gathered and appended together.
    void log(const std::string& line);
    // Appends the lines gathered and shows Send to all's progress.
    void flushLog();
    // The timer that brings the window back to onMail: soon (more mail is
    // waiting), at the next flush (lines not shown yet) or none.
    enum class MailTimer { None, Soon, Flush };
    void armMailTimer(MailTimer wanted);
    void handle(const Mail& mail, std::vector<std::string>& errors);
    void finish(std::uint64_t deliveryId, std::vector<std::string>& errors);
    static void CALLBACK processEnded(PVOID delivery, BOOLEAN timedOut);
    void advance(const std::shared_ptr<Run>& run, std::vector<std::string>& errors);

    HWND window_;
    DispatchView view_;
    std::string icmpLibrary_;
    std::shared_ptr<Mailbox> mailbox_;
    std::map<std::uint64_t, std::shared_ptr<Delivery>> deliveries_;
    std::uint64_t nextDelivery_ = 1;
    unsigned nextRun_ = 1;
    std::shared_ptr<Run> current_;
    CommandQueue queue_{kDefaultParallelSends};
    bool inMail_ = false;
    bool unshown_ = false;  // something came back that the window does not show yet
    MailTimer mailTimer_ = MailTimer::None;
    std::vector<std::string> pendingLog_;
    std::chrono::steady_clock::time_point lastFlush_;

    std::size_t pingsRunning_ = 0;
    std::deque<std::string> pingsWaiting_;

    // The launcher threads: started as launches come in, up to the bound, and
    // kept until the dispatch ends.
    std::mutex launchMutex_;
    std::condition_variable launchWake_;
    std::deque<std::shared_ptr<Delivery>> launches_;
    std::size_t idleLaunchers_ = 0;
    bool launcherStopping_ = false;
    std::vector<std::thread> launchers_;
};

}  // namespace talkpost
