// The banner fetch: one HTTP GET on a fresh Winsock connection that is
// closed again on every path out. Errors are http::HttpError.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>

#include "banner/http_message.h"

namespace talkpost::http {

struct FetchOptions {
    // How long a read may wait for the server's next bytes; a server that
    // goes quiet fails like a socket time-out (10060) instead of blocking
    // the window for ever.
    unsigned readTimeoutMs = 15000;
};

// The reply body of a successful GET into the sink.
void httpGet(const std::string& url, BodySink& sink, const FetchOptions& options = {});
// The whole body as bytes, unconverted; the banner list, so at most
// kMaxListBytes (ReplyTooLarge beyond).
std::string httpGetText(const std::string& url, const FetchOptions& options = {});
// The whole body written into the caller's stream at its current position;
// a picture, so at most kMaxPictureBytes (ReplyTooLarge beyond).
void httpGetStream(const std::string& url, IStream* stream, const FetchOptions& options = {});

}  // namespace talkpost::http
