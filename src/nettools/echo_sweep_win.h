// The echo test of many hosts at the same time, for Send to all: the names
// are resolved together (a bounded number of lookups in flight) and every
// host gets its own echo with the full time-out, all in flight together, so a
// list costs about one resolver time-out plus one echo time-out instead of
// one of each per host. One thread issues the echoes asynchronously and
// collects their answers; a small pool of resolver threads feeds it. Memory
// grows by one small reply buffer per host.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nettools/echo_outcome.h"
#include "nettools/ping_win.h"
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
    // message pingHost throws; a name that does not resolve is NotFound.
    using Report = std::function<void(std::size_t index, const EchoResult& result)>;

    // Starts the sweep at once, with the echoes of icmpLibrary.
    EchoSweep(std::vector<std::string> hosts, unsigned timeoutMs, Report report,
              std::string icmpLibrary = kIcmpLibrary);
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
std::vector<EchoResult> echoAll(const std::vector<std::string>& hosts, unsigned timeoutMs,
                                const std::string& icmpLibrary = kIcmpLibrary);

}  // namespace talkpost
