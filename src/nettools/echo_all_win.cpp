// Concurrent echo: a pool of worker threads, one per host up to a bound,
// each taking the next host until none is left.
#include "nettools/echo_all_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <exception>

#include "nettools/ping_win.h"
#include "base/app_error.h"
#include "win/handles_win.h"

namespace talkpost {
namespace {

// An echo worker waits most of its life; a small stack lets a thousand of them run.
constexpr SIZE_T kWorkerStack = 256 * 1024;

std::atomic<EchoFunction> g_echo{nullptr};

struct EchoJob {
    const std::vector<std::string>* hosts;
    unsigned timeoutMs;
    std::vector<EchoResult>* results;
    std::atomic<std::size_t> next{0};
};

void runEchoes(EchoJob& job)
{
    for (;;) {
        std::size_t i = job.next.fetch_add(1);
        if (i >= job.hosts->size())
            return;
        EchoResult& result = (*job.results)[i];
        try {
            EchoFunction echo = g_echo.load();
            const std::string& host = (*job.hosts)[i];
            bool answered = echo != nullptr ? echo(host, job.timeoutMs) : pingHost(host, job.timeoutMs);
            result.outcome = answered ? EchoOutcome::Answered : EchoOutcome::Silent;
        } catch (const std::exception& e) {
            result.outcome = EchoOutcome::Failed;
            result.error = e.what();
        } catch (...) {
            result.outcome = EchoOutcome::Failed;
            result.error = "Unknown error";
        }
    }
}

DWORD WINAPI echoWorker(LPVOID parameter)
{
    runEchoes(*static_cast<EchoJob*>(parameter));
    return 0;
}

}  // namespace

bool EchoResult::answeredOrThrow() const
{
    if (outcome == EchoOutcome::Failed)
        throw AppError(error);
    return outcome == EchoOutcome::Answered;
}

void setEchoForTest(EchoFunction echo) { g_echo = echo; }

std::vector<EchoResult> echoAll(const std::vector<std::string>& hosts, unsigned timeoutMs)
{
    std::vector<EchoResult> results(hosts.size());
    EchoJob job{&hosts, timeoutMs, &results};
    std::size_t wanted = std::min(hosts.size(), kMaxEchoWorkers);
    std::vector<UniqueHandle> workers;
    workers.reserve(wanted);
    for (std::size_t i = 0; i < wanted; ++i) {
        HANDLE thread =
            CreateThread(nullptr, kWorkerStack, &echoWorker, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread == nullptr)
            break;  // the workers already started share the rest
        workers.emplace_back(thread);
    }
    // The calling thread takes its share too, so the echoes finish even when
    // no worker could be started.
    runEchoes(job);
    for (const UniqueHandle& worker : workers)
        WaitForSingleObject(worker.get(), INFINITE);
    return results;
}

}  // namespace talkpost
