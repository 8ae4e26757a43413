// The network scan over the platform's network enumeration.
#include "nettools/netscan_win.h"

#include <cstring>

#include "computers/computer_list_win.h"
#include "nettools/netscan_rules.h"
#include "win/wait_cursor_win.h"

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

// Closes an open enumeration on every path out.
class OpenEnumeration {
public:
    OpenEnumeration(NetworkProvider& network, HANDLE handle) : network_(network), handle_(handle) {}
    ~OpenEnumeration() { network_.closeEnum(handle_); }
    OpenEnumeration(const OpenEnumeration&) = delete;
    OpenEnumeration& operator=(const OpenEnumeration&) = delete;
    HANDLE get() const { return handle_; }

private:
    NetworkProvider& network_;
    HANDLE handle_;
};

void allocate(NetworkEntries& result, DWORD size)
{
    result.buffer.reset();
    result.buffer = std::make_unique<std::byte[]>(size);
    result.bufferSize = size;
}

}  // namespace

NetworkProvider& systemNetwork()
{
    static SystemNetwork network;
    return network;
}

NetworkEntries enumNetworkContainer(NetworkProvider& network, DWORD resourceType, NETRESOURCEA* container)
{
    NetworkEntries result;
    HANDLE handle = nullptr;
    if (network.openEnum(RESOURCE_GLOBALNET, resourceType, 0, container, &handle) != NO_ERROR)
        return result;
    OpenEnumeration enumeration(network, handle);

    allocate(result, kNetworkBufferSize);
    DWORD answer = 0;
    for (;;) {
        DWORD count = static_cast<DWORD>(-1);
        DWORD size = result.bufferSize;
        std::memset(result.buffer.get(), 0, result.bufferSize);
        answer = network.enumResource(enumeration.get(), &count, result.buffer.get(), &size);
        if (answer != ERROR_MORE_DATA) {
            result.count = count;
            break;
        }
        // A provider that asks for no more room than it already has would be
        // asked forever: the container counts as unreadable.
        if (size <= result.bufferSize) {
            answer = ERROR_INVALID_PARAMETER;
            break;
        }
        allocate(result, size);
    }
    if (answer != NO_ERROR) {
        result.buffer.reset();
        result.bufferSize = 0;
        result.count = 0;
        return result;
    }
    result.ok = true;
    return result;
}

void scanNetworkContainer(NetworkProvider& network, NETRESOURCEA* container, DWORD resourceType,
                          DWORD displayFilter, ComputerList& list, ScanObserver& observer)
{
    NetworkEntries found = enumNetworkContainer(network, resourceType, container);
    if (!found.ok)
        return;
    auto finish = [&] {
        found.buffer.reset();
        observer.setProgressPosition(0);
        observer.repaintLog();
    };
    try {
        observer.setProgressMax(static_cast<int>(found.count));
        for (DWORD i = 0; i < found.count; ++i) {
            NETRESOURCEA& entry = found.entries()[i];
            // A server without a name is no computer to list.
            if ((displayFilter == 0 || entry.dwDisplayType == displayFilter) && entry.lpRemoteName != nullptr) {
                std::string name = serverNameFromRemoteName(entry.lpRemoteName);
                if (!name.empty() && !list.isListed(name)) {
                    list.add(name);
                    observer.appendLog("new Computer added: " + name);
                }
            }
            // Servers are containers too: their shares are walked and fail the filter.
            if ((entry.dwUsage & RESOURCEUSAGE_CONTAINER) != 0)
                scanNetworkContainer(network, &entry, resourceType, displayFilter, list, observer);
            observer.setProgressPosition(static_cast<int>(i) + 1);
            observer.repaintStatusBar();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void scanNetwork(ComputerList& list, ScanObserver& observer, NetworkProvider& network)
{
    observer.setStatusText(0, "...scanne Netzwerk...");
    observer.appendLog("...begin network scan");
    auto finish = [&] {
        observer.appendLog("... network scan finished");
        observer.setStatusText(0, "...scan finished...");
        observer.setStatusText(2, "OK");
    };
    try {
        {
            WaitCursor wait;
            scanNetworkContainer(network, nullptr, RESOURCETYPE_DISK, RESOURCEDISPLAYTYPE_SERVER, list, observer);
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

}  // namespace talkpost
