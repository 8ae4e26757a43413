// The network scan under Wine: a scripted network tree walked into a real
// combo box's list, with a recording observer; and the system's network,
// which Wine leaves empty.
#include "nettools/netscan_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "computers/computer_list_win.h"
#include "netscan_scripted_network_win.h"
#include "base/app_error.h"

namespace talkpost {
namespace {

using test::domain;
using test::NetNode;
using test::ScriptedNetwork;
using test::server;
using test::share;

class RecordingObserver : public ScanObserver {
public:
    void appendLog(const std::string& line) override
    {
        log.push_back(line);
        events.push_back("log " + line);
        waitCursorAtLog.push_back(GetCursor() == LoadCursorA(nullptr, IDC_WAIT));
    }
    void setStatusText(int panel, const std::string& text) override
    {
        events.push_back("panel" + std::to_string(panel) + " " + text);
    }
    void setProgressMax(int max) override { events.push_back("max " + std::to_string(max)); }
    void setProgressPosition(int position) override { events.push_back("pos " + std::to_string(position)); }
    void repaintStatusBar() override { events.push_back("paint status"); }
    void repaintLog() override { events.push_back("paint log"); }

    std::vector<std::string> log;
    std::vector<std::string> events;
    std::vector<bool> waitCursorAtLog;

    std::vector<std::string> panelTexts() const
    {
        std::vector<std::string> texts;
        for (const std::string& e : events)
            if (e.starts_with("panel"))
                texts.push_back(e);
        return texts;
    }
    std::vector<std::string> progress() const
    {
        std::vector<std::string> p;
        for (const std::string& e : events)
            if (!e.starts_with("log") && !e.starts_with("panel"))
                p.push_back(e);
        return p;
    }
};

HWND createHost()
{
    return CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 300, 200, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND createCombo(HWND host)
{
    return CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_SORT, 10, 10,
                           200, 150, host, nullptr, GetModuleHandleA(nullptr), nullptr);
}

class ScanTest : public ::testing::Test {
protected:
    ScanTest()
    {
        list.replaceAll({"*", "Remote01", "Remote02"});
        list.setTypedText("typed");
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }
    ~ScanTest() override { DestroyWindow(host_); }

    HWND host_ = createHost();
    ComputerList list{createCombo(host_)};
    RecordingObserver observer;
};

NetNode network(std::vector<NetNode> domains)
{
    NetNode provider = domain("Microsoft Windows Network", std::move(domains));
    provider.displayType = RESOURCEDISPLAYTYPE_NETWORK;
    NetNode top;
    top.children.push_back(std::move(provider));
    return top;
}

TEST_F(ScanTest, NewServersAreAddedOnceAndNothingElseBecomesAnEntry)
{
    NetNode locked = domain("LOCKED", {server("\\\\HIDDEN")});
    locked.openable = false;
    NetNode big = domain("BIG", {server("\\\\BIG1"), server("\\\\BIG2"), server("\\\\BIG3")});
    big.batch = 2;
    ScriptedNetwork net(network({
        domain("WORKGROUP", {server("\\\\ALPHA", {share("\\\\ALPHA\\Public"), share("\\\\ALPHA\\Print")}),
                             server("\\\\REMOTE01"), server("\\\\beta")}),
        domain("OFFICE", {server("\\\\ALPHA"), server("\\\\GAMMA")}),
        locked,
        domain("LAB", {server("\\\\DELTA"), server("\\\\ODD\\NAME")}),
        big,
    }));

    scanNetwork(list, observer, net);

    EXPECT_EQ(list.entries(), (std::vector<std::string>{"*", "ALPHA", "beta", "BIG1", "BIG2", "DELTA", "GAMMA",
                                                       "ODDNAME", "Remote01", "Remote02"}));
    EXPECT_EQ(list.typedText(), "typed");
    EXPECT_EQ(observer.log, (std::vector<std::string>{
                                "...begin network scan", "new Computer added: ALPHA", "new Computer added: beta",
                                "new Computer added: GAMMA", "new Computer added: DELTA",
                                "new Computer added: ODDNAME", "new Computer added: BIG1",
                                "new Computer added: BIG2", "... network scan finished"}));
    EXPECT_EQ(observer.panelTexts(), (std::vector<std::string>{"panel0 ...scanne Netzwerk...",
                                                               "panel0 ...scan finished...", "panel2 OK"}));
    // The locked workgroup was tried and skipped; the one after it was walked.
    EXPECT_NE(std::find(net.opened.begin(), net.opened.end(), "LOCKED"), net.opened.end());
    EXPECT_NE(std::find(net.opened.begin(), net.opened.end(), "LAB"), net.opened.end());
    EXPECT_TRUE(net.open.empty());
    EXPECT_FALSE(net.badParameters);
    // The hourglass shows while servers are found, not at the begin or finish line.
    EXPECT_EQ(observer.waitCursorAtLog,
              (std::vector<bool>{false, true, true, true, true, true, true, true, false}));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(ScanTest, AContainerContributesOnlyWhatFitsIntoItsOneBatch)
{
    std::vector<NetNode> servers;
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "SERVER%03d-with-a-long-name-for-the-buffer", i);
        names.push_back(name);
        servers.push_back(server(std::string("\\\\") + name));
    }
    ScriptedNetwork net(network({domain("CROWDED", servers)}));

    scanNetwork(list, observer, net);

    std::size_t added = observer.log.size() - 2;
    EXPECT_GT(added, 0u);
    EXPECT_LT(added, names.size());
    for (std::size_t i = 0; i < added; ++i)
        EXPECT_EQ(observer.log[i + 1], "new Computer added: " + names[i]);
    EXPECT_EQ(list.count(), static_cast<int>(3 + added));
    EXPECT_TRUE(net.open.empty());
}

TEST_F(ScanTest, TheBufferGrowsWhenOneEntryNeedsMoreThanSixteenKilobytes)
{
    std::string longName(20000, 'L');
    ScriptedNetwork net(network({domain("WIDE", {server("\\\\" + longName)})}));

    scanNetwork(list, observer, net);

    EXPECT_TRUE(list.isListed(longName));
    ASSERT_GE(net.bufferSizes.size(), 4u);
    EXPECT_EQ(net.bufferSizes[0], kNetworkBufferSize);
    EXPECT_GT(*std::max_element(net.bufferSizes.begin(), net.bufferSizes.end()), 20000u);
    EXPECT_TRUE(net.open.empty());
}

TEST_F(ScanTest, ProgressFollowsTheContainerBeingWorkedThrough)
{
    NetNode top;
    top.children.push_back(domain("WG", {server("\\\\S1"), server("\\\\S2", {share("\\\\S2\\x")})}));
    ScriptedNetwork net(top);

    scanNetwork(list, observer, net);

    EXPECT_EQ(observer.progress(), (std::vector<std::string>{
                                       "max 1",                                  // the top: one workgroup
                                       "max 2",                                  // the workgroup: two servers
                                       "pos 1", "paint status",                  // S1 has no shares to list
                                       "max 1", "pos 1", "paint status",         // S2's one share
                                       "pos 0", "paint log",                     // S2 done
                                       "pos 2", "paint status", "pos 0", "paint log",  // the workgroup done
                                       "pos 1", "paint status", "pos 0", "paint log",  // the top done
                                   }));
}

TEST_F(ScanTest, AFailureEndsTheScanButKeepsWhatWasAddedAndStillFinishes)
{
    NetNode failing = domain("BROKEN", {server("\\\\NEVER")});
    failing.onEnumerate = [] { throw AppError("Out of memory"); };
    ScriptedNetwork net(network({domain("FIRST", {server("\\\\KEPT")}), failing, domain("LAST", {server("\\\\X")})}));

    EXPECT_THROW(
        {
            try {
                scanNetwork(list, observer, net);
            } catch (const AppError& e) {
                EXPECT_STREQ(e.what(), "Out of memory");
                throw;
            }
        },
        AppError);

    EXPECT_TRUE(list.isListed("KEPT"));
    EXPECT_FALSE(list.isListed("X"));
    EXPECT_EQ(observer.log.back(), "... network scan finished");
    EXPECT_EQ(observer.panelTexts(), (std::vector<std::string>{"panel0 ...scanne Netzwerk...",
                                                               "panel0 ...scan finished...", "panel2 OK"}));
    EXPECT_TRUE(net.open.empty());  // every level's enumeration closed
    std::vector<std::string> progress = observer.progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress[progress.size() - 2], "pos 0");
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(ScanTest, TheSystemNetworkUnderWineLogsOnlyBeginAndFinish)
{
    scanNetwork(list, observer);
    EXPECT_EQ(observer.log, (std::vector<std::string>{"...begin network scan", "... network scan finished"}));
    EXPECT_EQ(observer.panelTexts(), (std::vector<std::string>{"panel0 ...scanne Netzwerk...",
                                                               "panel0 ...scan finished...", "panel2 OK"}));
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
}

}  // namespace
}  // namespace talkpost
