// The message files, the command queue and its launcher threads, the
// mailbox, the Send to all walk and the Ping command.
#include "app/message_dispatch_win.h"

#include <atomic>
#include <exception>
#include <system_error>

#include "app/launcher_win.h"
#include "app/main_rules.h"
#include "app/msg_command.h"
#include "base/app_error.h"
#include "nettools/echo_sweep_win.h"
#include "nettools/ping_text.h"
#include "nettools/ping_win.h"
#include "win/folders_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost {
namespace {

// How long the window works through the mailbox in one go before it lets
// input and other messages in again; well inside the 100 ms in which the
// window answers.
constexpr auto kMailSlice = std::chrono::milliseconds(20);
// How often what came back reaches the log pane and the status bar while
// commands run. Under Wine every append costs the same round trips to the
// window server whether it carries one line or a hundred, and while many
// programs start, that server and the window's thread wait for the processor:
// an append then took up to half a second, and at four a second the window's
// thread spent a seventh of a large run in them. Twice a second keeps the
// window answering, and the log still looks live.
constexpr auto kLogInterval = std::chrono::milliseconds(500);
// A timer may come this much before its time; the flush it brings is still due.
constexpr auto kTimerSlack = std::chrono::milliseconds(50);

std::atomic<unsigned long> g_messageFileCount{0};
// Names taken by files of an ended program are passed over; this many in a row means something else is wrong.
constexpr int kMessageNameAttempts = 1000;
// Pings echoing at once; a further one waits for one of them to end. Each
// has a thread of its own for up to the echo time-out (and a lookup), and a
// person does not need more at a time.
constexpr std::size_t kPingsInFlight = 8;

}  // namespace

// ---------------------------------------------------------------------------
// Message files

std::string messageFolder() { return tempFolder() + kMessageFolder; }

std::shared_ptr<MessageFile> MessageFile::write(const std::string& text)
{
    std::string folder = messageFolder();
    CreateDirectoryW(widen(folder).c_str(), nullptr);  // there already, or the file's creation tells
    // A file of an ended program whose process number this one has now may
    // still lie there: such a name is passed over, never written into.
    std::string path;
    UniqueFile file;
    for (int attempt = 0; attempt < kMessageNameAttempts && !file; ++attempt) {
        path = folder + "\\" + messageFileName(GetCurrentProcessId(), ++g_messageFileCount);
        file.reset(
            CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (!file)
        throw AppError("Datei " + path + " kann nicht erstellt werden");
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        // A message cut short must not be sent as if it were whole.
        file.reset();
        DeleteFileW(widen(path).c_str());
        throw AppError("nach " + path + " kann nicht geschrieben werden");
    }
    return std::shared_ptr<MessageFile>(new MessageFile(path));
}

MessageFile::~MessageFile()
{
    if (!kept_)
        DeleteFileW(widen(path_).c_str());
}

void removeLeftoverMessageFiles()
{
    std::string folder = messageFolder();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(widen(folder + "\\msg-*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = narrow(found.cFileName);
        auto owner = messageFileOwner(name);
        if (!owner)
            continue;
        // A file whose program still runs is in use; any other is left over,
        // also one with this program's process number: at its start it has written none.
        if (*owner != GetCurrentProcessId()) {
            UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(*owner)));
            if (process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT)
                continue;
        }
        DeleteFileW(widen(folder + "\\" + name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// ---------------------------------------------------------------------------
// The mailbox: what the threads found, for the window's thread

struct MessageDispatch::Mail {
    enum Kind { Echo, Started, Ended, Pinged } kind = Echo;
    unsigned run = 0;
    std::size_t index = 0;
    EchoResult echo;  // also a Ping's outcome
    std::uint64_t delivery = 0;
    bool launched = false;
    DWORD exitCode = 0;
    std::string host;  // the host a Ping tested
};

struct MessageDispatch::Mailbox {
    HWND window;
    UINT message;
    std::mutex mutex;
    std::deque<Mail> mails;
    bool posted = false;  // a wake-up is on its way: the window takes everything there is
    bool closed = false;

    Mailbox(HWND w, UINT m) : window(w), message(m) {}

    void push(Mail mail)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (closed)
            return;
        mails.push_back(std::move(mail));
        if (!posted)
            posted = PostMessageA(window, message, 0, 0) != FALSE;
    }
    bool take(Mail& mail)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (mails.empty()) {
            posted = false;
            return false;
        }
        mail = std::move(mails.front());
        mails.pop_front();
        return true;
    }
    void close()
    {
        std::lock_guard<std::mutex> lock(mutex);
        closed = true;
        mails.clear();
    }
};

// One Send to all.
struct MessageDispatch::Run {
    unsigned id;
    SendToAllPlan plan;
    SendToAll input;
    std::unique_ptr<EchoSweep> sweep;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    bool selected = false;

    Run(unsigned runId, SendToAll in) : id(runId), plan(in.entries, in.parallelSends), input(std::move(in)) {}
};

// One launched message: the interpreter and the wait for its end, which runs
// on the system's wait thread, not on the window's.
struct MessageDispatch::Delivery {
    std::uint64_t id = 0;
    std::string computer;
    std::string parameters;
    std::shared_ptr<MessageFile> file;
    std::shared_ptr<Run> run;  // the Send to all it belongs to, if any
    std::size_t index = 0;
    std::shared_ptr<Mailbox> mailbox;
    // Written by the launcher thread before it reports Started.
    UniqueHandle process;
    HANDLE wait = nullptr;
    // Seen on the window's thread; the end can be reported before the start.
    bool startSeen = false, launched = false, endSeen = false;
    DWORD exitCode = 0;
};

void CALLBACK MessageDispatch::processEnded(PVOID parameter, BOOLEAN)
{
    // On the wait thread: the exit code, then the rest is the window's.
    auto* delivery = static_cast<Delivery*>(parameter);
    DWORD code = 0;
    GetExitCodeProcess(delivery->process.get(), &code);
    delivery->mailbox->push({Mail::Ended, 0, 0, {}, delivery->id, true, code, {}});
}

// ---------------------------------------------------------------------------

MessageDispatch::MessageDispatch(HWND window, UINT mailMessage, DispatchView view, std::string icmpLibrary)
    : window_(window), view_(std::move(view)), icmpLibrary_(std::move(icmpLibrary)),
      mailbox_(std::make_shared<Mailbox>(window, mailMessage))
{
}

MessageDispatch::~MessageDispatch()
{
    mailbox_->close();
    if (current_ && current_->sweep)
        current_->sweep->stop();
    {
        std::lock_guard<std::mutex> lock(launchMutex_);
        launcherStopping_ = true;
    }
    launchWake_.notify_all();
    for (std::thread& launcher : launchers_)
        launcher.join();  // they start what they were handed and stop
    for (auto& [id, delivery] : deliveries_) {
        if (delivery->wait != nullptr)
            UnregisterWaitEx(delivery->wait, INVALID_HANDLE_VALUE);  // its report may be running: wait for it
        if (delivery->file)
            delivery->file->keep();
    }
}

void MessageDispatch::launcherLoop()
{
    for (;;) {
        std::shared_ptr<Delivery> delivery;
        {
            std::unique_lock<std::mutex> lock(launchMutex_);
            ++idleLaunchers_;
            launchWake_.wait(lock, [this] { return launcherStopping_ || !launches_.empty(); });
            --idleLaunchers_;
            if (launches_.empty())
                break;
            delivery = launches_.front();
            launches_.pop_front();
        }
        bool launched = false;
        if (HANDLE process = fileExecProcess("cmd.exe", delivery->parameters, SW_HIDE)) {
            delivery->process.reset(process);
            launched = RegisterWaitForSingleObject(&delivery->wait, process, &processEnded, delivery.get(), INFINITE,
                                                   WT_EXECUTEONLYONCE) != FALSE;
        }
        delivery->mailbox->push({Mail::Started, 0, 0, {}, delivery->id, launched, 0, {}});
    }
}

void MessageDispatch::launch(const std::string& computer, const std::string& parameters,
                             std::shared_ptr<MessageFile> file, std::shared_ptr<Run> run, std::size_t index)
{
    auto delivery = std::make_shared<Delivery>();
    delivery->id = nextDelivery_++;
    delivery->computer = computer;
    delivery->parameters = parameters;
    delivery->file = std::move(file);
    delivery->run = std::move(run);
    delivery->index = index;
    delivery->mailbox = mailbox_;
    deliveries_[delivery->id] = delivery;
    queue_.push(delivery->id, delivery->run ? delivery->run->id : 0);
    startDue();
}

void MessageDispatch::startDue()
{
    for (std::uint64_t id : queue_.take()) {
        std::shared_ptr<Delivery> delivery = deliveries_.at(id);
        log("cmd.exe " + delivery->parameters);
        bool another = false;
        {
            std::lock_guard<std::mutex> lock(launchMutex_);
            launches_.push_back(delivery);
            // A launcher for every start at once, up to the bound.
            another = launches_.size() > idleLaunchers_ && launchers_.size() < queue_.bound();
        }
        if (another) {
            try {
                launchers_.emplace_back([this] { launcherLoop(); });
            } catch (const std::system_error&) {
                // No thread to be had: the launchers there are take it; with none, it is not started.
                if (launchers_.empty()) {
                    std::lock_guard<std::mutex> lock(launchMutex_);
                    launches_.pop_back();
                    mailbox_->push({Mail::Started, 0, 0, {}, delivery->id, false, 0, {}});
                }
            }
        }
        launchWake_.notify_one();
    }
}

void MessageDispatch::log(const std::string& line)
{
    pendingLog_.push_back(line);
    if (!inMail_)
        flushLog();  // a command of the operator's shows at once
}

void MessageDispatch::flushLog()
{
    lastFlush_ = std::chrono::steady_clock::now();
    unshown_ = false;
    if (current_)
        view_.showProgress(sendToAllProgress(current_->plan.done(), current_->plan.total()));
    if (pendingLog_.empty())
        return;
    std::string text = pendingLog_.front();
    for (std::size_t i = 1; i < pendingLog_.size(); ++i)
        text += "\r\n" + pendingLog_[i];
    pendingLog_.clear();
    view_.appendLog(text);
}

void MessageDispatch::send(const std::string& computer, const std::string& parameters,
                           std::shared_ptr<MessageFile> file)
{
    launch(computer, parameters, std::move(file), nullptr, 0);
}

void MessageDispatch::startSendToAll(SendToAll input)
{
    if (current_)
        return;
    auto run = std::make_shared<Run>(nextRun_++, std::move(input));
    current_ = run;
    queue_.setBound(run->input.parallelSends);
    view_.sendToAllRunning(true);
    view_.showProgress(sendToAllProgress(0, run->plan.total()));
    std::shared_ptr<Mailbox> mailbox = mailbox_;
    unsigned runId = run->id;
    // The plan keeps the entries; the sweep's thread takes the input's.
    run->sweep = std::make_unique<EchoSweep>(std::move(run->input.entries), run->input.echoTimeoutMs,
                                             [mailbox, runId](std::size_t index, const EchoResult& result) {
                                                 mailbox->push({Mail::Echo, runId, index, result, 0, false, 0, {}});
                                             },
                                             icmpLibrary_);
    std::vector<std::string> errors;
    advance(run, errors);
    for (const std::string& error : errors)
        view_.showError(error);
}

void MessageDispatch::stopSendToAll()
{
    if (!current_)
        return;
    std::shared_ptr<Run> run = std::move(current_);
    run->sweep->stop();
    // Its commands still waiting for their turn are not started; the others keep their places.
    std::vector<std::size_t> withdrawn;
    for (std::uint64_t id : queue_.withdraw(run->id)) {
        auto it = deliveries_.find(id);
        withdrawn.push_back(it->second->index);
        deliveries_.erase(it);
    }
    log(sendToAllStoppedLine(run->plan.stop(withdrawn)));
    view_.sendToAllRunning(false);
    view_.showProgress({});
    std::vector<std::string> errors;
    advance(run, errors);  // the walk ends here: only the selection and, with nothing running, the summary
}

void MessageDispatch::onMail()
{
    auto until = std::chrono::steady_clock::now() + kMailSlice;
    std::vector<std::string> errors;
    Mail mail;
    bool more = false;
    inMail_ = true;
    try {
        while (mailbox_->take(mail)) {
            handle(mail, errors);
            unshown_ = true;
            if (std::chrono::steady_clock::now() >= until) {
                more = true;
                break;
            }
        }
    } catch (...) {
        inMail_ = false;
        throw;
    }
    inMail_ = false;
    // The log lines gathered go in together, at most every kLogInterval while
    // commands run, and at once when nothing runs any more.
    auto now = std::chrono::steady_clock::now();
    bool idle = !current_ && deliveries_.empty() && pingsRunning() == 0;
    if (unshown_ && (idle || !errors.empty() || now - lastFlush_ + kTimerSlack >= kLogInterval))
        flushLog();
    // The rest after the waiting input and paint: a timer comes last in the queue.
    armMailTimer(more ? MailTimer::Soon : unshown_ ? MailTimer::Flush : MailTimer::None);
    for (const std::string& error : errors)
        view_.showError(error);
}

void MessageDispatch::armMailTimer(MailTimer wanted)
{
    // A timer repeats until it is killed, and each change is a round trip to
    // the window server: one that is set already is left as it is. The flush
    // timer ticks every kLogInterval.
    if (wanted == mailTimer_)
        return;
    if (wanted == MailTimer::None)
        KillTimer(window_, kMailTimer);
    else
        SetTimer(window_, kMailTimer,
                 wanted == MailTimer::Soon
                     ? USER_TIMER_MINIMUM
                     : static_cast<UINT>(std::chrono::duration_cast<std::chrono::milliseconds>(kLogInterval).count()),
                 nullptr);
    mailTimer_ = wanted;
}

void MessageDispatch::handle(const Mail& mail, std::vector<std::string>& errors)
{
    switch (mail.kind) {
    case Mail::Echo:
        if (current_ && current_->id == mail.run) {
            current_->plan.echoed(mail.index, mail.echo.outcome, mail.echo.error);
            advance(current_, errors);
        }
        break;
    case Mail::Started:
    case Mail::Ended: {
        auto it = deliveries_.find(mail.delivery);
        if (it == deliveries_.end())
            break;
        Delivery& delivery = *it->second;
        if (mail.kind == Mail::Started) {
            delivery.startSeen = true;
            delivery.launched = mail.launched;
        } else {
            delivery.endSeen = true;
            delivery.exitCode = mail.exitCode;
        }
        if (delivery.startSeen && (!delivery.launched || delivery.endSeen))
            finish(mail.delivery, errors);
        break;
    }
    case Mail::Pinged:
        if (mail.echo.outcome == EchoOutcome::Failed)
            errors.push_back(mail.echo.error);
        else
            log(pingResultLine(mail.host, mail.echo.outcome == EchoOutcome::Answered));
        --pingsRunning_;
        if (!pingsWaiting_.empty()) {
            std::string host = std::move(pingsWaiting_.front());
            pingsWaiting_.pop_front();
            startPing(host);
        }
        break;
    }
}

void MessageDispatch::finish(std::uint64_t deliveryId, std::vector<std::string>& errors)
{
    auto it = deliveries_.find(deliveryId);
    std::shared_ptr<Delivery> delivery = it->second;
    deliveries_.erase(it);
    if (delivery->wait != nullptr)
        UnregisterWait(delivery->wait);  // its one call has run
    log(delivery->launched ? deliveryLine(delivery->computer, delivery->exitCode)
                           : notStartedLine(delivery->computer));
    delivery->file.reset();  // the last holder deletes the message file
    queue_.ended();
    if (std::shared_ptr<Run> run = delivery->run) {
        run->plan.ended(delivery->index, delivery->launched && delivery->exitCode == 0);
        advance(run, errors);
    }
    startDue();  // the place it leaves goes to the next in line
}

void MessageDispatch::advance(const std::shared_ptr<Run>& run, std::vector<std::string>& errors)
{
    for (const PlanStep& step : run->plan.takeSteps()) {
        const std::string& entry = run->plan.entries()[step.index];
        switch (step.action) {
        case PlanAction::Launch:
            launch(entry,
                   buildMsgCommand({run->input.windowsDir, entry, run->input.time, run->input.user,
                                    run->input.file->path()}),
                   run->input.file, run, step.index);
            break;
        case PlanAction::Log:
            log(step.text);
            break;
        case PlanAction::Fail:
            errors.push_back(step.text);
            break;
        }
    }
    if (run->plan.walkOver() && !run->selected) {
        // The walk ends with the entry it reached last selected, as it did when it selected each in turn.
        run->selected = true;
        if (auto last = run->plan.lastWalked())
            view_.selectEntry(*last);
        run->sweep->stop();
        run->input.file.reset();  // the deliveries hold it from here
    }
    if (run->plan.finished()) {
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - run->start).count();
        log(sendToAllSummary(run->plan.counts(), seconds));
        if (current_ == run) {
            current_.reset();
            view_.sendToAllRunning(false);
            view_.showProgress({});
        }
    }
}

void MessageDispatch::ping(const std::string& host)
{
    log(pingStartLine(host));
    if (pingsRunning_ < kPingsInFlight)
        startPing(host);
    else
        pingsWaiting_.push_back(host);
}

void MessageDispatch::startPing(const std::string& host)
{
    ++pingsRunning_;
    std::shared_ptr<Mailbox> mailbox = mailbox_;
    try {
        std::thread([mailbox, host, library = icmpLibrary_] {
            Mail mail{Mail::Pinged, 0, 0, {}, 0, false, 0, host};
            try {
                mail.echo.outcome =
                    pingHost(host, kPingTimeoutMs, library) ? EchoOutcome::Answered : EchoOutcome::Silent;
            } catch (const std::exception& e) {
                mail.echo = {EchoOutcome::Failed, e.what()};
            }
            mailbox->push(std::move(mail));
        }).detach();
    } catch (const std::system_error&) {
        --pingsRunning_;
        throw AppError("The echo test cannot be started");
    }
}

}  // namespace talkpost
