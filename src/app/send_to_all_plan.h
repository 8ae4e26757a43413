// The plan of Send to all, as pure logic: the list is walked in its order as
// the echoes come back (in any order), answering entries are launched while
// fewer than the allowed number of message commands run, the others wait in
// list order, and the counts give the progress, the stop line and the
// summary. Portable; the window feeds it echoes and ends and acts on its steps.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "nettools/echo_outcome.h"
#include "settings/settings.h"

namespace talkpost {

// How many message commands run at once: the setting ParallelSends within
// these bounds, the default when the value is missing or not a number. A
// workstation runs 32 interpreters and msg.exe runs comfortably; 256 is the
// most any fleet needs before the remote calls, not the launches, set the pace.
using settings::kDefaultParallelSends;
using settings::kMaxParallelSends;
using settings::kMinParallelSends;
using settings::parallelSendsValue;

enum class PlanAction {
    Launch,  // send to the entry now
    Log,     // log text: the name is one the interpreter would act on, or it was not found
    Fail,    // the echo could not be made: show text, the walk ends here
};

struct PlanStep {
    PlanAction action = PlanAction::Launch;
    std::size_t index = 0;
    std::string text;
};

struct SendToAllCounts {
    std::size_t delivered = 0;
    std::size_t notDelivered = 0;  // the command failed, did not start, or the name was skipped
    std::size_t silent = 0;
    std::size_t notFound = 0;  // the name did not resolve
};

class SendToAllPlan {
public:
    SendToAllPlan(std::vector<std::string> entries, int parallelSends);

    const std::vector<std::string>& entries() const { return entries_; }
    std::size_t total() const { return entries_.size(); }

    // The echo of entry index came back. Later reports for the same entry are ignored.
    void echoed(std::size_t index, EchoOutcome answer, const std::string& failure = {});

    // The steps due now, in list order: the walk goes on while the next
    // entry's echo is known and, for an answering entry, a place is free.
    std::vector<PlanStep> takeSteps();

    // A launched entry's command ended (delivered: its exit code was 0).
    void ended(std::size_t index, bool delivered);

    // No further launches. Gives the number of entries not sent: those not
    // yet launched that were not found silent, unknown or skipped either, and
    // the launched ones named in withdrawn, whose commands were still waiting
    // for their turn and were taken back before they started.
    std::size_t stop(const std::vector<std::size_t>& withdrawn = {});

    // The walk has passed every entry, met a failure, or was stopped.
    bool walkOver() const { return walkOver_; }
    // The walk is over and no launched command is still running.
    bool finished() const { return walkOver_ && running_ == 0; }
    std::size_t running() const { return running_; }
    // Entries dealt with for good: silent, not found, skipped, or their command ended.
    std::size_t done() const
    {
        return counts_.delivered + counts_.notDelivered + counts_.silent + counts_.notFound;
    }
    const SendToAllCounts& counts() const { return counts_; }
    // The entry the walk reached last (the one that ends selected), none before the first.
    std::optional<std::size_t> lastWalked() const;

private:
    enum class State { Waiting, Echoed, Launched, Over };
    struct Entry {
        State state = State::Waiting;
        EchoOutcome answer = EchoOutcome::Silent;
        std::string failure;
    };

    std::vector<std::string> entries_;
    std::vector<Entry> states_;
    std::size_t limit_;
    std::size_t next_ = 0;  // the walk position
    std::size_t running_ = 0;
    bool walkOver_ = false;
    SendToAllCounts counts_;
};

// "Send to all: <done> of <total>", the status bar's text while it runs.
std::string sendToAllProgress(std::size_t done, std::size_t total);
// "Send to all stopped: <k> not sent".
std::string sendToAllStoppedLine(std::size_t notSent);
// "<computer>: not found", the result line of a name that did not resolve.
std::string notFoundLine(const std::string& computer);
// "Send to all: <d> delivered, <n> not delivered, <s> silent, <u> not found, in <t> s", t with one decimal.
std::string sendToAllSummary(const SendToAllCounts& counts, double seconds);

}  // namespace talkpost
