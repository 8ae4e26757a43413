// The sweep: IcmpSendEcho2 with a completion routine (APC) for every host,
// issued one after another from one thread, which waits alertably for the
// completions. Loaded, resolved and closed as pingHost does, once per sweep.
#include "nettools/echo_sweep_win.h"

#include <atomic>
#include <cstring>
#include <exception>

#include "nettools/ping_text.h"
#include "nettools/ping_win.h"
#include "win/win32_error_win.h"

namespace talkpost {
namespace {

using IcmpCreateFileFn = HANDLE(WINAPI*)();
// The completion routine is called as an I/O completion routine: (context,
// I/O status block, reserved); the platform header declares it loosely.
using EchoCompletion = void(NTAPI*)(PVOID context, PVOID ioStatus, ULONG reserved);
using IcmpSendEcho2Fn = DWORD(WINAPI*)(HANDLE icmp, HANDLE event, EchoCompletion apcRoutine, PVOID apcContext,
                                       ULONG destination, LPVOID requestData, WORD requestSize,
                                       LPVOID requestOptions, LPVOID replyBuffer, DWORD replySize, DWORD timeout);
using IcmpParseRepliesFn = DWORD(WINAPI*)(LPVOID replyBuffer, DWORD replySize);
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE icmp);

// Room for one reply header with its 8 bytes of ICMP error data; the echo
// carries no payload, so nothing more comes back.
constexpr DWORD kReplyBufferSize = 128;
// How long past the time-out the sweep waits for completions the platform
// still owes before it gives the rest up as silent.
constexpr DWORD kCompletionGraceMs = 5000;

}  // namespace

struct EchoSweep::State {
    std::vector<std::string> hosts;
    unsigned timeoutMs = 0;
    Report report;
    std::atomic<bool> stopped{false};
    UniqueHandle finished{CreateEventA(nullptr, TRUE, FALSE, nullptr)};

    void tell(std::size_t index, const EchoResult& result)
    {
        if (stopped.load())
            return;
        try {
            report(index, result);
        } catch (...) {
            // A report that fails must not end the sweep's thread with an exception.
        }
    }
    void run();

    // One echo in flight: its reply buffer, owned by the platform until the completion runs.
    struct Pending {
        State* sweep = nullptr;
        IcmpParseRepliesFn parse = nullptr;
        std::size_t index = 0;
        std::size_t* outstanding = nullptr;
        bool inFlight = false;  // sent, its completion not run yet
        alignas(8) unsigned char reply[kReplyBufferSize] = {};
    };
    static void NTAPI echoCompleted(PVOID context, PVOID, ULONG)
    {
        auto* pending = static_cast<Pending*>(context);
        pending->inFlight = false;
        --*pending->outstanding;
        bool answered = pending->parse(pending->reply, kReplyBufferSize) != 0;
        pending->sweep->tell(pending->index, {answered ? EchoOutcome::Answered : EchoOutcome::Silent, {}});
    }
};

void EchoSweep::State::run()
{
    UniqueLibrary library(LoadLibraryA(icmpLibraryName().c_str()));
    if (!library) {
        std::string error = icmpLoadErrorText(systemErrorText(GetLastError()));
        for (std::size_t i = 0; i < hosts.size(); ++i)
            tell(i, {EchoOutcome::Failed, error});
        return;
    }
    auto create = entryPoint<IcmpCreateFileFn>(library.get(), "IcmpCreateFile");
    auto send = entryPoint<IcmpSendEcho2Fn>(library.get(), "IcmpSendEcho2");
    auto parse = entryPoint<IcmpParseRepliesFn>(library.get(), "IcmpParseReplies");
    auto close = entryPoint<IcmpCloseHandleFn>(library.get(), "IcmpCloseHandle");
    HANDLE icmp = create != nullptr && send != nullptr && parse != nullptr && close != nullptr ? create()
                                                                                                : INVALID_HANDLE_VALUE;
    if (icmp == INVALID_HANDLE_VALUE) {
        // As pingHost: a missing entry point or handle answers "silent".
        for (std::size_t i = 0; i < hosts.size(); ++i)
            tell(i, {});
        return;
    }

    std::size_t outstanding = 0;
    auto pending = std::make_unique<Pending[]>(hosts.size());
    for (std::size_t i = 0; i < hosts.size() && !stopped.load(); ++i) {
        IPv4Address address = resolveHostAddress(hosts[i]);
        if (address == IPv4Address{}) {
            tell(i, {});  // no address: nothing would answer
            continue;
        }
        ULONG destination = 0;
        std::memcpy(&destination, address.bytes.data(), sizeof destination);
        Pending& p = pending[i];
        p = Pending{this, parse, i, &outstanding};
        DWORD replies = send(icmp, nullptr, &echoCompleted, &p, destination, nullptr, 0,
                             nullptr, p.reply, kReplyBufferSize, timeoutMs);
        if (replies == 0 && GetLastError() == ERROR_IO_PENDING) {
            p.inFlight = true;
            ++outstanding;
        } else
            tell(i, {replies != 0 ? EchoOutcome::Answered : EchoOutcome::Silent, {}});
        SleepEx(0, TRUE);  // hand over the answers that are in already
    }
    // Every echo ends by its time-out; the grace covers a platform that is late.
    DWORD deadline = GetTickCount() + timeoutMs + kCompletionGraceMs;
    while (outstanding > 0) {
        DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0)
            break;
        SleepEx(deadline - now, TRUE);
    }
    close(icmp);
    if (outstanding > 0) {
        // No answer came within the time-out and the grace: silent. This
        // thread waits alertably no more, so a completion the platform still
        // delivers cannot report a host twice; it still owns these buffers,
        // so they are left to it rather than freed under it.
        for (std::size_t i = 0; i < hosts.size(); ++i)
            if (pending[i].inFlight)
                tell(i, {});
        pending.release();
    }
}

EchoSweep::EchoSweep(std::vector<std::string> hosts, unsigned timeoutMs, Report report)
    : state_(std::make_shared<State>())
{
    state_->hosts = std::move(hosts);
    state_->timeoutMs = timeoutMs;
    state_->report = std::move(report);
    // The thread keeps the state alive on its own, so the sweep may be
    // dropped while echoes are still in flight.
    auto* keep = new std::shared_ptr<State>(state_);
    thread_.reset(CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            std::unique_ptr<std::shared_ptr<State>> state(static_cast<std::shared_ptr<State>*>(parameter));
            try {
                (*state)->run();
            } catch (...) {
                // No exception crosses a thread entry; the hosts not reported stay unreported.
            }
            SetEvent((*state)->finished.get());
            return 0;
        },
        keep, 0, nullptr));
    if (!thread_) {
        delete keep;
        std::string error = systemErrorText(GetLastError());
        for (std::size_t i = 0; i < state_->hosts.size(); ++i)
            state_->tell(i, {EchoOutcome::Failed, error});
        SetEvent(state_->finished.get());
    }
}

EchoSweep::~EchoSweep() { stop(); }

void EchoSweep::stop() { state_->stopped = true; }

void EchoSweep::wait() const { WaitForSingleObject(state_->finished.get(), INFINITE); }

std::vector<EchoResult> echoAll(const std::vector<std::string>& hosts, unsigned timeoutMs)
{
    std::vector<EchoResult> results(hosts.size());
    EchoSweep sweep(hosts, timeoutMs, [&results](std::size_t index, const EchoResult& result) { results[index] = result; });
    sweep.wait();
    return results;
}

}  // namespace talkpost
