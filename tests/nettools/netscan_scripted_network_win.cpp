// The scripted network neighbourhood.
#include "netscan_scripted_network_win.h"

#include <cstring>

namespace talkpost::test {

namespace {

NetNode node(const std::string& name, DWORD displayType, DWORD usage, std::vector<NetNode> children)
{
    NetNode n;
    n.remoteName = name;
    n.displayType = displayType;
    n.usage = usage;
    n.children = std::move(children);
    return n;
}

}  // namespace

NetNode domain(const std::string& name, std::vector<NetNode> children)
{
    return node(name, RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER, std::move(children));
}

NetNode server(const std::string& remoteName, std::vector<NetNode> shares)
{
    return node(remoteName, RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER, std::move(shares));
}

NetNode share(const std::string& remoteName)
{
    return node(remoteName, RESOURCEDISPLAYTYPE_SHARE, RESOURCEUSAGE_CONNECTABLE, {});
}

ScriptedNetwork::ScriptedNetwork(NetNode top) : top_(std::move(top))
{
    for (const NetNode& child : top_.children)
        index(child);
}

void ScriptedNetwork::index(const NetNode& node)
{
    byName_.emplace(node.remoteName, &node);
    for (const NetNode& child : node.children)
        index(child);
}

DWORD ScriptedNetwork::openEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* container, HANDLE* enumHandle)
{
    if (scope != RESOURCE_GLOBALNET || type != RESOURCETYPE_DISK || usage != 0)
        badParameters = true;
    std::string name = container == nullptr ? "" : (container->lpRemoteName ? container->lpRemoteName : "?");
    opened.push_back(name);
    auto named = byName_.find(name);
    const NetNode* node = container == nullptr ? &top_ : named != byName_.end() ? named->second : nullptr;
    if (node == nullptr || !node->openable)
        return ERROR_ACCESS_DENIED;
    auto enumeration = std::make_unique<Enumeration>();
    enumeration->node = node;
    HANDLE handle = enumeration.get();
    enumerations_[handle] = std::move(enumeration);
    open.insert(handle);
    *enumHandle = handle;
    return NO_ERROR;
}

DWORD ScriptedNetwork::enumResource(HANDLE enumHandle, DWORD* count, void* buffer, DWORD* bufferSize)
{
    ++enumerationCalls;
    bufferSizes.push_back(*bufferSize);
    auto it = enumerations_.find(enumHandle);
    if (it == enumerations_.end() || !open.count(enumHandle))
        return ERROR_INVALID_HANDLE;
    Enumeration& e = *it->second;
    if (e.node->onEnumerate)
        e.node->onEnumerate();
    const std::vector<NetNode>& children = e.node->children;
    if (e.next >= children.size())
        return ERROR_NO_MORE_ITEMS;

    // Records from the front, strings from the back, as many entries as fit.
    auto* records = static_cast<NETRESOURCEA*>(buffer);
    char* stringsEnd = static_cast<char*>(buffer) + *bufferSize;
    std::size_t recordsEnd = 0;
    DWORD delivered = 0;
    DWORD wanted = *count == static_cast<DWORD>(-1) ? static_cast<DWORD>(children.size()) : *count;
    if (e.node->batch != 0 && wanted > e.node->batch)
        wanted = static_cast<DWORD>(e.node->batch);
    while (delivered < wanted && e.next < children.size()) {
        const NetNode& child = children[e.next];
        std::size_t nameBytes = child.remoteName.size() + 1;
        std::size_t need = recordsEnd + sizeof(NETRESOURCEA) + nameBytes;
        std::size_t room = static_cast<std::size_t>(stringsEnd - static_cast<char*>(buffer));
        if (need > room) {
            if (delivered == 0) {
                *bufferSize = static_cast<DWORD>(sizeof(NETRESOURCEA) + nameBytes);
                return ERROR_MORE_DATA;
            }
            break;
        }
        stringsEnd -= nameBytes;
        std::memcpy(stringsEnd, child.remoteName.c_str(), nameBytes);
        NETRESOURCEA& r = records[delivered];
        r = NETRESOURCEA{};
        r.dwScope = RESOURCE_GLOBALNET;
        r.dwType = RESOURCETYPE_DISK;
        r.dwDisplayType = child.displayType;
        r.dwUsage = child.usage;
        r.lpRemoteName = stringsEnd;
        recordsEnd += sizeof(NETRESOURCEA);
        ++delivered;
        ++e.next;
    }
    *count = delivered;
    return NO_ERROR;
}

DWORD ScriptedNetwork::closeEnum(HANDLE enumHandle)
{
    if (open.erase(enumHandle) == 0)
        return ERROR_INVALID_HANDLE;
    return NO_ERROR;
}

}  // namespace talkpost::test
