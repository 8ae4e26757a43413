// The HTTP fetch of the update: a worker thread makes each blocking call
// (send, reads) while the calling thread waits for it with its messages
// processed, so the window answers whatever the server does. A body bound
// for a file is written by a thread of its own while the worker reads on.
#include "update/engine/http_fetch_win.h"

#include <atomic>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "update/engine/control_file.h"
#include "update/engine/transfer.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

// Redirects within one server followed for one fetch; more is a loop.
constexpr int kMaxRedirects = 5;
// How long a wait goes without looking at the cancel poll and the clocks.
constexpr DWORD kWaitSliceMs = 50;
// How often the blocks a worker has read are reported while it reads: often
// enough that progress moves smoothly and a cancel is seen at once, rarely
// enough that the waits cost nothing beside the reads. The worker does not
// wake the waiting thread per block: a wake-up is a round trip through the
// platform, and with 64 KB blocks on a fast line there are thousands a second.
constexpr DWORD kReportSliceMs = 10;
// A file's body is written in pieces of two network blocks. Small pieces
// stay in the processor's cache from the read to the write: pieces of 1 MiB
// measured slower than these.
constexpr std::size_t kWriteChunk = 2 * std::size_t{kNetworkBlock};
// Pieces read but not yet written: what a disk slower than the line may cost
// in memory (512 KB) before the reads wait for it.
constexpr std::size_t kChunksInFlight = 4;
// How long a fetch given up waits for its worker to stop by itself: long
// enough for one between two reads, short enough that nobody notices.
constexpr ULONGLONG kGiveUpGraceMs = 250;

// The platform's slim lock. The threads of a fetch hand blocks and pieces
// over hundreds of times a second and wait on it and on the platform's
// condition variables, which wait within the process; the standard library's
// kinds of this toolchain go through kernel objects at every wait, a round
// trip each.
class SlimLock {
public:
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    // With the lock held: waits on `condition` until `done()` holds.
    template <typename Done>
    void wait(CONDITION_VARIABLE& condition, Done done)
    {
        while (!done())
            SleepConditionVariableSRW(&condition, &lock_, INFINITE, 0);
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// What a worker and the waiting thread share. The worker may outlive the
// fetch (when it was given up), so it holds its own reference.
struct Job {
    UniqueHandle wake{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    std::atomic<ULONGLONG> lastActivity{GetTickCount64()};

    UniqueInternet session;
    UniqueInternet connection;
    UniqueInternet request;
    // After the send.
    bool sent = false;
    DWORD status = 0;
    std::string location;
    std::optional<std::uint64_t> length;
    // The body.
    std::uint64_t limit = 0;
    bool toFile = false;
    UniqueFile file;
    std::string filePath;
    std::string memory;
    SlimLock lock;
    std::vector<std::uint64_t> blocks;  // positions not yet reported, in order
    std::uint64_t total = 0;
    bool broken = false;
    bool tooLarge = false;
    // The request's own time-out ended the send or a read: the server did
    // not answer in time, whichever of the two clocks noticed it first.
    bool timedOut = false;
    DWORD timeoutMs = 0;  // the request's own time-out for the send and each read

    void finish()
    {
        finished = true;
        SetEvent(wake.get());
    }
    // The worker lets go of what it holds; a fetch given up leaves no file.
    void release()
    {
        request.reset();
        connection.reset();
        session.reset();
        file.reset();
        if (stop && toFile)
            DeleteFileW(widen(filePath).c_str());
    }
};

// A piece of the body on its way to the file.
struct Chunk {
    std::unique_ptr<char[]> bytes;
    std::size_t used = 0;
};

// Writes a body into its file on a thread of its own, so that the reads of
// the next blocks overlap the writes of the last ones and the download runs
// at the speed of the line rather than that speed less the disk's time.
class ChunkWriter {
public:
    explicit ChunkWriter(HANDLE file) : file_(file), thread_([this] { run(); }) {}
    ~ChunkWriter() { stop(false); }
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // An empty piece to read into; waits while kChunksInFlight are queued.
    Chunk emptyChunk()
    {
        std::lock_guard<SlimLock> guard(lock_);
        lock_.wait(room_, [this] { return !spare_.empty() || made_ < kChunksInFlight || failed_; });
        if (!spare_.empty()) {
            Chunk chunk = std::move(spare_.back());
            spare_.pop_back();
            return chunk;
        }
        ++made_;
        return {std::make_unique<char[]>(kWriteChunk), 0};
    }
    // Queues a filled piece; false once a write has failed.
    bool write(Chunk chunk)
    {
        std::lock_guard<SlimLock> guard(lock_);
        if (failed_)
            return false;
        queued_.push_back(std::move(chunk));
        WakeConditionVariable(&work_);
        return true;
    }
    // Writes what is queued and ends the thread; true when every write succeeded.
    bool finish() { return stop(true); }

private:
    bool stop(bool drain)
    {
        {
            std::lock_guard<SlimLock> guard(lock_);
            if (!drain)
                queued_.clear();
            closing_ = true;
            WakeConditionVariable(&work_);
        }
        if (thread_.joinable())
            thread_.join();
        return !failed_;
    }

    void run()
    {
        std::unique_lock<SlimLock> guard(lock_);
        for (;;) {
            lock_.wait(work_, [this] { return !queued_.empty() || closing_; });
            if (queued_.empty())
                return;
            Chunk chunk = std::move(queued_.front());
            queued_.pop_front();
            guard.unlock();
            DWORD written = 0;
            bool ok = WriteFile(file_, chunk.bytes.get(), static_cast<DWORD>(chunk.used), &written, nullptr) &&
                      written == chunk.used;
            guard.lock();
            chunk.used = 0;
            spare_.push_back(std::move(chunk));
            if (!ok) {
                failed_ = true;  // a full disk is no complete file
                queued_.clear();
            }
            WakeConditionVariable(&room_);
        }
    }

    HANDLE file_;
    SlimLock lock_;
    CONDITION_VARIABLE work_ = CONDITION_VARIABLE_INIT;  // a piece queued, or the end
    CONDITION_VARIABLE room_ = CONDITION_VARIABLE_INIT;  // a piece free again, or a failed write
    std::deque<Chunk> queued_;
    std::vector<Chunk> spare_;
    std::size_t made_ = 0;
    bool closing_ = false;
    bool failed_ = false;
    std::thread thread_;  // last: it starts once everything above is made
};

std::string queryText(HINTERNET request, DWORD what)
{
    char buffer[2048] = {};
    DWORD size = sizeof buffer - 1;
    if (!HttpQueryInfoA(request, what, buffer, &size, nullptr))
        return {};
    return std::string(buffer, size);
}

// Whether a call that failed just now, begun at `began`, ended by the
// request's time-out. Some stacks name that time-out an aborted connection:
// a call that failed once the time-out had run is a server that did not
// answer in time, whatever the error says.
bool endedByTimeout(ULONGLONG began, DWORD timeoutMs)
{
    return GetLastError() == ERROR_INTERNET_TIMEOUT || (timeoutMs != 0 && GetTickCount64() - began >= timeoutMs);
}

void sendRequest(const std::shared_ptr<Job>& job, const FetchSession& session, AddressParts parts, std::string headers,
                 DWORD flags, DWORD timeoutMs)
{
    bool viaProxy = !session.proxy.empty();
    job->session.reset(InternetOpenA(session.agent.c_str(), viaProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                                     viaProxy ? session.proxy.c_str() : nullptr, nullptr, 0));
    if (job->session)
        job->connection.reset(InternetConnectA(job->session.get(), parts.host.c_str(),
                                               static_cast<INTERNET_PORT>(parts.port), nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (job->connection)
        job->request.reset(HttpOpenRequestA(job->connection.get(), "GET", parts.path.c_str(), nullptr, nullptr,
                                            nullptr, flags, 0));
    if (job->request) {
        setRequestTimeouts(job->request.get(), timeoutMs);
        job->timeoutMs = timeoutMs;
        const ULONGLONG began = GetTickCount64();
        job->sent = HttpSendRequestA(job->request.get(), headers.empty() ? nullptr : headers.c_str(),
                                     static_cast<DWORD>(headers.size()), nullptr, 0) != FALSE;
        job->timedOut = !job->sent && endedByTimeout(began, timeoutMs);
    }
    if (job->sent) {
        DWORD status = 0, size = sizeof status;
        HttpQueryInfoA(job->request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
        job->status = status;
        job->location = queryText(job->request.get(), HTTP_QUERY_LOCATION);
        // As text: a length beyond 32 bits must still be checked whole.
        std::string length = queryText(job->request.get(), HTTP_QUERY_CONTENT_LENGTH);
        job->length = readDecimal64(length);
    }
    job->lastActivity = GetTickCount64();
    if (job->stop)
        job->release();
    job->finish();
}

// Reads the body in blocks of kNetworkBlock: into memory, or into pieces of
// kWriteChunk that a ChunkWriter puts into the file meanwhile.
void readInto(Job& job)
{
    std::optional<ChunkWriter> writer;
    Chunk chunk;
    if (job.toFile) {
        writer.emplace(job.file.get());
        chunk = writer->emptyChunk();
    } else {
        chunk.bytes = std::make_unique<char[]>(kNetworkBlock);
    }
    while (!job.stop) {
        DWORD got = 0;
        const ULONGLONG began = GetTickCount64();
        if (!InternetReadFile(job.request.get(), chunk.bytes.get() + chunk.used, kNetworkBlock, &got)) {
            job.timedOut = endedByTimeout(began, job.timeoutMs);
            job.broken = true;
            break;
        }
        if (got == 0)
            break;
        if (job.total + got > job.limit) {
            job.tooLarge = true;
            break;
        }
        if (!writer) {
            job.memory.append(chunk.bytes.get(), got);
        } else if ((chunk.used += got) > kWriteChunk - kNetworkBlock) {
            // No room for another whole block: this piece goes to the file.
            if (!writer->write(std::move(chunk))) {
                job.broken = true;
                break;
            }
            chunk = writer->emptyChunk();
        }
        job.lastActivity = GetTickCount64();
        std::lock_guard<SlimLock> guard(job.lock);
        job.total += got;
        job.blocks.push_back(job.total);
    }
    // The file is complete only when its last piece is written too; a
    // fetch that ended otherwise drops what is still queued.
    if (writer && !job.stop && !job.broken && !job.tooLarge) {
        bool queued = chunk.used == 0 || writer->write(std::move(chunk));
        if (!writer->finish() || !queued)
            job.broken = true;
    }
}

void readBody(const std::shared_ptr<Job>& job)
{
    // Nothing thrown leaves the thread: a piece of memory or a thread for the
    // writes that cannot be had ends the fetch as broken.
    try {
        readInto(*job);
    } catch (const std::exception&) {
        job->broken = true;
    }
    job->release();
    job->finish();
}

enum class WaitEnd { Finished, Cancelled, TimedOut };

class Waiter {
public:
    Waiter(const FetchRules& rules, const FetchEvents& events) : rules_(rules), events_(events) {}

    // Runs work on a worker and waits for it; `onWake` runs on this thread at
    // every wake-up. Given up, the worker is left to finish alone.
    WaitEnd run(const std::shared_ptr<Job>& job, std::function<void()> work,
                const std::function<void(std::int64_t)>& onWake = {}, std::int64_t size = 0)
    {
        job->finished = false;
        job->lastActivity = GetTickCount64();
        const DWORD slice = onWake ? kReportSliceMs : kWaitSliceMs;
        std::thread worker(std::move(work));
        for (;;) {
            HANDLE wake = job->wake.get();
            WaitForSingleObject(wake, slice);
            if (onWake)
                onWake(size);
            if (cancelledNow())
                return giveUp(job, worker, WaitEnd::Cancelled);
            if (job->finished) {
                worker.join();
                if (onWake)
                    onWake(size);
                return WaitEnd::Finished;
            }
            ULONGLONG now = GetTickCount64();
            if (now - job->lastActivity > rules_.stallMs || (rules_.deadlineMs != 0 && now - start_ > rules_.deadlineMs))
                return giveUp(job, worker, WaitEnd::TimedOut);
        }
    }

    bool cancelledNow() const { return events_.cancelRequested && events_.cancelRequested(); }

private:
    // A worker between two reads sees the stop at once and cleans up; one
    // that hangs on the server is left to finish alone.
    WaitEnd giveUp(const std::shared_ptr<Job>& job, std::thread& worker, WaitEnd end)
    {
        job->stop = true;
        ULONGLONG until = GetTickCount64() + kGiveUpGraceMs;
        while (!job->finished && GetTickCount64() < until) {
            HANDLE wake = job->wake.get();
            WaitForSingleObject(wake, kWaitSliceMs);
        }
        if (job->finished)
            worker.join();
        else
            worker.detach();
        return end;
    }

    const FetchRules& rules_;
    const FetchEvents& events_;
    ULONGLONG start_ = GetTickCount64();
};

FetchEnd endOf(WaitEnd wait) { return wait == WaitEnd::Cancelled ? FetchEnd::Cancelled : FetchEnd::TimedOut; }

bool isRedirect(DWORD status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

FetchResult httpFetch(const FetchSession& session, const std::string& address, const std::string& headers, DWORD flags,
                      const FetchRules& rules, const FetchEvents& events, UniqueFile file, const std::string& filePath)
{
    FetchResult result;
    result.address = address;
    Waiter waiter(rules, events);
    auto parts = splitAddress(address);
    if (!parts)
        return result;
    flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (parts->scheme == "https")
        flags |= INTERNET_FLAG_SECURE;

    std::shared_ptr<Job> job;
    for (int redirects = 0;; ++redirects) {
        job = std::make_shared<Job>();
        WaitEnd sent = waiter.run(job, [job, session, parts = *parts, headers, flags, stall = rules.stallMs] {
            sendRequest(job, session, parts, headers, flags, stall);
        });
        if (sent != WaitEnd::Finished) {
            result.end = endOf(sent);
            return result;
        }
        if (!job->sent) {
            if (job->timedOut)
                result.end = FetchEnd::TimedOut;
            return result;
        }
        result.status = job->status;
        if (!isRedirect(job->status))
            break;
        auto next = redirects < kMaxRedirects ? sameServerRedirect(result.address, job->location) : std::nullopt;
        if (!next) {
            result.end = FetchEnd::RedirectRefused;
            result.refusedLocation = job->location;
            return result;
        }
        result.address = *next;
        parts = splitAddress(*next);
    }
    if (job->status == HTTP_STATUS_DENIED) {
        result.end = FetchEnd::Unauthorized;
        return result;
    }
    if (job->status >= 300 || job->status == 0) {
        result.end = FetchEnd::HttpStatus;
        return result;
    }
    if (job->length && *job->length > rules.maxBytes) {
        result.end = FetchEnd::TooLarge;
        return result;
    }

    job->limit = rules.maxBytes;
    job->toFile = static_cast<bool>(file);
    job->file = std::move(file);
    job->filePath = filePath;
    const std::int64_t size = job->length ? static_cast<std::int64_t>(*job->length) : 0;
    std::uint64_t reported = 0;
    bool cancelled = false;
    auto report = [&](std::int64_t declared) {
        std::vector<std::uint64_t> blocks;
        {
            std::lock_guard<SlimLock> guard(job->lock);
            blocks.swap(job->blocks);
        }
        // The event for every block, and the cancel poll after each: a cancel
        // stops the reports at once, whatever the worker has read meanwhile.
        for (std::uint64_t position : blocks) {
            if (cancelled)
                break;
            reported = position;
            if (events.onBlock)
                events.onBlock(position, declared);
            if (waiter.cancelledNow()) {
                cancelled = true;
                job->stop = true;
            }
        }
    };
    WaitEnd read = waiter.run(job, [job] { readBody(job); }, report, size);
    result.received = reported;
    if (read != WaitEnd::Finished) {
        result.end = endOf(read);
        return result;
    }
    if (cancelled) {
        result.end = FetchEnd::Cancelled;
        return result;
    }
    result.received = job->total;
    if (job->tooLarge)
        result.end = FetchEnd::TooLarge;
    else if (job->timedOut)
        result.end = FetchEnd::TimedOut;
    else if (job->broken || (job->length && job->total != *job->length))
        result.end = FetchEnd::Broken;
    else
        result.end = FetchEnd::Complete;
    result.body = std::move(job->memory);
    return result;
}

}  // namespace talkpost::update
