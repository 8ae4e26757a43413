// The walk, the launch queue and the counts of Send to all.
#include "app/send_to_all_plan.h"

#include <algorithm>
#include <cstdio>

#include "base/command_text.h"
#include "base/decimal.h"

namespace talkpost {

SendToAllPlan::SendToAllPlan(std::vector<std::string> entries, int parallelSends)
    : entries_(std::move(entries)),
      states_(entries_.size()),
      limit_(static_cast<std::size_t>(std::clamp(parallelSends, kMinParallelSends, kMaxParallelSends))),
      walkOver_(entries_.empty())
{
}

void SendToAllPlan::echoed(std::size_t index, EchoOutcome answer, const std::string& failure)
{
    if (index >= states_.size() || states_[index].state != State::Waiting)
        return;
    states_[index] = {State::Echoed, answer, failure};
}

std::vector<PlanStep> SendToAllPlan::takeSteps()
{
    std::vector<PlanStep> steps;
    while (!walkOver_ && next_ < entries_.size()) {
        std::size_t i = next_;
        Entry& entry = states_[i];
        // A name from the network or the settings file must never run a command.
        if (auto refusal = commandTextRefusal("computer", entries_[i])) {
            steps.push_back({PlanAction::Log, i, "skipped " + entries_[i] + ": " + *refusal});
            entry.state = State::Over;
            ++counts_.notDelivered;
        } else if (entry.state == State::Waiting) {
            break;
        } else if (entry.answer == EchoOutcome::Failed) {
            steps.push_back({PlanAction::Fail, i, entry.failure});
            entry.state = State::Over;
            walkOver_ = true;
            next_ = i + 1;
            break;
        } else if (entry.answer == EchoOutcome::Silent) {
            entry.state = State::Over;
            ++counts_.silent;
        } else if (entry.answer == EchoOutcome::NotFound) {
            steps.push_back({PlanAction::Log, i, notFoundLine(entries_[i])});
            entry.state = State::Over;
            ++counts_.notFound;
        } else if (running_ < limit_) {
            steps.push_back({PlanAction::Launch, i, {}});
            entry.state = State::Launched;
            ++running_;
        } else {
            break;
        }
        ++next_;
    }
    if (next_ == entries_.size())
        walkOver_ = true;
    return steps;
}

void SendToAllPlan::ended(std::size_t index, bool delivered)
{
    if (index >= states_.size() || states_[index].state != State::Launched)
        return;
    states_[index].state = State::Over;
    --running_;
    ++(delivered ? counts_.delivered : counts_.notDelivered);
}

std::size_t SendToAllPlan::stop(const std::vector<std::size_t>& withdrawn)
{
    std::size_t notSent = 0;
    for (std::size_t index : withdrawn) {
        if (index >= states_.size() || states_[index].state != State::Launched)
            continue;
        states_[index].state = State::Over;
        --running_;
        ++notSent;
    }
    if (walkOver_)
        return notSent;
    walkOver_ = true;
    for (std::size_t i = next_; i < states_.size(); ++i)
        if (states_[i].state == State::Waiting || states_[i].state == State::Echoed)
            ++notSent;
    return notSent;
}

std::optional<std::size_t> SendToAllPlan::lastWalked() const
{
    if (next_ == 0)
        return std::nullopt;
    return next_ - 1;
}

std::string sendToAllProgress(std::size_t done, std::size_t total)
{
    return "Send to all: " + std::to_string(done) + " of " + std::to_string(total);
}

std::string sendToAllStoppedLine(std::size_t notSent)
{
    return "Send to all stopped: " + std::to_string(notSent) + " not sent";
}

std::string notFoundLine(const std::string& computer) { return computer + ": not found"; }

std::string sendToAllSummary(const SendToAllCounts& counts, double seconds)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds < 0 ? 0.0 : seconds);
    return "Send to all: " + std::to_string(counts.delivered) + " delivered, " + std::to_string(counts.notDelivered) +
           " not delivered, " + std::to_string(counts.silent) + " silent, " + std::to_string(counts.notFound) + " not found, in " + time + " s";
}

}  // namespace talkpost
