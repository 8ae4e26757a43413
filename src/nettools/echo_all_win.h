// The echo test of many hosts at the same time, for Send to all: every host
// gets its own echo with the full time-out, so a list of silent hosts costs
// about one time-out instead of one per host. The workers touch no window.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace talkpost {

enum class EchoOutcome { Answered, Silent, Failed };

struct EchoResult {
    EchoOutcome outcome = EchoOutcome::Silent;
    std::string error;  // for Failed: the message pingHost fails with

    // True when the host answered; throws the echo's failure as AppError.
    bool answeredOrThrow() const;
};

// Runs pingHost for every host at once (up to kMaxEchoWorkers at a time) and
// gives the outcomes in the hosts' order. Does not throw for a failed echo:
// the failure is that entry's outcome, so a caller walking the list in order
// meets it at the right entry.
std::vector<EchoResult> echoAll(const std::vector<std::string>& hosts, unsigned timeoutMs);

inline constexpr std::size_t kMaxEchoWorkers = 1024;

// Test seam: the single echo echoAll runs for each host (pingHost unless set;
// nullptr puts pingHost back).
using EchoFunction = bool (*)(const std::string& host, unsigned timeoutMs);
void setEchoForTest(EchoFunction echo);

}  // namespace talkpost
