// The network scan: a depth-first walk through the network neighbourhood on
// a worker thread, reading every container to its end, that hands the
// servers it finds to the window's thread; there they are merged into the
// computer list (a server already listed, letter case ignored, is not added
// again). The window shows the count while the walk runs and can stop it.
#pragma once

#include <windows.h>
#include <winnetwk.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace talkpost {

class ComputerList;

// The three network enumeration calls the scan makes. The system's calls
// serve the program; tests hand the scan a scripted network instead. The
// calls are made on the scan's worker thread.
class NetworkProvider {
public:
    virtual ~NetworkProvider() = default;
    virtual DWORD openEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* container, HANDLE* enumHandle) = 0;
    virtual DWORD enumResource(HANDLE enumHandle, DWORD* count, void* buffer, DWORD* bufferSize) = 0;
    virtual DWORD closeEnum(HANDLE enumHandle) = 0;
};

// WNetOpenEnumA, WNetEnumResourceA and WNetCloseEnum.
std::shared_ptr<NetworkProvider> systemNetwork();

// What the scan shows; always called on the window's thread. The main window
// puts it on its log pane, status bar (panel 0 and 2 texts, panel 1 the
// progress bar) and the Tools menu.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void appendLog(const std::string& line) = 0;
    virtual void setStatusText(int panel, const std::string& text) = 0;
    virtual void setProgressMax(int max) = 0;
    virtual void setProgressPosition(int position) = 0;
    // The menu entry reads "Stop scan" while the scan runs.
    virtual void scanRunning(bool running) = 0;
    // A failure that ended the walk, after the finishing texts.
    virtual void showScanError(const std::string& message) = 0;
};

// The first buffer of a container's entries, grown as the provider asks,
// up to a bound that no real entry needs (the strings of one entry are a few
// hundred bytes): a provider asking for more is not read further.
inline constexpr DWORD kNetworkBufferSize = 0x4000;
inline constexpr DWORD kNetworkBufferLimit = 16 * 1024 * 1024;
// How deep the walk goes: network, domain, server, share and a few folders
// below are far fewer levels; a provider whose containers hold themselves
// would otherwise be walked without end.
inline constexpr int kScanDepthLimit = 16;
// How many found names the window merges at one time, so that it keeps
// answering while a large network comes in; the rest follow at once after.
inline constexpr std::size_t kScanNamesPerSlice = 2000;

// One page of a container's entries as one enumeration call delivered them.
struct NetworkEntries {
    std::unique_ptr<std::byte[]> buffer;
    DWORD bufferSize = 0;
    DWORD count = 0;
    NETRESOURCEA* entries() const { return reinterpret_cast<NETRESOURCEA*>(buffer.get()); }
};

// An open enumeration of one container (nullptr: the top of the network),
// read page by page until the provider has no more; closed on every path out.
class ContainerEnumeration {
public:
    ContainerEnumeration(NetworkProvider& network, DWORD resourceType, NETRESOURCEA* container);
    ~ContainerEnumeration();
    ContainerEnumeration(const ContainerEnumeration&) = delete;
    ContainerEnumeration& operator=(const ContainerEnumeration&) = delete;

    // Whether the container could be opened.
    bool opened() const { return opened_; }
    // The next page, starting with a 16 KB buffer grown as the provider asks;
    // false at the end (ERROR_NO_MORE_ITEMS) or when the provider fails.
    bool next(NetworkEntries& page);

private:
    NetworkProvider& network_;
    HANDLE handle_ = nullptr;
    bool opened_ = false;
};

// The Scan network command. The window hands mailMessage (posted to window
// when the walk has found something, at most one waiting) to onMail.
class NetworkScan {
public:
    NetworkScan(HWND window, UINT mailMessage, ComputerList& list, ScanObserver& observer);
    // Stops the walk; one still waiting on the network ends by itself.
    ~NetworkScan();
    NetworkScan(const NetworkScan&) = delete;
    NetworkScan& operator=(const NetworkScan&) = delete;

    // Logs "...begin network scan" and starts walking for disk servers; does
    // nothing while a scan runs.
    void start(std::shared_ptr<NetworkProvider> network);
    // Merges what was found so far, walks no further, and finishes.
    void stop();
    bool running() const { return run_ != nullptr; }
    // Servers found by the running (or last) scan, listed or not.
    std::size_t found() const { return found_; }
    // Whether the worker of the last scan still runs (it may wait on the
    // network after a stop); its enumerations are all closed once it is not.
    bool walking() const;

    void onMail();

private:
    struct Run;
    void finish(const std::string* error, bool stopped);
    // Merges up to a slice of names; true when more are waiting.
    bool merge(std::vector<std::string>& names);

    HWND window_;
    UINT mailMessage_;
    ComputerList& list_;
    ScanObserver& observer_;
    std::shared_ptr<Run> run_;
    std::shared_ptr<Run> last_;
    std::size_t found_ = 0;
};

}  // namespace talkpost
