// One HTTP GET of the update, with its blocking calls off the window's
// thread: the request opened with our flags (no cache, no automatic
// redirect), its connect, send and receive time-outs set before it is sent,
// the body read in 64 KB blocks into a file or into memory up to a cap. The
// calling thread (the update's worker, never the window's) waits, raises the
// progress event for every block (those read meanwhile, every few
// milliseconds), polls for a cancel, and gives up on a server that sends
// nothing for too long or runs past the fetch's deadline.
// A fetch given up leaves its worker to finish alone: the worker owns its
// Internet session, the request and the file, closes them and deletes the
// part it wrote; nothing the calling thread closes later can make it wait for
// a worker that still hangs on a server.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "win/handles_win.h"

namespace talkpost::update {

struct InternetHandleTraits {
    static HINTERNET invalid() { return nullptr; }
    static void close(HINTERNET h) { InternetCloseHandle(h); }
};
using UniqueInternet = UniqueResource<HINTERNET, InternetHandleTraits>;

// The connect, send and receive time-outs of a request, set before it is
// sent: the platform honours them there.
inline void setRequestTimeouts(HINTERNET request, DWORD milliseconds)
{
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(request, option, &milliseconds, sizeof milliseconds);
}

// Bytes of one network read: large enough that a fast server is read at its
// speed, small enough that progress moves and a cancel is seen at once.
inline constexpr DWORD kNetworkBlock = 64 * 1024;

// The Internet session each fetch opens for itself.
struct FetchSession {
    std::string agent;
    std::string proxy;  // empty: the system's preconfigured access
};

struct FetchRules {
    // One byte more than this fails the fetch (a declared length above it at once).
    std::uint64_t maxBytes = 0;
    // Nothing received for this long ends the fetch; also the request's own
    // connect, send and receive time-outs.
    DWORD stallMs = 30000;
    // The whole fetch, redirects and retries included, ends after this long (0: no deadline).
    DWORD deadlineMs = 0;
};

struct FetchEvents {
    // After every block: bytes so far and the declared size (0 when unknown).
    std::function<void(std::uint64_t total, std::int64_t size)> onBlock;
    // Polled after every block and while waiting; true stops the fetch.
    std::function<bool()> cancelRequested;
};

enum class FetchEnd {
    Complete,         // the whole body arrived
    NoRequest,        // the request could not be made or sent (917)
    HttpStatus,       // a status of 300 or more (916)
    Unauthorized,     // 401: the caller may ask for credentials and try again
    RedirectRefused,  // a redirect to another scheme, host or port (976)
    TooLarge,         // more than the fetch's cap (981)
    TimedOut,         // the server stalled or the deadline passed (975)
    Cancelled,        // the cancel poll said so (964)
    Broken,           // a failed read, a body shorter than its length, a failed write
};

struct FetchResult {
    FetchEnd end = FetchEnd::NoRequest;
    DWORD status = 0;               // the last HTTP status
    std::string address;            // the address last asked (after same-server redirects)
    std::string refusedLocation;    // the redirect that was refused
    std::uint64_t received = 0;
    std::string body;               // the body when fetched into memory
};

// Fetches address. With `file` set the body goes into that open file (which
// the fetch then owns: it is closed when the fetch returns, and deleted at
// `filePath` when the fetch was given up while its worker still wrote);
// without it into FetchResult::body. `headers` go with every request.
FetchResult httpFetch(const FetchSession& session, const std::string& address, const std::string& headers, DWORD flags,
                      const FetchRules& rules, const FetchEvents& events, UniqueFile file = {},
                      const std::string& filePath = {});

}  // namespace talkpost::update
