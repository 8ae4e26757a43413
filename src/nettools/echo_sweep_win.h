// The echo test of many hosts at the same time, for Send to all: every host
// gets its own echo with the full time-out, all in flight together, so a list
// of silent hosts costs about one time-out instead of one per host. One
// thread issues the echoes asynchronously and collects their answers; no
// thread per host, and memory grows by one small reply buffer per host.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nettools/echo_outcome.h"
#include "win/handles_win.h"

namespace talkpost {

struct EchoResult {
    EchoOutcome outcome = EchoOutcome::Silent;
    std::string error;  // for Failed: the message pingHost fails with
};

class EchoSweep {
public:
    // Called on the sweep's thread once per host, as the answers come (not in
    // list order). An unloadable icmp.dll gives every host Failed with the
    // message pingHost throws; a name that does not resolve is Silent.
    using Report = std::function<void(std::size_t index, const EchoResult& result)>;

    // Starts the sweep at once.
    EchoSweep(std::vector<std::string> hosts, unsigned timeoutMs, Report report);
    // Stops reporting; the thread finishes the echoes in flight on its own.
    ~EchoSweep();
    EchoSweep(const EchoSweep&) = delete;
    EchoSweep& operator=(const EchoSweep&) = delete;

    // No further echoes are sent and no further answers reported.
    void stop();
    // Waits until every host is reported (for tools; never on a window's thread).
    void wait() const;

private:
    struct State;
    std::shared_ptr<State> state_;
    UniqueHandle thread_;
};

// The sweep run to its end: the outcomes in the hosts' order.
std::vector<EchoResult> echoAll(const std::vector<std::string>& hosts, unsigned timeoutMs);

}  // namespace talkpost
