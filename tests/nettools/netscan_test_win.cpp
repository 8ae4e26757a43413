// The network scan under Wine: a scripted network tree walked on the scan's
// worker thread into a real combo box's list, with a recording observer and a
// window that takes the scan's mail; and the system's network, which Wine
// leaves empty.
#include "nettools/netscan_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/app_error.h"
#include "computers/computer_list_win.h"
#include "netscan_scripted_network_win.h"
#include "support/test_support_win.h"
#include "win/handles_win.h"
#include "win/window_win.h"

namespace talkpost {
namespace {

using test::domain;
using test::NetNode;
using test::ScriptedNetwork;
using test::server;
using test::share;

constexpr UINT kMail = WM_APP + 41;

class RecordingObserver : public ScanObserver {
public:
    void appendLog(const std::string& text) override
    {
        ++appends;
        // One append may carry several lines.
        for (std::size_t pos = 0;;) {
            std::size_t end = text.find("\r\n", pos);
            log.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
            if (end == std::string::npos)
                break;
            pos = end + 2;
        }
    }
    void setStatusText(int panel, const std::string& text) override
    {
        panels.push_back("panel" + std::to_string(panel) + " " + text);
    }
    void setProgressMax(int) override {}
    void setProgressPosition(int position) override { progress = position; }
    void scanRunning(bool on) override { running.push_back(on); }
    void showScanError(const std::string& message) override { errors.push_back(message); }

    std::vector<std::string> log;
    int appends = 0;
    std::vector<std::string> panels;
    int progress = -1;
    std::vector<bool> running;
    std::vector<std::string> errors;

    std::size_t added() const
    {
        return static_cast<std::size_t>(std::count_if(log.begin(), log.end(), [](const std::string& line) {
            return line.starts_with("new Computer added: ");
        }));
    }
};

// The window the scan wakes: it hands the mail to the scan, as the main window does.
class ScanHost : public Window {
public:
    explicit ScanHost(Prompts& prompts) : Window(prompts)
    {
        create("TalkpostScanTestHost", 0, "scan host", WS_OVERLAPPED, 0, 0, 300, 200, nullptr, nullptr);
        combo = test::createComputerField(hwnd());
    }
    HWND combo = nullptr;
    NetworkScan* scan = nullptr;

protected:
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override
    {
        if (msg == kMail && scan != nullptr) {
            scan->onMail();
            return 0;
        }
        return defaultHandle(msg, wparam, lparam);
    }
};

class ScanTest : public ::testing::Test {
protected:
    ScanTest()
    {
        host.scan = &scan;
        list.replaceAll({"*", "Remote01", "Remote02"});
        list.setTypedText("typed");
    }
    // Starts the scan and lets the window take its mail until the walk has ended.
    void runScan(std::shared_ptr<NetworkProvider> network)
    {
        scan.start(std::move(network));
        ASSERT_TRUE(scan.running());
        ASSERT_TRUE(test::waitUntil([&] { return !scan.running() && !scan.walking(); }, std::chrono::seconds(60)));
    }

    test::RecordingPrompts prompts;
    ScanHost host{prompts};
    ComputerList list{host.combo};
    RecordingObserver observer;
    NetworkScan scan{host.hwnd(), kMail, list, observer};
};

NetNode network(std::vector<NetNode> domains)
{
    NetNode provider = domain("Microsoft Windows Network", std::move(domains));
    provider.displayType = RESOURCEDISPLAYTYPE_NETWORK;
    NetNode top;
    top.children.push_back(std::move(provider));
    return top;
}

const std::vector<std::string> kFinishTexts = {"panel0 ...scan finished...", "panel2 OK"};

std::vector<std::string> lastTwo(const std::vector<std::string>& texts)
{
    return texts.size() < 2 ? texts : std::vector<std::string>(texts.end() - 2, texts.end());
}

TEST_F(ScanTest, NewServersAreAddedOnceAndNothingElseBecomesAnEntry)
{
    NetNode locked = domain("LOCKED", {server("\\\\HIDDEN")});
    locked.openable = false;
    NetNode big = domain("BIG", {server("\\\\BIG1"), server("\\\\BIG2"), server("\\\\BIG3")});
    big.batch = 2;  // two pages: the second is read as well
    auto net = std::make_shared<ScriptedNetwork>(network({
        domain("WORKGROUP", {server("\\\\ALPHA", {share("\\\\ALPHA\\Public"), share("\\\\ALPHA\\Print")}),
                             server("\\\\REMOTE01"), server("\\\\beta")}),
        domain("OFFICE", {server("\\\\ALPHA"), server("\\\\GAMMA")}),
        locked,
        domain("LAB", {server("\\\\DELTA"), server("\\\\ODD\\NAME")}),
        big,
    }));

    runScan(net);

    EXPECT_EQ(list.entries(), (std::vector<std::string>{"*", "ALPHA", "beta", "BIG1", "BIG2", "BIG3", "DELTA",
                                                       "GAMMA", "ODDNAME", "Remote01", "Remote02"}));
    EXPECT_EQ(list.typedText(), "typed");
    EXPECT_EQ(observer.log, (std::vector<std::string>{
                                "...begin network scan", "new Computer added: ALPHA", "new Computer added: beta",
                                "new Computer added: GAMMA", "new Computer added: DELTA",
                                "new Computer added: ODDNAME", "new Computer added: BIG1",
                                "new Computer added: BIG2", "new Computer added: BIG3",
                                "... network scan finished"}));
    EXPECT_EQ(observer.panels.front(), "panel0 ...scanne Netzwerk...");
    EXPECT_NE(std::find(observer.panels.begin(), observer.panels.end(), "panel2 10 found"), observer.panels.end())
        << "ALPHA twice, REMOTE01 and the other seven";
    EXPECT_EQ(lastTwo(observer.panels), kFinishTexts);
    EXPECT_EQ(observer.running, (std::vector<bool>{true, false}));
    EXPECT_EQ(observer.progress, 0);
    // The locked workgroup was tried and skipped; the one after it was walked.
    EXPECT_NE(std::find(net->opened.begin(), net->opened.end(), "LOCKED"), net->opened.end());
    EXPECT_NE(std::find(net->opened.begin(), net->opened.end(), "LAB"), net->opened.end());
    EXPECT_TRUE(net->open.empty());
    EXPECT_FALSE(net->badParameters);
}

// Ten thousand servers in five domains, read in pages of a few hundred (and
// of what fits into the buffer), all join the list once.
TEST_F(ScanTest, EveryContainerIsReadToItsEndPageByPage)
{
    constexpr int kDomains = 5, kPerDomain = 2000;
    std::vector<NetNode> domains;
    for (int d = 0; d < kDomains; ++d) {
        std::vector<NetNode> servers;
        for (int i = 0; i < kPerDomain; ++i) {
            char name[96];
            std::snprintf(name, sizeof name, "\\\\D%d-SERVER%04d%s", d, i, d == 0 ? "-with-a-long-name-for-the-buffer" : "");
            servers.push_back(server(name));
        }
        // The same server seen in a second domain is not added again.
        servers.push_back(server(d == 0 ? "\\\\d1-server0000" : "\\\\D0-SERVER0000-with-a-long-name-for-the-buffer"));
        NetNode node = domain("DOMAIN" + std::to_string(d), std::move(servers));
        node.batch = d % 2 == 0 ? 0 : 300;
        domains.push_back(std::move(node));
    }
    auto net = std::make_shared<ScriptedNetwork>(network(std::move(domains)));

    runScan(net);

    EXPECT_EQ(list.count(), 3 + kDomains * kPerDomain);
    EXPECT_EQ(observer.added(), static_cast<std::size_t>(kDomains * kPerDomain));
    EXPECT_TRUE(list.isListed("D4-SERVER1999"));
    EXPECT_TRUE(list.isListed("D0-SERVER1999-with-a-long-name-for-the-buffer"));
    EXPECT_EQ(scan.found(), static_cast<std::size_t>(kDomains * (kPerDomain + 1)));
    EXPECT_EQ(observer.log.back(), "... network scan finished");
    EXPECT_EQ(lastTwo(observer.panels), kFinishTexts);
    // Far fewer appends to the log than lines: the window took the names in slices.
    EXPECT_LT(observer.appends, 1000);
    // One call for each server (it has no shares), and for every domain its
    // pages and the end: more than two calls a domain.
    EXPECT_GT(net->enumerationCalls, kDomains * (kPerDomain + 1) + 3 * kDomains);
    EXPECT_TRUE(net->open.empty());
}

TEST_F(ScanTest, TheBufferGrowsWhenOneEntryNeedsMoreThanSixteenKilobytes)
{
    std::string longName(20000, 'L');
    auto net = std::make_shared<ScriptedNetwork>(network({domain("WIDE", {server("\\\\" + longName)})}));

    runScan(net);

    EXPECT_TRUE(list.isListed(longName));
    ASSERT_GE(net->bufferSizes.size(), 4u);
    EXPECT_EQ(net->bufferSizes[0], kNetworkBufferSize);
    EXPECT_GT(*std::max_element(net->bufferSizes.begin(), net->bufferSizes.end()), 20000u);
    EXPECT_TRUE(net->open.empty());
}

TEST_F(ScanTest, AFailureEndsTheScanButKeepsWhatWasAddedAndStillFinishes)
{
    NetNode failing = domain("BROKEN", {server("\\\\NEVER")});
    failing.onEnumerate = [] { throw AppError("Out of memory"); };
    auto net = std::make_shared<ScriptedNetwork>(
        network({domain("FIRST", {server("\\\\KEPT")}), failing, domain("LAST", {server("\\\\X")})}));

    runScan(net);

    EXPECT_TRUE(list.isListed("KEPT"));
    EXPECT_FALSE(list.isListed("X"));
    EXPECT_EQ(observer.log.back(), "... network scan finished");
    EXPECT_EQ(lastTwo(observer.panels), kFinishTexts);
    EXPECT_EQ(observer.errors, (std::vector<std::string>{"Out of memory"}));
    EXPECT_EQ(observer.progress, 0);
    EXPECT_TRUE(net->open.empty());  // every level's enumeration closed
}

// The walk waits on a domain that does not answer; the window meanwhile takes
// in what was found before it, and Stop ends the scan at once. What the walk
// finds after the stop is not added.
TEST_F(ScanTest, StopInTheMiddleKeepsWhatWasFoundAndTheWindowAnswersMeanwhile)
{
    UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::vector<NetNode> first;
    for (int i = 0; i < 1000; ++i)
        first.push_back(server("\\\\FIRST" + std::to_string(i)));
    NetNode slow = domain("SLOW", {server("\\\\LATE")});
    HANDLE event = release.get();
    slow.onEnumerate = [event] { WaitForSingleObject(event, 60000); };
    auto net = std::make_shared<ScriptedNetwork>(
        network({domain("FIRST", std::move(first)), slow, domain("LAST", {server("\\\\AFTER")})}));

    scan.start(net);
    // The window takes the first domain's servers while the walk waits.
    ASSERT_TRUE(test::waitUntil([&] { return list.count() == 1003; }, std::chrono::seconds(60)));
    EXPECT_TRUE(scan.running());
    EXPECT_TRUE(scan.walking());
    EXPECT_NE(std::find(observer.panels.begin(), observer.panels.end(), "panel2 1000 found"), observer.panels.end());
    // A message sent to the window is answered at once.
    EXPECT_TRUE(SendMessageTimeoutA(host.hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr));

    scan.stop();
    EXPECT_FALSE(scan.running());
    EXPECT_EQ(observer.running, (std::vector<bool>{true, false}));
    ASSERT_GE(observer.log.size(), 2u);
    EXPECT_EQ(lastTwo(observer.log),
              (std::vector<std::string>{"... network scan stopped: 1000 found", "... network scan finished"}));
    EXPECT_EQ(lastTwo(observer.panels), kFinishTexts);

    SetEvent(event);
    ASSERT_TRUE(test::waitUntil([&] { return !scan.walking(); }, std::chrono::seconds(60)));
    test::pumpFor(std::chrono::milliseconds(100));  // mail the walk may still have posted
    EXPECT_FALSE(list.isListed("LATE"));
    EXPECT_FALSE(list.isListed("AFTER"));
    EXPECT_EQ(list.count(), 1003);
    EXPECT_TRUE(net->open.empty());
    EXPECT_EQ(std::find(net->opened.begin(), net->opened.end(), "LAST"), net->opened.end());
}

TEST_F(ScanTest, TheSystemNetworkUnderWineLogsOnlyBeginAndFinish)
{
    runScan(systemNetwork());
    EXPECT_EQ(observer.log, (std::vector<std::string>{"...begin network scan", "... network scan finished"}));
    EXPECT_EQ(lastTwo(observer.panels), kFinishTexts);
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
}

}  // namespace
}  // namespace talkpost
