// The update engine under Wine against our HTTP server and an FTP server on
// 127.0.0.1 (started by with_update_servers.sh): connection, control file
// with its signature, transfers with authentication, failures, cancel and
// the destination rules, file mode, the registry values and the log.
#include "update/engine/update_engine_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <thread>

#include "support/test_support_win.h"
#include "update/engine/base64.h"
#include "update/engine/dialog_driver_win.h"
#include "update/engine/status_log.h"
#include "update/engine/status_log_win.h"
#include "update/install/check_codes.h"
#include "update/install/install_files_win.h"
#include "update/engine/transfer.h"
#include "update/live_update_win.h"
#include "update/wizard/login_dialog_win.h"
#include "base/app_error.h"
#include "win/folders_win.h"

namespace talkpost::update {
namespace {

using test::DialogDriver;
using test::filesIn;

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string work() { return test::unixToWindowsPath(env("TALKPOST_UPDATE_WORK")); }
std::string base() { return "http://127.0.0.1:" + env("TALKPOST_UPDATE_HTTP_PORT"); }

std::vector<std::string> lines(const std::string& path)
{
    return test::fileExists(path) ? splitAnyBreakLines(test::readFile(path)) : std::vector<std::string>{};
}

std::size_t countContaining(const std::vector<std::string>& all, const std::string& part)
{
    return static_cast<std::size_t>(
        std::count_if(all.begin(), all.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

// Watches the engine as the wizard's mailbox does: every block's progress,
// and Cancel when asked; prompts run where they are asked.
struct TestWatcher : UpdateWatcher {
    std::function<void(const FileProgress&)> progress;
    std::function<bool()> cancel;
    void fileProgress(const FileProgress& p) override
    {
        if (progress)
            progress(p);
    }
    bool cancelRequested() const override { return cancel && cancel(); }
    void onWindowThread(const std::function<void()>& work) override { work(); }
};

class UpdateEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(env("TALKPOST_UPDATE_WORK").empty()) << "run through with_update_servers.sh";
        setLogFileName(folder.file("upd.log"));
        test::writeFile(work() + "\\http.log", "");
        engine.settings = talkpostEngineSettings(base());
        // Temporary files in a folder of the test's own, so none can hide among others.
        engine.settings.useWinTempDir = false;
        CreateDirectoryA(temp().c_str(), nullptr);
        engine.settings.tempDirectory = temp();
        CreateDirectoryA(target().c_str(), nullptr);
        engine.showLogin = [this](const std::string& prompt, std::string& user, std::string& password) {
            return showLoginDialog(prompts, prompt, user, password);
        };
    }
    void TearDown() override
    {
        engine.closeConnection();
        setLogFileName("UPDATE.LOG");
    }

    std::string temp() const { return folder.file("tmp"); }
    std::string target() const { return folder.file("target") + "\\"; }
    std::vector<std::string> log() const { return lines(folder.file("upd.log")); }
    bool logged(const std::string& part) const { return countContaining(log(), part) > 0; }
    std::vector<std::string> requests() const { return lines(work() + "\\http.log"); }
    // Temporary files of the update's folders, and the folders themselves.
    std::vector<std::string> leftTemporaries() const
    {
        std::vector<std::string> all;
        for (const std::string& f : filesIn(temp(), "TPUPD-*"))
            for (const std::string& t : filesIn(temp() + "\\" + f, "UPD*.tmp"))
                all.push_back(f + "\\" + t);
        return all;
    }
    std::vector<std::string> updateFolders() const { return filesIn(temp(), "TPUPD-*"); }
    std::string served(const std::string& relative) const { return test::readFile(work() + "\\http\\" + relative); }

    test::TempFolder folder;
    TestWatcher watcher;
    test::RecordingPrompts prompts;
    UpdateEngine engine{prompts, &watcher};
};

TEST_F(UpdateEngineTest, SignedControlFileIsFetchedWithTheBasicHeaderOnEveryRequest)
{
    ASSERT_EQ(engine.openConnection(), kConnected);
    ASSERT_EQ(engine.fetchControlFile(), kControlFileFetched);
    // Held in memory as verified: no copy on disk that anyone could change.
    EXPECT_TRUE(engine.hasControlFile());
    EXPECT_FALSE(test::fileExists(windowsTempFolder() + "talkpost.inf"));
    EXPECT_EQ(engine.application().appCommand, "\"My App.exe\" \"-a -b\"");
    EXPECT_TRUE(engine.application().appUpdate);
    EXPECT_EQ(engine.readControlString("update", "descr"), "Test update");

    const std::string header = "Basic " + base64Encode(std::string(kUpdateUserID) + ":" + kUpdatePassword);
    auto all = requests();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], "/Updates/talkpost.inf " + header);
    EXPECT_EQ(all[1], "/Updates/talkpost.inf.sig " + header);

    auto lines = log();
    EXPECT_EQ(countContaining(lines, "] Checking for Internet connection (Status:3) (Error:0)"), 1u);
    EXPECT_EQ(countContaining(lines, "[921] Found open Internet connection"), 1u);
    // A loopback server is no reason to count as online: in the tests'
    // namespace the platform says offline, and the silent dial comes first.
    EXPECT_EQ(countContaining(lines, "[920] Opening Internet connection"), 1u);
    EXPECT_EQ(countContaining(lines, "[915] Download : " + base() + "/Updates/talkpost.inf (Status:3)"), 1u);
    EXPECT_EQ(countContaining(lines, "[926] Update control file found (Status:3) (Error:0)"), 1u);
    EXPECT_EQ(countContaining(lines, "[927]"), 0u);

    engine.closeConnection();
    EXPECT_EQ(countContaining(log(), "[949] Closed Internet connection (Status:3) (Error:0)"), 2u);
    EXPECT_FALSE(engine.hasControlFile());
    EXPECT_TRUE(updateFolders().empty());
}

TEST_F(UpdateEngineTest, ControlFileWithoutAGoodSignatureGivesFiveAndIsNeverRead)
{
    for (const std::string dir : {"bad", "nosig", "garbled"}) {
        test::writeFile(folder.file("upd.log"), "");
        engine.settings.url = base() + "/" + dir + "/talkpost.inf";
        ASSERT_EQ(engine.openConnection(), kConnected);
        EXPECT_EQ(engine.fetchControlFile(), kSignatureMismatch) << dir;
        EXPECT_TRUE(logged("[927] Invalid signature in update control file (Status:11) (Error:4)")) << dir;
        // Nothing of the file remains to be acted on.
        EXPECT_FALSE(engine.hasControlFile()) << dir;
        EXPECT_FALSE(test::fileExists(windowsTempFolder() + "talkpost.inf")) << dir;
        EXPECT_EQ(engine.application().appCommand, "") << dir;
        EXPECT_EQ(engine.readFileList(), 0) << dir;
        EXPECT_FALSE(engine.fetchWhatsNew().has_value()) << dir;
        engine.closeConnection();
    }
    EXPECT_TRUE(leftTemporaries().empty());
}

TEST_F(UpdateEngineTest, TheTextSignatureCheckGivesFiveButReadsTheApplicationSection)
{
    engine.settings.signatureCheck = true;  // the control file carries no [update] signature
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_EQ(engine.fetchControlFile(), kSignatureMismatch);
    EXPECT_TRUE(logged("[927]"));
    EXPECT_EQ(engine.application().appCommand, "\"My App.exe\" \"-a -b\"");
}

TEST_F(UpdateEngineTest, StatusCodesOfThreeHundredAndMoreFailWithTheirCodeInTheLog)
{
    ASSERT_EQ(engine.openConnection(), kConnected);
    engine.settings.url = base() + "/status/404/talkpost.inf";
    EXPECT_EQ(engine.fetchControlFile(), kControlFileNotFound);
    EXPECT_TRUE(logged("[916] Http status : 404 (Status:6) (Error:404)"));
    EXPECT_TRUE(logged("[925] Update control file not found (Status:2) (Error:0)"));
    EXPECT_FALSE(engine.transferFile(base() + "/status/304/a.bin", target()));
    EXPECT_TRUE(logged("[916] Http status : 304 (Status:6) (Error:304)"));
    EXPECT_FALSE(test::fileExists(target() + "a.bin"));
    EXPECT_TRUE(leftTemporaries().empty());
}

TEST_F(UpdateEngineTest, CancelAfterTheFirstBlockLeavesNoTemporaryFileAndTheDestinationAsItWas)
{
    test::writeFile(target() + "big.bin", "old contents");
    int progress = 0;
    watcher.progress = [&](const FileProgress& p) {
        ++progress;
        EXPECT_EQ(p.shownName, "big.bin");
        EXPECT_GT(p.position, 0);
        EXPECT_LE(p.position, 65536);
        EXPECT_EQ(p.size, 65536);
    };
    watcher.cancel = [&] { return progress > 0; };
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_FALSE(engine.transferFile(base() + "/files/big.bin", target()));
    EXPECT_EQ(progress, 1);
    EXPECT_TRUE(engine.cancelled());
    EXPECT_TRUE(logged("[964] Update process cancelled (Status:0) (Error:0)"));
    EXPECT_EQ(test::readFile(target() + "big.bin"), "old contents");
    EXPECT_TRUE(leftTemporaries().empty());

    // A transfer that is not cancelled clears the flag again.
    watcher.cancel = nullptr;
    watcher.progress = nullptr;
    EXPECT_TRUE(engine.transferFile(base() + "/files/big.bin", target()));
    EXPECT_FALSE(engine.cancelled());
    EXPECT_EQ(test::readFile(target() + "big.bin"), served("files\\big.bin"));
}

TEST_F(UpdateEngineTest, AReadOnlyDestinationIsReplaced)
{
    test::writeFile(target() + "tiny.txt", "older");
    SetFileAttributesA((target() + "tiny.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_TRUE(engine.transferFile(base() + "/files/tiny.txt", target()));
    EXPECT_EQ(test::readFile(target() + "tiny.txt"), "tiny");
}

TEST_F(UpdateEngineTest, AnEmptyReplyReplacesNothing)
{
    test::writeFile(target() + "empty.bin", "keep me");
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_FALSE(engine.transferFile(base() + "/empty/empty.bin", target()));
    EXPECT_EQ(test::readFile(target() + "empty.bin"), "keep me");
    EXPECT_FALSE(test::fileExists(target() + "nothing.bin"));
    EXPECT_FALSE(engine.transferFile(base() + "/empty/nothing.bin", target()));
    EXPECT_FALSE(test::fileExists(target() + "nothing.bin"));
    EXPECT_TRUE(leftTemporaries().empty());
}

TEST_F(UpdateEngineTest, AnEndlessControlFileIsRefused)
{
    engine.settings.url = base() + "/endless/talkpost.inf";
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_EQ(engine.fetchControlFile(), kControlFileNotFound);
    EXPECT_TRUE(logged("[981] Download larger than allowed, stopped : " + base() + "/endless/talkpost.inf"));
    EXPECT_TRUE(leftTemporaries().empty());
}

TEST_F(UpdateEngineTest, AnEndlessBodyStopsAtTheEntrysFileSize)
{
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_FALSE(engine.transferFile(base() + "/endless/entry.bin", target(), 14));
    EXPECT_TRUE(logged("[981] Download larger than allowed, stopped : " + base() + "/endless/entry.bin"));
    EXPECT_FALSE(test::fileExists(target() + "entry.bin"));
    // The file exactly as long as its filesize= is whole.
    EXPECT_TRUE(engine.transferFile(base() + "/files/tiny.txt", target(), 4));
    EXPECT_FALSE(engine.transferFile(base() + "/files/big.bin", target(), 65535));
    EXPECT_FALSE(test::fileExists(target() + "big.bin"));
    engine.closeConnection();
    EXPECT_TRUE(updateFolders().empty());
}

TEST_F(UpdateEngineTest, EveryUpdateDownloadsIntoAFolderOfItsOwnRemovedAtItsEnd)
{
    // What a crashed update left behind, and the folder of a running one.
    ASSERT_TRUE(CreateDirectoryA((temp() + "\\TPUPD-crashed").c_str(), nullptr));
    test::writeFile(temp() + "\\TPUPD-crashed\\UPDT1.tmp", "part");
    ASSERT_EQ(engine.openConnection(), kConnected);
    std::string folder = engine.downloadFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.rfind(temp() + "\\TPUPD-", 0), 0u) << folder;
    EXPECT_FALSE(test::fileExists(temp() + "\\TPUPD-crashed"));
    {
        UpdateEngine second{prompts};
        second.settings = engine.settings;
        // A second update removes no folder that a running one holds.
        std::string other = second.downloadFolder();
        EXPECT_NE(other, folder);
        EXPECT_TRUE(test::fileExists(folder));
    }
    EXPECT_TRUE(engine.transferFile(base() + "/files/tiny.txt", folder));
    EXPECT_TRUE(test::fileExists(folder + "tiny.txt"));
    engine.closeConnection();
    EXPECT_FALSE(test::fileExists(folder));
    EXPECT_TRUE(updateFolders().empty());
}

// A window of this thread, asked from another thread as the system asks a
// window whether it hangs: each answer within 200 ms counts.
class AnsweringWindow {
public:
    AnsweringWindow()
    {
        window_ = CreateWindowExA(0, "STATIC", "answering", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        asker_ = std::thread([this] {
            while (!stop_) {
                DWORD_PTR result = 0;
                if (SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 200, &result))
                    ++answered_;
                else
                    ++missed_;
            }
            done_ = true;
        });
    }
    ~AnsweringWindow()
    {
        stop_ = true;
        // The asker's last question is answered before it is joined.
        test::waitUntil([this] { return done_.load(); });
        asker_.join();
        DestroyWindow(window_);
    }
    int answered() const { return answered_; }
    int missed() const { return missed_; }

private:
    HWND window_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> answered_{0};
    std::atomic<int> missed_{0};
    std::thread asker_;
};

// Runs an engine operation on a worker, as the wizard does, while this
// thread, the window's, goes on processing its messages; its result.
template <class Operation>
auto onWorker(Operation operation)
{
    std::optional<decltype(operation())> result;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = operation();
        done = true;
    });
    test::waitUntil([&] { return done.load(); }, std::chrono::seconds(120));
    worker.join();
    return *result;
}

TEST_F(UpdateEngineTest, AStalledServerEndsTheFetchWhileTheWindowAnswers)
{
    engine.documentDeadlineMs = 3000;
    engine.settings.url = base() + "/stall/talkpost.inf";
    ASSERT_EQ(engine.openConnection(), kConnected);
    {
        AnsweringWindow window;
        EXPECT_EQ(onWorker([&] { return engine.fetchControlFile(); }), kControlFileNotFound);
        EXPECT_GT(window.answered(), 0);
        EXPECT_EQ(window.missed(), 0);
    }
    EXPECT_TRUE(logged("[975] Server did not answer in time : " + base() + "/stall/talkpost.inf")) << joinLines(log());
    EXPECT_TRUE(logged("[925] Update control file not found (Status:2) (Error:0)"));

    // Cancel ends a stalled file download at once, the window answering meanwhile.
    {
        AnsweringWindow window;
        watcher.cancel = [&] { return window.answered() >= 5; };
        EXPECT_FALSE(onWorker([&] { return engine.transferFile(base() + "/stall/file.bin", target()); }));
        EXPECT_EQ(window.missed(), 0);
        watcher.cancel = nullptr;
    }
    EXPECT_TRUE(engine.cancelled());
    EXPECT_TRUE(logged("[964] Update process cancelled"));
    EXPECT_FALSE(test::fileExists(target() + "file.bin"));
}

TEST_F(UpdateEngineTest, ARedirectToAnotherServerIsRefusedWithoutTheCredentials)
{
    const std::string other = env("TALKPOST_UPDATE_OTHER_PORT");
    test::writeFile(work() + "\\other.log", "");
    engine.settings.url = base() + "/redirect/" + other + "/Updates/talkpost.inf";
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_EQ(engine.fetchControlFile(), kControlFileNotFound);
    EXPECT_TRUE(logged("[976] Redirect to another server refused : http://127.0.0.1:" + other + "/Updates/talkpost.inf"));
    EXPECT_TRUE(lines(work() + "\\other.log").empty()) << "a request reached the other server";

    // Within the same server the redirect is followed, with the account.
    engine.settings.url = base() + "/redirect/" + env("TALKPOST_UPDATE_HTTP_PORT") + "/Updates/talkpost.inf";
    EXPECT_EQ(engine.fetchControlFile(), kControlFileFetched);
}

TEST_F(UpdateEngineTest, AReplayedOlderSerialAndAnExpiredFileAreRefused)
{
    std::uint64_t remembered = 0;
    engine.readHighestSerial = [&] { return remembered; };
    engine.saveHighestSerial = [&](std::uint64_t serial) { remembered = serial; };
    ASSERT_EQ(engine.openConnection(), kConnected);
    engine.settings.url = base() + "/serial5/talkpost.inf";
    EXPECT_EQ(engine.fetchControlFile(), kControlFileFetched);
    EXPECT_EQ(remembered, 5u);
    EXPECT_EQ(engine.fetchControlFile(), kControlFileFetched);  // the same publication again
    engine.settings.url = base() + "/serial4/talkpost.inf";
    EXPECT_EQ(engine.fetchControlFile(), kControlFileNotFound);
    EXPECT_TRUE(logged("[977] Control file older than one accepted before, refused : serial 4"));
    EXPECT_FALSE(engine.hasControlFile());
    // A file without a serial counts as 0.
    engine.settings.url = base() + "/Updates/talkpost.inf";
    EXPECT_EQ(engine.fetchControlFile(), kControlFileNotFound);
    engine.settings.url = base() + "/expired/talkpost.inf";
    EXPECT_EQ(engine.fetchControlFile(), kControlFileNotFound);
    EXPECT_TRUE(logged("[978] Control file expired, refused : 01.01.2020 00:00"));
    EXPECT_EQ(remembered, 5u);
}

TEST_F(UpdateEngineTest, AnOlderVersionIsInstalledOnlyWhenThePublisherAllowsIt)
{
    ASSERT_TRUE(CopyFileA((test::binaryDir() + "\\talkpost.exe").c_str(), (work() + "\\installed.exe").c_str(), FALSE));
    ASSERT_EQ(engine.openConnection(), kConnected);
    engine.settings.url = base() + "/older0/talkpost.inf";
    ASSERT_EQ(engine.fetchControlFile(), kControlFileFetched);
    EXPECT_EQ(engine.checkUpdateEntry(), CheckCode::NoNewVersion);
    EXPECT_TRUE(logged("[979] Older version not allowed by the control file, refused : 0.9.0.0 < "));
    engine.settings.url = base() + "/older1/talkpost.inf";
    ASSERT_EQ(engine.fetchControlFile(), kControlFileFetched);
    EXPECT_EQ(engine.checkUpdateEntry(), CheckCode::SizeDiffers);
}

TEST_F(UpdateEngineTest, ATextThatDoesNotMatchItsSha256IsNotShown)
{
    ASSERT_EQ(engine.openConnection(), kConnected);
    engine.settings.url = base() + "/texts/talkpost.inf";
    ASSERT_EQ(engine.fetchControlFile(), kControlFileFetched);
    auto whatsNew = engine.fetchWhatsNew();
    ASSERT_TRUE(whatsNew.has_value());
    EXPECT_EQ(*whatsNew, std::vector<std::string>{"What is new"});
    EXPECT_FALSE(engine.fetchLicense().has_value());
    EXPECT_TRUE(logged("[980] Text without a matching sha256 value, not shown : " + base() + "/texts/license.txt"));
}

TEST_F(UpdateEngineTest, ABodyOfManyBlocksArrivesWholeAndInOrderWithTheProgressOfEveryBlock)
{
    // Several write pieces and a short last block: every byte numbered by its
    // place, so a piece lost, doubled or out of order shows.
    std::string body;
    for (std::uint32_t i = 0; body.size() < 9 * 65536 + 12345; ++i)
        body += std::to_string(i) + ',';
    body.resize(9 * 65536 + 12345);
    test::writeFile(work() + "\\http\\files\\many.bin", body);
    std::vector<std::int64_t> positions;
    watcher.progress = [&](const FileProgress& p) {
        EXPECT_EQ(p.size, static_cast<std::int64_t>(body.size()));
        positions.push_back(p.position);
    };
    ASSERT_EQ(engine.openConnection(), kConnected);
    ASSERT_TRUE(engine.transferFile(base() + "/files/many.bin", target()));
    EXPECT_EQ(test::readFile(target() + "many.bin"), body);
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), static_cast<std::int64_t>(body.size()));
    for (std::size_t i = 0; i < positions.size(); ++i) {
        std::int64_t step = positions[i] - (i > 0 ? positions[i - 1] : 0);
        EXPECT_TRUE(step > 0 && step <= 65536) << "block " << i << " of " << step << " bytes";
    }
    EXPECT_TRUE(leftTemporaries().empty());
}

TEST_F(UpdateEngineTest, AConnectionThatEndsBeforeTheAnnouncedLengthReplacesNothing)
{
    test::writeFile(target() + "part.bin", "before");
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_FALSE(engine.transferFile(base() + "/short/part.bin", target()));
    EXPECT_EQ(test::readFile(target() + "part.bin"), "before");
    EXPECT_TRUE(leftTemporaries().empty());
}

TEST_F(UpdateEngineTest, NamesThatLeaveTheFolderOrNameADeviceAreRefused)
{
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_FALSE(engine.transferFile(base() + "/files/", target()));
    EXPECT_FALSE(engine.transferFile(base() + "/files/..", target()));
    EXPECT_TRUE(logged("[917] File not found : " + base() + "/files/.. (Status:2) (Error:1)"));
    // A device's name would write into the device, not into the folder.
    EXPECT_FALSE(engine.transferFile(base() + "/files/nul.txt", target()));
    EXPECT_TRUE(logged("[917] File not found : " + base() + "/files/nul.txt (Status:2) (Error:1)"));
    EXPECT_TRUE(requests().empty());
}

// The 401 answered through the real login dialog, driven like a person would.
struct LoginCase {
    Authenticate mode;
    bool confirm;
};

TEST_F(UpdateEngineTest, CredentialsAskedForThroughTheLoginDialog)
{
    const std::string prompt = "Connect to 127.0.0.1:" + env("TALKPOST_UPDATE_HTTP_PORT");
    const std::string header = "Basic " + base64Encode(std::string(kUpdateUserID) + ":" + kUpdatePassword);
    const LoginCase cases[] = {{Authenticate::Auto, true}, {Authenticate::Auto, false},
                               {Authenticate::Always, true}, {Authenticate::Always, false}};
    for (const LoginCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode) * 10 + c.confirm);
        test::writeFile(work() + "\\http.log", "");
        test::writeFile(folder.file("upd.log"), "");
        DeleteFileA((target() + "tiny.txt").c_str());
        engine.settings.userID.clear();
        engine.settings.password.clear();
        engine.settings.authenticate = c.mode;
        DialogDriver driver(prompt, [&](HWND dialog) {
            DialogDriver::type(dialog, static_cast<int>(LoginDialog::ControlId::UserEdit), kUpdateUserID);
            DialogDriver::type(dialog, static_cast<int>(LoginDialog::ControlId::PasswordEdit), kUpdatePassword);
            DialogDriver::press(dialog, c.confirm ? IDOK : IDCANCEL);
        });
        ASSERT_EQ(engine.openConnection(), kConnected);
        EXPECT_EQ(engine.transferFile(base() + "/files/tiny.txt", target()), c.confirm);
        EXPECT_TRUE(driver.seen());
        auto all = requests();
        if (c.confirm) {
            EXPECT_EQ(test::readFile(target() + "tiny.txt"), "tiny");
            EXPECT_EQ(engine.settings.userID, kUpdateUserID);
            EXPECT_EQ(all.back(), "/files/tiny.txt " + header);
            // Asked first, the request goes once with the header; asked after a 401, twice.
            EXPECT_EQ(all.size(), c.mode == Authenticate::Always ? 1u : 2u);
        } else {
            EXPECT_FALSE(test::fileExists(target() + "tiny.txt"));
            EXPECT_EQ(engine.settings.userID, "");
            EXPECT_TRUE(logged("[956] Authentication cancelled (Status:0) (Error:0)"));
            EXPECT_EQ(all.size(), c.mode == Authenticate::Always ? 0u : 1u);
        }
        engine.closeConnection();
    }
}

TEST_F(UpdateEngineTest, WithoutAutomaticAuthenticationA401IsJustAStatus)
{
    engine.settings.password = "wrong!!!";
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_FALSE(engine.transferFile(base() + "/files/tiny.txt", target()));
    EXPECT_TRUE(logged("[916] Http status : 401 (Status:6) (Error:401)"));
}

TEST_F(UpdateEngineTest, WhatsNewAndLicenseDocuments)
{
    ASSERT_EQ(engine.openConnection(), kConnected);
    ASSERT_EQ(engine.fetchControlFile(), kControlFileFetched);
    auto whatsNew = engine.fetchWhatsNew();
    ASSERT_TRUE(whatsNew.has_value());
    EXPECT_EQ(*whatsNew, (std::vector<std::string>{"What is new", "line two"}));
    EXPECT_TRUE(logged("[937] Found whatsnew instruction (Status:12) (Error:0)"));
    EXPECT_FALSE(test::fileExists(windowsTempFolder() + "whatsnew.txt"));
    EXPECT_FALSE(engine.fetchLicense().has_value());  // its document is not on the server
    EXPECT_TRUE(logged("[939] Found license agreement instruction (Status:13) (Error:0)"));

    EXPECT_EQ(engine.readFileList(), 2);
    EXPECT_EQ(engine.fileList().count(), 2u);
    EXPECT_EQ(engine.fileList().at(0).url, base() + "/files/big.bin");
    EXPECT_EQ(engine.fileList().at(1).url, "");
    EXPECT_TRUE(logged("[943] Found file update instruction (Status:3) (Error:0)"));

    // An empty [whatsnew] file key yields no list and no status.
    engine.settings.languageID = "de";
    std::size_t before = log().size();
    EXPECT_FALSE(engine.fetchWhatsNew().has_value());
    EXPECT_EQ(log().size(), before);
}

TEST_F(UpdateEngineTest, FileModeCopiesAndRefusesWhatCannotBeCopied)
{
    engine.settings.updateType = UpdateType::File;
    EXPECT_EQ(engine.openConnection(), kConnected);
    EXPECT_TRUE(log().empty());  // no connection is checked for files

    std::string source = folder.file("source.bin");
    test::writeFile(source, std::string(40000, 'a') + "end");
    std::vector<std::int64_t> positions;
    watcher.progress = [&](const FileProgress& p) {
        EXPECT_EQ(p.shownName, "source.bin");
        EXPECT_EQ(p.size, 40003);
        positions.push_back(p.position);
    };
    EXPECT_TRUE(engine.transferFile(source, target()));
    EXPECT_EQ(test::readFile(target() + "source.bin"), test::readFile(source));
    EXPECT_EQ(positions, (std::vector<std::int64_t>{16384, 32768, 40003}));
    EXPECT_TRUE(engine.transferFile(source, target() + "renamed.bin"));
    EXPECT_EQ(test::readFile(target() + "renamed.bin"), test::readFile(source));

    EXPECT_FALSE(engine.transferFile(source, source));
    EXPECT_TRUE(logged("[912] Equal source and target files : " + source + " (Status:10) (Error:3)"));
    EXPECT_FALSE(engine.transferFile(folder.file("missing.bin"), target()));
    EXPECT_TRUE(logged("[913] File not found : " + folder.file("missing.bin") + " (Status:2) (Error:1)"));
    test::writeFile(folder.file("zero.bin"), "");
    test::writeFile(target() + "zero.bin", "kept");
    EXPECT_FALSE(engine.transferFile(folder.file("zero.bin"), target()));
    EXPECT_TRUE(logged("[914] Zero length source file : " + folder.file("zero.bin") + " (Status:10) (Error:2)"));
    EXPECT_EQ(test::readFile(target() + "zero.bin"), "kept");
    EXPECT_TRUE(leftTemporaries().empty());

    std::size_t before = log().size();
    engine.closeConnection();
    EXPECT_EQ(log().size(), before);  // nothing was open
}

class LastUrlTest : public UpdateEngineTest {
protected:
    static constexpr const char* kKey = "Software\\TalkpostTest\\Engine";
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TalkpostTest");
        UpdateEngineTest::TearDown();
    }
    static bool keyExists()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\TalkpostTest", 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
};

TEST_F(LastUrlTest, WithoutAKeyNothingIsReadOrWritten)
{
    RememberedValues& remembered = engine.remembered();
    EXPECT_FALSE(remembered.lastURL().has_value());
    EXPECT_FALSE(remembered.saveLastURL(base() + "/elsewhere.inf"));
    EXPECT_FALSE(remembered.saveLastDate({"24.12.2008", "14:30"}));
    EXPECT_FALSE(remembered.lastDate().has_value());
    EXPECT_FALSE(keyExists());
}

TEST_F(LastUrlTest, TheRememberedAddressIsFetchedWhenSaveIsOn)
{
    RememberedValues& remembered = engine.remembered();
    engine.settings.lastURLEntry = {true, kKey, "Last", RegRoot::LocalUser};
    EXPECT_TRUE(remembered.saveLastURL(base() + "/Updates/talkpost.inf"));
    engine.settings.url = base() + "/status/404/talkpost.inf";
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_EQ(engine.fetchControlFile(), kControlFileFetched);
    EXPECT_EQ(requests().front().substr(0, 22), "/Updates/talkpost.inf ");

    // Without Save the address is neither read nor written; the date is read all the same.
    engine.settings.lastURLEntry.save = false;
    EXPECT_FALSE(remembered.lastURL().has_value());
    EXPECT_FALSE(remembered.saveLastURL("x"));
    EXPECT_FALSE(remembered.saveLastDate({"01.01.2020", ""}));
    engine.settings.lastURLEntry.save = true;
    EXPECT_TRUE(remembered.saveLastDate({"24.12.2008", "14:30"}));
    engine.settings.lastURLEntry.save = false;
    auto date = remembered.lastDate();
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(date->date, "24.12.2008");
    EXPECT_EQ(date->time, "14:30");
}

TEST(UpdateLog, ABareNameLiesInTheDocumentsFolderAndLoggingOffStillReports)
{
    const std::string name = "talkpost_engine_test.log";
    const std::string path = documentsFolder() + "\\" + name;
    ASSERT_FALSE(documentsFolder().empty());
    DeleteFileA(path.c_str());
    setLogFileName(name);
    test::RecordingPrompts prompts;
    UpdateEngine engine{prompts};
    engine.settings.logging = true;
    engine.reportStatus(956, "argument", 0, 0);
    auto written = lines(path);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0].find(" : [956] Authentication cancelled (Status:0) (Error:0)"), std::string::npos);
    EXPECT_EQ(written[0].size(), std::string("24.12.2008 14:30:05 : [956] Authentication cancelled (Status:0) (Error:0)").size());

    // Without logging no status line is written; the raw lines still are.
    engine.settings.logging = false;
    engine.reportStatus(916, "404", 6, 404);
    engine.appendLogLine(unableToDeleteLine("C:\\x"));
    written = lines(path);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1], "Unable to delete file C:\\x");
    DeleteFileA(path.c_str());
    setLogFileName("UPDATE.LOG");
}

TEST(UpdateLog, AnUnwritableLogEndsTheOperationWithAnError)
{
    setLogFileName("Z:\\no\\such\\folder\\upd.log");
    test::RecordingPrompts prompts;
    UpdateEngine engine{prompts};
    engine.settings.logging = true;
    EXPECT_THROW(engine.reportStatus(926), AppError);
    setLogFileName("UPDATE.LOG");
}

// FTP against Debian's server.
TEST_F(UpdateEngineTest, FtpSetsTheFolderOnceAndFetchesWholeFiles)
{
    engine.settings.updateType = UpdateType::Ftp;
    engine.settings.host = "127.0.0.1";
    engine.settings.port = std::atoi(env("TALKPOST_UPDATE_FTP_PORT").c_str());
    engine.settings.url = "ftp://127.0.0.1/pub/data.bin";
    engine.settings.ftpDirectory = "pub";
    engine.settings.ftpPassive = true;
    test::writeFile(work() + "\\ftp.log", "");
    ASSERT_EQ(engine.openConnection(), kConnected);
    ASSERT_EQ(engine.connectFtpHost(), 0);
    EXPECT_TRUE(logged("[923] Connect to host : 127.0.0.1 (Status:3) (Error:0)"));
    std::int64_t lastSize = -1;
    watcher.progress = [&](const FileProgress& p) { lastSize = p.size; };
    EXPECT_TRUE(engine.transferFile("data.bin", target()));
    EXPECT_EQ(test::readFile(target() + "data.bin"), test::readFile(work() + "\\ftp\\pub\\data.bin"));
    EXPECT_EQ(lastSize, 100000);
    EXPECT_TRUE(engine.ftpDirectorySet());
    EXPECT_TRUE(engine.transferFile("ftp://127.0.0.1/pub/data.bin", folder.file("")));
    EXPECT_FALSE(engine.transferFile("missing.bin", target()));
    EXPECT_TRUE(logged("[917] File not found : missing.bin (Status:2) (Error:1)"));
    EXPECT_FALSE(test::fileExists(target() + "missing.bin"));
    EXPECT_TRUE(leftTemporaries().empty());
    engine.closeConnection();
    EXPECT_TRUE(logged("[954] Closed FTP connection"));
    EXPECT_EQ(countContaining(log(), "[949]"), 2u);
    auto commands = lines(work() + "\\ftp.log");
    EXPECT_EQ(countContaining(commands, "CWD"), 1u);
    EXPECT_EQ(countContaining(commands, "RETR data.bin"), 2u);
}

}  // namespace
}  // namespace talkpost::update

namespace talkpost::update {
namespace {

// LiveUpdate from the "?" menu.
TEST_F(UpdateEngineTest, LiveUpdateWithoutAServerShowsTheInformationAndFetchesNothing)
{
    settings::SettingsFile settings(settings::SettingsOptions::in(folder.path()));
    LiveUpdate live(settings, prompts);
    for (const std::string configured : {"", "   ", "/"}) {
        live.run(nullptr, configured);
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].kind, "information");
        EXPECT_EQ(prompts.shown[0].text, "No update server is configured.");
        prompts.shown.clear();
    }
    EXPECT_TRUE(requests().empty());
    EXPECT_FALSE(test::fileExists(folder.file("upd.log")));
}

}  // namespace
}  // namespace talkpost::update

namespace talkpost::update {
namespace {

TEST_F(UpdateEngineTest, RequestsGoThroughTheConfiguredProxy)
{
    const std::string proxy = "127.0.0.1:" + env("TALKPOST_UPDATE_OTHER_PORT");
    // The server named as "localhost": Wine keeps the connections of earlier
    // tests to 127.0.0.1 open and would reuse them past the proxy.
    const std::string server = "http://localhost:" + env("TALKPOST_UPDATE_HTTP_PORT");
    test::writeFile(work() + "\\other.log", "");
    engine.settings = talkpostEngineSettings(server);
    engine.settings.proxy = proxy;
    ASSERT_EQ(engine.openConnection(), kConnected);
    ASSERT_EQ(engine.fetchControlFile(), kControlFileFetched);
    auto forwarded = lines(work() + "\\other.log");
    ASSERT_EQ(forwarded.size(), 2u);
    EXPECT_EQ(forwarded[0], "proxy " + server + "/Updates/talkpost.inf");
    EXPECT_EQ(forwarded[1], "proxy " + server + "/Updates/talkpost.inf.sig");
}

TEST_F(UpdateEngineTest, ThePostUpdateReportGoesToItsServersPort)
{
    const std::string other = env("TALKPOST_UPDATE_OTHER_PORT");
    test::writeFile(work() + "\\other.log", "");
    engine.settings.postUpdateInfo = {"127.0.0.1:" + other, "/report/done", "version=1.0.0.2&ok=1", true};
    Installation& installation = engine.installation();
    ASSERT_EQ(engine.openConnection(), kConnected);
    EXPECT_EQ(engine.finishUpdate(), 0);
    EXPECT_EQ(lines(work() + "\\other.log"), std::vector<std::string>{"POST /report/done version=1.0.0.2&ok=1"});
    EXPECT_TRUE(logged("[948] Finished processing update control file"));
    EXPECT_EQ(installation.postResult(), "posted 20");

    // A server that does not answer: its line, and no report.
    engine.settings.postUpdateInfo.server = "127.0.0.1:1";
    EXPECT_EQ(engine.finishUpdate(), 0);
    EXPECT_EQ(installation.postResult(), "");
}

TEST(ControlFileMacros, FoldersOfThePlatform)
{
    test::RecordingPrompts prompts;
    UpdateEngine engine{prompts};
    EXPECT_EQ(engine.expandMacros("{sys}\\msg.exe"), systemFolder() + "\\msg.exe");
    EXPECT_EQ(engine.expandMacros("{WIN}\\Talkpost.ini"), windowsFolder() + "\\Talkpost.ini");
    ASSERT_FALSE(documentsFolder().empty());
    EXPECT_EQ(engine.expandMacros("{DOC}\\UPDATE.LOG"), documentsFolder() + "\\UPDATE.LOG");
    EXPECT_EQ(engine.expandMacros("{PF}\\Talkpost\\talkpost.exe"), "C:\\Program Files\\Talkpost\\talkpost.exe");
    EXPECT_EQ(engine.expandMacros("{APP}\\x"), currentDirectory() + "\\x");
    EXPECT_EQ(engine.expandMacros("{nope}\\x"), "{nope}\\x");
}

}  // namespace
}  // namespace talkpost::update
