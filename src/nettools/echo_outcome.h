// What one echo test of a computer came to. Portable: the Send to all plan
// decides on it.
#pragma once

namespace talkpost {

enum class EchoOutcome { Answered, Silent, Failed };

}  // namespace talkpost
