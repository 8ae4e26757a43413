// The one bound on message commands: every Send and every launch of a Send to
// all waits here in the order it was asked for and starts while fewer
// commands than ParallelSends run, whichever run or Send they belong to.
// Portable; the dispatch feeds it and starts what it gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace talkpost {

class CommandQueue {
public:
    explicit CommandQueue(int bound);

    // The bound for the commands that start from now on (clamped like
    // ParallelSends); commands already running are not ended by a lower one.
    void setBound(int bound);
    std::size_t bound() const { return bound_; }

    // Queues a command; run tells whose it is (0: a Send of its own).
    void push(std::uint64_t command, unsigned run = 0);
    // The commands that start now, in the order they were queued; each runs
    // until ended() is called for it.
    std::vector<std::uint64_t> take();
    // A command that take() gave has ended.
    void ended();
    // Takes back the commands of run that still wait, in their order; the
    // others keep their places.
    std::vector<std::uint64_t> withdraw(unsigned run);

    std::size_t running() const { return running_; }
    std::size_t waiting() const { return waiting_.size(); }

private:
    struct Waiting {
        std::uint64_t command;
        unsigned run;
    };
    std::deque<Waiting> waiting_;
    std::size_t bound_;
    std::size_t running_ = 0;
};

}  // namespace talkpost
