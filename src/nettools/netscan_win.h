// The network scan: a depth-first walk through the network neighbourhood that
// adds every server not yet in the computer list, reporting its phases to the
// log pane and the status bar through a small observer.
#pragma once

#include <windows.h>
#include <winnetwk.h>

#include <cstddef>
#include <memory>
#include <string>

namespace talkpost {

class ComputerList;

// The three network enumeration calls the scan makes. The system's calls
// serve the program; tests hand the scan a scripted network instead.
class NetworkProvider {
public:
    virtual ~NetworkProvider() = default;
    virtual DWORD openEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* container, HANDLE* enumHandle) = 0;
    virtual DWORD enumResource(HANDLE enumHandle, DWORD* count, void* buffer, DWORD* bufferSize) = 0;
    virtual DWORD closeEnum(HANDLE enumHandle) = 0;
};

// WNetOpenEnumA, WNetEnumResourceA and WNetCloseEnum.
NetworkProvider& systemNetwork();

// What the scan shows while it runs; the main window puts it on its log pane
// and status bar (panel 0 and 2 texts, panel 1 the progress bar).
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void appendLog(const std::string& line) = 0;
    virtual void setStatusText(int panel, const std::string& text) = 0;
    virtual void setProgressMax(int max) = 0;
    virtual void setProgressPosition(int position) = 0;
    // Repaint at once: the window handles no other messages during the scan.
    virtual void repaintStatusBar() = 0;
    virtual void repaintLog() = 0;
};

inline constexpr DWORD kNetworkBufferSize = 0x4000;

// The entries of one container as one enumeration call delivered them.
struct NetworkEntries {
    bool ok = false;
    std::unique_ptr<std::byte[]> buffer;
    DWORD bufferSize = 0;
    DWORD count = 0;
    NETRESOURCEA* entries() const { return reinterpret_cast<NETRESOURCEA*>(buffer.get()); }
};

// One enumeration call per container (container nullptr: the top of the
// network), starting with a 16 KB buffer grown as the provider asks. Not
// ok when the container cannot be opened or delivers nothing.
NetworkEntries enumNetworkContainer(NetworkProvider& network, DWORD resourceType, NETRESOURCEA* container);

// Works through a container's entries and, depth first, its sub-containers.
// A filter of 0 takes every entry as a server.
void scanNetworkContainer(NetworkProvider& network, NETRESOURCEA* container, DWORD resourceType,
                          DWORD displayFilter, ComputerList& list, ScanObserver& observer);

// The Scan network command: walks the whole network for disk servers under the
// hourglass cursor. A failure still writes the finishing texts and is passed on.
void scanNetwork(ComputerList& list, ScanObserver& observer, NetworkProvider& network = systemNetwork());

}  // namespace talkpost
