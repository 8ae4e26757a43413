// What one echo test of a computer came to. Portable: the Send to all plan
// decides on it.
#pragma once

namespace talkpost {

// NotFound: the name did not resolve (the name server said there is no such
// name, or did not answer in time), so no echo was sent.
enum class EchoOutcome { Answered, Silent, NotFound, Failed };

}  // namespace talkpost
