// The queue of message commands under the one bound.
#include "app/command_queue.h"

#include <algorithm>

#include "app/send_to_all_plan.h"

namespace talkpost {

CommandQueue::CommandQueue(int bound) : bound_(0) { setBound(bound); }

void CommandQueue::setBound(int bound)
{
    bound_ = static_cast<std::size_t>(std::clamp(bound, kMinParallelSends, kMaxParallelSends));
}

void CommandQueue::push(std::uint64_t command, unsigned run) { waiting_.push_back({command, run}); }

std::vector<std::uint64_t> CommandQueue::take()
{
    std::vector<std::uint64_t> starting;
    while (running_ < bound_ && !waiting_.empty()) {
        starting.push_back(waiting_.front().command);
        waiting_.pop_front();
        ++running_;
    }
    return starting;
}

void CommandQueue::ended()
{
    if (running_ > 0)
        --running_;
}

std::vector<std::uint64_t> CommandQueue::withdraw(unsigned run)
{
    std::vector<std::uint64_t> taken;
    std::erase_if(waiting_, [&](const Waiting& w) {
        if (w.run != run)
            return false;
        taken.push_back(w.command);
        return true;
    });
    return taken;
}

}  // namespace talkpost
