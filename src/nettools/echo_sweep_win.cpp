// The sweep: a pool of resolver threads looks the names up, a bounded number
// at a time, and hands each address to the echo thread, which sends
// IcmpSendEcho2 with a completion routine (APC) for it at once and waits
// alertably for the completions and the next addresses. Loaded and closed as
// pingHost does, once per sweep.
#include "nettools/echo_sweep_win.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <utility>

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
// How many names are looked up at once. A lookup mostly waits for the name
// server, so a thread each costs little; with 64 a list whose names all time
// out costs one resolver time-out per 64 names, and a fleet's lookups neither
// flood the name server nor fill the process with threads.
constexpr std::size_t kLookupsInFlight = 64;
// A lookup needs little stack; the threads reserve no more than this.
constexpr SIZE_T kResolverStack = 256 * 1024;
// The longest the sweep waits for the next lookup to come back while some
// are out. The system's resolver gives up well before this (a few seconds
// per name server); a lookup that never returns must not keep Send to all
// waiting for ever, so what is still out then counts as not found.
constexpr DWORD kLookupPatienceMs = 60000;

}  // namespace

struct EchoSweep::State {
    std::vector<std::string> hosts;
    unsigned timeoutMs = 0;
    std::string icmpLibrary;
    Report report;
    std::atomic<bool> stopped{false};
    UniqueHandle finished{CreateEventA(nullptr, TRUE, FALSE, nullptr)};

    // The lookups: the hosts that are names (an address needs none), the next
    // of them to look up, and the addresses found (0.0.0.0: none), from the
    // resolver threads to the echo thread.
    std::vector<std::size_t> names;
    std::atomic<std::size_t> nextLookup{0};
    std::atomic<bool> lookupsAbandoned{false};
    std::mutex resolvedMutex;
    std::deque<std::pair<std::size_t, IPv4Address>> resolved;
    UniqueHandle resolvedEvent{CreateEventA(nullptr, FALSE, FALSE, nullptr)};

    void lookUp()
    {
        for (std::size_t n; !stopped.load() && !lookupsAbandoned.load() && (n = nextLookup++) < names.size();) {
            std::size_t i = names[n];
            IPv4Address address = resolveHostAddress(hosts[i]);
            std::lock_guard<std::mutex> lock(resolvedMutex);
            resolved.emplace_back(i, address);
            SetEvent(resolvedEvent.get());
        }
    }
    // Starts the resolver threads; false when not one could be started.
    static bool startLookups(const std::shared_ptr<State>& state);

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
    // self: this state, for the resolver threads to hold.
    void run(const std::shared_ptr<State>& self);

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

bool EchoSweep::State::startLookups(const std::shared_ptr<State>& state)
{
    std::size_t threads = std::min(kLookupsInFlight, state->names.size());
    bool any = false;
    for (std::size_t t = 0; t < threads; ++t) {
        auto* keep = new std::shared_ptr<State>(state);
        HANDLE thread = CreateThread(
            nullptr, kResolverStack,
            [](LPVOID parameter) -> DWORD {
                std::unique_ptr<std::shared_ptr<State>> self(static_cast<std::shared_ptr<State>*>(parameter));
                try {
                    (*self)->lookUp();
                } catch (...) {
                    // No exception crosses a thread entry; the sweep's patience covers what is left.
                }
                return 0;
            },
            keep, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread == nullptr) {
            delete keep;
            break;
        }
        CloseHandle(thread);
        any = true;
    }
    return any;
}

void EchoSweep::State::run(const std::shared_ptr<State>& self)
{
    UniqueLibrary library(LoadLibraryA(icmpLibrary.c_str()));
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
    // Addresses go out at once, as they stand; only names wait for the
    // resolver. Looked up only now, as pingHost does, so that a missing
    // library or entry point is noticed before any name lookup.
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        if (std::optional<std::array<unsigned char, 4>> bytes = dottedQuadAddress(hosts[i])) {
            IPv4Address address;
            address.bytes = *bytes;
            resolved.emplace_back(i, address);
        } else
            names.push_back(i);
    }
    if (!names.empty() && !startLookups(self))
        lookUp();  // no resolver thread could be started: this thread looks the names up itself

    std::size_t outstanding = 0;
    auto pending = std::make_unique<Pending[]>(hosts.size());
    std::vector<char> taken(hosts.size());
    std::size_t takenCount = 0;
    DWORD lastSent = GetTickCount();
    DWORD lastLookup = lastSent;
    std::deque<std::pair<std::size_t, IPv4Address>> arrived;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(resolvedMutex);
            arrived.swap(resolved);
        }
        if (!arrived.empty())
            lastLookup = GetTickCount();
        for (const auto& [i, address] : arrived) {
            if (taken[i])
                continue;
            taken[i] = 1;
            ++takenCount;
            if (stopped.load())
                continue;
            if (address == IPv4Address{}) {
                tell(i, {EchoOutcome::NotFound, {}});  // no address: nothing to echo
                continue;
            }
            ULONG destination = 0;
            std::memcpy(&destination, address.bytes.data(), sizeof destination);
            Pending& p = pending[i];
            p = Pending{this, parse, i, &outstanding};
            DWORD replies = send(icmp, nullptr, &echoCompleted, &p, destination, nullptr, 0, nullptr, p.reply,
                                 kReplyBufferSize, timeoutMs);
            if (replies == 0 && GetLastError() == ERROR_IO_PENDING) {
                p.inFlight = true;
                ++outstanding;
                lastSent = GetTickCount();
            } else
                tell(i, {replies != 0 ? EchoOutcome::Answered : EchoOutcome::Silent, {}});
        }
        arrived.clear();
        DWORD now = GetTickCount();
        if (takenCount < hosts.size() && !stopped.load()) {
            DWORD waited = now - lastLookup;
            if (waited < kLookupPatienceMs) {
                // The answers in flight come in as completion routines meanwhile.
                WaitForSingleObjectEx(resolvedEvent.get(), kLookupPatienceMs - waited, TRUE);
                continue;
            }
            // Lookups that never came back: their hosts count as not found.
            lookupsAbandoned = true;
            for (std::size_t i = 0; i < hosts.size(); ++i)
                if (!taken[i]) {
                    taken[i] = 1;
                    tell(i, {EchoOutcome::NotFound, {}});
                }
            takenCount = hosts.size();
        }
        // Every echo ends by its time-out; the grace covers a platform that is late.
        DWORD deadline = lastSent + timeoutMs + kCompletionGraceMs;
        if (outstanding == 0 || static_cast<LONG>(deadline - now) <= 0)
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

EchoSweep::EchoSweep(std::vector<std::string> hosts, unsigned timeoutMs, Report report, std::string icmpLibrary)
    : state_(std::make_shared<State>())
{
    state_->hosts = std::move(hosts);
    state_->timeoutMs = timeoutMs;
    state_->icmpLibrary = std::move(icmpLibrary);
    state_->report = std::move(report);
    // The thread keeps the state alive on its own, so the sweep may be
    // dropped while echoes are still in flight.
    auto* keep = new std::shared_ptr<State>(state_);
    thread_.reset(CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            std::unique_ptr<std::shared_ptr<State>> state(static_cast<std::shared_ptr<State>*>(parameter));
            try {
                (*state)->run(*state);
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

std::vector<EchoResult> echoAll(const std::vector<std::string>& hosts, unsigned timeoutMs,
                                const std::string& icmpLibrary)
{
    std::vector<EchoResult> results(hosts.size());
    EchoSweep sweep(
        hosts, timeoutMs, [&results](std::size_t index, const EchoResult& result) { results[index] = result; },
        icmpLibrary);
    sweep.wait();
    return results;
}

}  // namespace talkpost
