// Figures for the concurrent echo: how long the echo of a list of hosts takes
// against one time-out. Arguments: first silent address's third and fourth
// byte range is fixed (127.1.0.1 upwards), count, time-out in ms.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "nettools/echo_sweep_win.h"

using namespace talkpost;

int main(int argc, char** argv)
{
    std::size_t count = argc > 1 ? std::stoul(argv[1]) : 64;
    unsigned timeoutMs = argc > 2 ? static_cast<unsigned>(std::stoul(argv[2])) : 5000;
    std::string prefix = argc > 3 ? argv[3] : "127.1";
    std::vector<std::string> hosts;
    for (std::size_t i = 0; i < count; ++i)
        hosts.push_back(prefix + "." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1));

    auto start = std::chrono::steady_clock::now();
    std::vector<EchoResult> results = echoAll(hosts, timeoutMs);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::size_t answered = 0;
    std::size_t failed = 0;
    for (const EchoResult& r : results) {
        answered += r.outcome == EchoOutcome::Answered;
        failed += r.outcome == EchoOutcome::Failed;
    }
    std::printf("echo of %zu hosts (%s.x.y), time-out %u ms: %.2f s = %.2f time-outs; answered %zu, failed %zu;"
                " one after the other would take at least %.0f s\n",
                count, prefix.c_str(), timeoutMs, seconds, seconds * 1000.0 / timeoutMs, answered, failed,
                static_cast<double>(count - answered) * timeoutMs / 1000.0);
    return 0;
}
