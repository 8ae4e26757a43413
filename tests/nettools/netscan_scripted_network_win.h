// A scripted network neighbourhood for the scan's tests: a tree of named
// resources served through the same three calls as the platform's provider,
// packing entries into the caller's buffer the way the platform does (records
// first, their strings at the end), as many as fit. The scan calls it on its
// worker thread; a test reads what it recorded once the walk has ended.
#pragma once

#include "nettools/netscan_win.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace talkpost::test {

struct NetNode {
    std::string remoteName;  // unique within a tree; names the container when it is opened
    DWORD displayType = RESOURCEDISPLAYTYPE_GENERIC;
    DWORD usage = 0;
    std::vector<NetNode> children;
    bool openable = true;
    // The most entries one enumeration call delivers; 0: as many as fit.
    std::size_t batch = 0;
    // Called when the container is enumerated (on the scan's worker thread);
    // may throw to fail the scan, or wait to hold the walk there.
    std::function<void()> onEnumerate;
};

NetNode domain(const std::string& name, std::vector<NetNode> children);
NetNode server(const std::string& remoteName, std::vector<NetNode> shares = {});
NetNode share(const std::string& remoteName);

class ScriptedNetwork : public NetworkProvider {
public:
    explicit ScriptedNetwork(NetNode top);

    DWORD openEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* container, HANDLE* enumHandle) override;
    DWORD enumResource(HANDLE enumHandle, DWORD* count, void* buffer, DWORD* bufferSize) override;
    DWORD closeEnum(HANDLE enumHandle) override;

    // Containers opened, in order ("" for the top), and those still open.
    std::vector<std::string> opened;
    std::set<HANDLE> open;
    std::vector<DWORD> bufferSizes;  // the size passed to every enumeration call
    int enumerationCalls = 0;
    bool badParameters = false;      // a call with other scope, type or usage than the scan's

private:
    struct Enumeration {
        const NetNode* node;
        std::size_t next = 0;
    };
    void index(const NetNode& node);

    NetNode top_;
    std::map<std::string, const NetNode*> byName_;
    std::map<HANDLE, std::unique_ptr<Enumeration>> enumerations_;
};

}  // namespace talkpost::test
