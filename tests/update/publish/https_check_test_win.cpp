// The update check over HTTPS under Wine against nginx on 127.0.0.1 (started
// by with_https_servers.sh), with a test authority that only this Wine prefix
// trusts: the control file of a published release comes over a good
// certificate; a certificate for another host name, an expired one and one
// from an authority nobody trusts each end the check with the connection
// failure lines in the update log, and the server never sees a request.
#include "update/engine/update_engine_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "support/test_support_win.h"
#include "update/engine/status_log.h"
#include "update/engine/status_log_win.h"

namespace talkpost::update {
namespace {

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string address(const std::string& server)
{
    return "https://127.0.0.1:" + env(("TALKPOST_HTTPS_PORT_" + server).c_str());
}

// What the server in front of that port was asked, one line per request.
std::string requestsTo(const std::string& server)
{
    std::string path = test::unixToWindowsPath(env("TALKPOST_HTTPS_LOGS")) + "\\" + server + ".log";
    return test::fileExists(path) ? test::readFile(path) : std::string();
}

bool holdsLine(const std::string& log, const std::string& part) { return log.find(part) != std::string::npos; }

class HttpsCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(env("TALKPOST_HTTPS_LOGS").empty()) << "run through with_https_servers.sh";
        setLogFileName(folder.file("UPDATE.LOG"));
    }
    void TearDown() override { setLogFileName("UPDATE.LOG"); }

    // The wizard's first two steps against one server; the log they wrote.
    std::string check(const std::string& server, int expected)
    {
        test::writeFile(folder.file("UPDATE.LOG"), "");
        test::RecordingPrompts prompts;
        UpdateEngine engine{prompts};
        engine.settings = talkpostEngineSettings(address(server));
        EXPECT_EQ(engine.openConnection(), kConnected) << server;
        EXPECT_EQ(engine.fetchControlFile(), expected) << server;
        engine.closeConnection();
        return test::readFile(folder.file("UPDATE.LOG"));
    }

    test::TempFolder folder;
};

TEST_F(HttpsCheckTest, APublishedControlFileComesOverATrustedCertificate)
{
    std::string log = check("good", kControlFileFetched);
    EXPECT_TRUE(holdsLine(log, "[926] Update control file found")) << log;
    EXPECT_TRUE(holdsLine(requestsTo("good"), "/Updates/talkpost.inf Basic ")) << requestsTo("good");
}

TEST_F(HttpsCheckTest, ABadCertificateEndsTheCheckBeforeAnyRequest)
{
    for (const std::string server : {"wronghost", "expired", "untrusted"}) {
        std::string log = check(server, kControlFileNotFound);
        const std::string failure = "[917] File not found : " + address(server) + "/Updates/talkpost.inf";
        EXPECT_TRUE(holdsLine(log, failure + " (Status:2) (Error:1)")) << server << "\n" << log;
        EXPECT_TRUE(holdsLine(log, "[925] Update control file not found (Status:2)")) << server << "\n" << log;
        EXPECT_FALSE(holdsLine(log, "[926]")) << server;
        EXPECT_EQ(requestsTo(server), "") << server;
    }
}

}  // namespace
}  // namespace talkpost::update
