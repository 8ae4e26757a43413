// Figures for Send to all over a large list, one strategy per run (run.sh
// runs them side by side): the bounded walk of the program (MainWindow with
// ParallelSends), a plain sequential walk on the window's thread (echo, then
// launch, entry after entry), and everything at once (one echo thread per
// entry, then every launch in one go). Prints total time, peak memory above
// the idle program, the most msg.exe stand-ins alive at once and the window's
// worst answer time and its 99th percentile.
//   sendall_bench.exe bounded|sequential|atonce <count> <first two address bytes, e.g. 127.0>
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/launcher_win.h"
#include "app/main_window_win.h"
#include "app/msg_command.h"
#include "nettools/ping_win.h"
#include "win/folders_win.h"

using namespace talkpost;

namespace {

constexpr unsigned kEchoTimeoutMs = 5000;
constexpr const char* kCounterName = "TalkpostSendAllBenchCounter";

std::size_t workingSet(bool peak)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize;
}

void pump();

// Asks the window for an answer again and again from a thread of its own and keeps every wait.
class AnswerWatch {
public:
    // worstMs and p99Ms receive the longest wait and the 99th percentile when
    // the watch ends, the last one included.
    AnswerWatch(HWND window, double& worstMs, double& p99Ms)
        : result_(worstMs), p99_(p99Ms), thread_([this, window] {
              while (!stop_) {
                  auto before = std::chrono::steady_clock::now();
                  DWORD_PTR result = 0;
                  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &result);
                  waits_.push_back(
                      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
                  Sleep(10);
              }
              done_ = true;
          })
    {
    }
    ~AnswerWatch()
    {
        // The watcher may be waiting for the window's answer: keep answering until it has ended.
        stop_ = true;
        while (!done_) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            pump();
        }
        thread_.join();
        std::sort(waits_.begin(), waits_.end());
        result_ = waits_.empty() ? 0 : waits_.back();
        p99_ = waits_.empty() ? 0 : waits_[std::min(waits_.size() - 1, waits_.size() * 99 / 100)];
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::vector<double> waits_;  // the watcher's own until it is done
    double& result_;
    double& p99_;
    std::thread thread_;
};

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Waits (pumping) until every process handle has ended.
void waitForAll(std::vector<HANDLE>& processes)
{
    for (HANDLE process : processes) {
        while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
            pump();
        CloseHandle(process);
    }
    processes.clear();
}

std::string command(const std::string& host, const std::string& file)
{
    return buildMsgCommand({windowsFolder(), host, "60", "*", file});
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: sendall_bench bounded|sequential|atonce <count> <prefix>\n");
        return 2;
    }
    std::string mode = argv[1];
    std::size_t count = std::stoul(argv[2]);
    std::string prefix = argv[3];
    std::vector<std::string> hosts;
    for (std::size_t i = 0; i < count; ++i)
        hosts.push_back(prefix + "." + std::to_string(i / 250 + 1) + "." + std::to_string(i % 250 + 1));

    HANDLE counter = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 2 * sizeof(LONG), kCounterName);
    auto* counts = static_cast<volatile LONG*>(MapViewOfFile(counter, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    SetEnvironmentVariableA("TALKPOST_STANDIN_COUNTER", kCounterName);

    SystemPrompts prompts;
    MainWindow window(prompts);
    window.show(SW_HIDE);
    window.computers().replaceAll(hosts);
    window.setMessageText("benchmark");
    pump();
    std::size_t idle = workingSet(false);

    auto start = std::chrono::steady_clock::now();
    double worstMs = 0, p99Ms = 0;
    {
        AnswerWatch watch(window.hwnd(), worstMs, p99Ms);
        if (mode == "bounded") {
            SendMessageA(window.hwnd(), WM_COMMAND, MAKEWPARAM(id(MainId::SendToAllButton), 0), 0);
            while (window.sendToAllRunning() || window.sendsRunning() > 0) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
                pump();
            }
        } else {
            auto file = MessageFile::write("benchmark");
            std::vector<HANDLE> processes;
            std::vector<char> answered(hosts.size());
            if (mode == "sequential") {
                // The old walk: the window's thread echoes and launches entry after entry.
                for (std::size_t i = 0; i < hosts.size(); ++i)
                    if (pingHost(hosts[i], kEchoTimeoutMs))
                        if (HANDLE p = fileExecProcess("cmd.exe", command(hosts[i], file->path()), SW_HIDE))
                            processes.push_back(p);
            } else {
                // One echo thread per entry (up to 1,024, as the program once had), then every launch at once.
                std::vector<std::thread> echoes;
                std::atomic<std::size_t> next{0};
                for (std::size_t t = 0; t < std::min<std::size_t>(hosts.size(), 1024); ++t)
                    echoes.emplace_back([&] {
                        for (std::size_t i; (i = next++) < hosts.size();)
                            answered[i] = pingHost(hosts[i], kEchoTimeoutMs);
                    });
                for (auto& t : echoes)
                    t.join();
                for (std::size_t i = 0; i < hosts.size(); ++i)
                    if (answered[i])
                        if (HANDLE p = fileExecProcess("cmd.exe", command(hosts[i], file->path()), SW_HIDE))
                            processes.push_back(p);
            }
            waitForAll(processes);
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-10s %6zu x %s.x.y: %8.1f s, peak memory +%6.1f MB, at most %4ld msg.exe at once, "
                "window's answer: worst %7.1f ms, 99th percentile %6.1f ms\n",
                mode.c_str(), count, prefix.c_str(), seconds,
                (static_cast<double>(workingSet(true)) - static_cast<double>(idle)) / (1024.0 * 1024.0),
                static_cast<long>(counts[1]), worstMs, p99Ms);
    UnmapViewOfFile(const_cast<LONG*>(counts));
    CloseHandle(counter);
    return 0;
}
