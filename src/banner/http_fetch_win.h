// The banner fetch: one HTTP GET on a fresh Winsock connection that is
// closed again on every path out. Errors are http::HttpError.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <atomic>
#include <string>

#include "banner/http_message.h"

namespace talkpost::http {

struct FetchOptions {
    // How long a read may wait for the server's next bytes; a server that
    // goes quiet fails like a socket time-out (10060) instead of blocking
    // the window for ever.
    unsigned readTimeoutMs = 15000;
    // How long the whole fetch (connect, request, headers, body) may take: a
    // server that trickles a byte now and then still ends here, as 10060.
    unsigned totalTimeoutMs = 15000;
    // Set from another thread to end a running fetch early (as 10060 too);
    // the flag must outlive the fetch.
    const std::atomic<bool>* cancel = nullptr;
};

// The whole body as bytes, unconverted; the banner list, so at most
// kMaxListBytes (ReplyTooLarge beyond).
std::string httpGetText(const std::string& url, const FetchOptions& options = {});
// The whole body written into the caller's stream at its current position;
// a picture, so at most kMaxPictureBytes (ReplyTooLarge beyond).
void httpGetStream(const std::string& url, IStream* stream, const FetchOptions& options = {});
// The same picture body as bytes, for a fetch on a thread that has no stream.
std::string httpGetPicture(const std::string& url, const FetchOptions& options = {});

}  // namespace talkpost::http
