// The network scan over the platform's network enumeration, on a worker
// thread that hands what it finds to the window through one mailbox.
#include "nettools/netscan_win.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "computers/computer_list_win.h"
#include "computers/list_merge.h"
#include "nettools/netscan_rules.h"

namespace talkpost {

namespace {

class SystemNetwork : public NetworkProvider {
public:
    DWORD openEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* container, HANDLE* enumHandle) override
    {
        return WNetOpenEnumA(scope, type, usage, container, enumHandle);
    }
    DWORD enumResource(HANDLE enumHandle, DWORD* count, void* buffer, DWORD* bufferSize) override
    {
        return WNetEnumResourceA(enumHandle, count, buffer, bufferSize);
    }
    DWORD closeEnum(HANDLE enumHandle) override { return WNetCloseEnum(enumHandle); }
};

void allocate(NetworkEntries& page, DWORD size)
{
    page.buffer.reset();
    page.buffer = std::make_unique<std::byte[]>(size);
    page.bufferSize = size;
}

}  // namespace

std::shared_ptr<NetworkProvider> systemNetwork()
{
    static const std::shared_ptr<NetworkProvider> network = std::make_shared<SystemNetwork>();
    return network;
}

ContainerEnumeration::ContainerEnumeration(NetworkProvider& network, DWORD resourceType, NETRESOURCEA* container)
    : network_(network)
{
    opened_ = network.openEnum(RESOURCE_GLOBALNET, resourceType, 0, container, &handle_) == NO_ERROR;
}

ContainerEnumeration::~ContainerEnumeration()
{
    if (opened_)
        network_.closeEnum(handle_);
}

bool ContainerEnumeration::next(NetworkEntries& page)
{
    if (!opened_)
        return false;
    if (page.buffer == nullptr)
        allocate(page, kNetworkBufferSize);
    for (;;) {
        DWORD count = static_cast<DWORD>(-1);
        DWORD size = page.bufferSize;
        std::memset(page.buffer.get(), 0, page.bufferSize);
        DWORD answer = network_.enumResource(handle_, &count, page.buffer.get(), &size);
        if (answer == NO_ERROR) {
            page.count = count;
            return true;
        }
        page.count = 0;
        // ERROR_NO_MORE_ITEMS ends the container; any other answer, and a
        // provider that asks for no more room than it has (it would be asked
        // forever) or for more than any entry needs, ends it as unreadable.
        if (answer != ERROR_MORE_DATA || size <= page.bufferSize || size > kNetworkBufferLimit)
            return false;
        allocate(page, size);
    }
}

// What the worker hands to the window, and the window's wake-up.
struct NetworkScan::Run {
    std::shared_ptr<NetworkProvider> network;
    HWND window = nullptr;
    UINT mailMessage = 0;
    std::atomic<bool> stopping{false};
    std::atomic<bool> walking{true};

    std::mutex mutex;
    std::vector<std::string> names;  // found, not yet taken by the window
    std::size_t found = 0;
    int progressMax = -1, progressPosition = -1;  // -1: unchanged since the last take
    bool done = false;
    std::string error;
    bool posted = false;

    // Under the lock: wakes the window unless a wake-up is already waiting.
    void wake()
    {
        if (!posted)
            posted = PostMessageA(window, mailMessage, 0, 0) != FALSE;
    }
    void foundServer(std::string name)
    {
        std::lock_guard<std::mutex> lock(mutex);
        names.push_back(std::move(name));
        ++found;
        wake();
    }
    void progress(int max, int position)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (max >= 0)
            progressMax = max;
        progressPosition = position;
        wake();
    }
    void end(std::string failure)
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        error = std::move(failure);
        wake();
    }

    // Works through a container's entries page by page and, depth first,
    // its sub-containers. The page stays while those below it are walked.
    void walk(NETRESOURCEA* container, int depth)
    {
        ContainerEnumeration enumeration(*network, RESOURCETYPE_DISK, container);
        NetworkEntries page;
        while (!stopping && enumeration.next(page)) {
            progress(static_cast<int>(page.count), 0);
            for (DWORD i = 0; i < page.count && !stopping; ++i) {
                NETRESOURCEA& entry = page.entries()[i];
                // A server without a name is no computer to list.
                if (entry.dwDisplayType == RESOURCEDISPLAYTYPE_SERVER && entry.lpRemoteName != nullptr) {
                    std::string name = serverNameFromRemoteName(entry.lpRemoteName);
                    if (!name.empty())
                        foundServer(std::move(name));
                }
                // Servers are containers too: their shares are walked and are no servers.
                if ((entry.dwUsage & RESOURCEUSAGE_CONTAINER) != 0 && depth < kScanDepthLimit)
                    walk(&entry, depth + 1);
                progress(-1, static_cast<int>(i) + 1);
            }
        }
        progress(-1, 0);
    }
};

NetworkScan::NetworkScan(HWND window, UINT mailMessage, ComputerList& list, ScanObserver& observer)
    : window_(window), mailMessage_(mailMessage), list_(list), observer_(observer)
{
}

NetworkScan::~NetworkScan()
{
    if (run_ != nullptr)
        run_->stopping = true;
}

bool NetworkScan::walking() const { return last_ != nullptr && last_->walking; }

void NetworkScan::start(std::shared_ptr<NetworkProvider> network)
{
    if (run_ != nullptr)
        return;
    auto run = std::make_shared<Run>();
    run->network = std::move(network);
    run->window = window_;
    run->mailMessage = mailMessage_;
    found_ = 0;
    observer_.setStatusText(0, "...scanne Netzwerk...");
    observer_.setStatusText(2, "0 found");
    observer_.appendLog("...begin network scan");
    // The thread keeps its run (and the network) alive by itself: a walk
    // waiting on the network is never waited for by the window.
    std::thread([run] {
        try {
            run->walk(nullptr, 0);
            run->walking = false;
            run->end({});
        } catch (const std::exception& e) {
            run->walking = false;
            run->end(e.what());
        } catch (...) {
            run->walking = false;
            run->end("The network scan failed");
        }
    }).detach();
    run_ = run;
    last_ = run;
    observer_.scanRunning(true);
}

bool NetworkScan::merge(std::vector<std::string>& names)
{
    std::size_t take = std::min(names.size(), kScanNamesPerSlice);
    std::vector<NameAt> candidates;
    candidates.reserve(take);
    for (std::size_t i = 0; i < take; ++i)
        candidates.push_back({0, std::move(names[i])});
    names.erase(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(take));
    ListMerge merged = mergeIntoList(list_.entries(), candidates, RefuseNames::EmptyOnly);
    list_.addMerged(merged);
    if (!merged.added.empty()) {
        // One append for all the lines: the pane takes them in one go.
        std::string lines;
        for (const std::string& name : merged.added) {
            if (!lines.empty())
                lines += "\r\n";
            lines += "new Computer added: " + name;
        }
        observer_.appendLog(lines);
    }
    return !names.empty();
}

void NetworkScan::onMail()
{
    std::shared_ptr<Run> run = run_;
    if (run == nullptr)
        return;
    std::vector<std::string> names;
    int max, position;
    bool done;
    std::string error;
    {
        std::lock_guard<std::mutex> lock(run->mutex);
        run->posted = false;
        std::size_t take = std::min(run->names.size(), kScanNamesPerSlice);
        names.assign(std::make_move_iterator(run->names.begin()),
                     std::make_move_iterator(run->names.begin() + static_cast<std::ptrdiff_t>(take)));
        run->names.erase(run->names.begin(), run->names.begin() + static_cast<std::ptrdiff_t>(take));
        found_ = run->found;
        max = std::exchange(run->progressMax, -1);
        position = std::exchange(run->progressPosition, -1);
        done = run->done && run->names.empty();
        error = run->error;
        if (!run->names.empty())
            run->wake();  // the rest in the next slice, after what else is waiting
    }
    merge(names);
    observer_.setStatusText(2, std::to_string(found_) + " found");
    if (max >= 0)
        observer_.setProgressMax(max);
    if (position >= 0)
        observer_.setProgressPosition(position);
    if (done)
        finish(error.empty() ? nullptr : &error, false);
}

void NetworkScan::stop()
{
    std::shared_ptr<Run> run = run_;
    if (run == nullptr)
        return;
    run->stopping = true;
    // What was found up to now still joins the list.
    std::vector<std::string> names;
    {
        std::lock_guard<std::mutex> lock(run->mutex);
        names = std::move(run->names);
        run->names.clear();
        found_ = run->found;
    }
    while (merge(names)) {
    }
    finish(nullptr, true);
}

void NetworkScan::finish(const std::string* error, bool stopped)
{
    run_.reset();
    observer_.setProgressPosition(0);
    if (stopped)
        observer_.appendLog("... network scan stopped: " + std::to_string(found_) + " found");
    observer_.appendLog("... network scan finished");
    observer_.setStatusText(0, "...scan finished...");
    observer_.setStatusText(2, "OK");
    observer_.scanRunning(false);
    if (error != nullptr)
        observer_.showScanError(*error);
}

}  // namespace talkpost
