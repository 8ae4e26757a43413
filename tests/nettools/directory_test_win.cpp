// Computers from Directory against a real directory: a Samba Active Directory
// domain controller of our own on 127.0.0.1 (tests/nettools/directory/
// with_samba_dc.sh), reached through the platform's directory interface
// under Wine. The domain holds the computers fill_directory.py makes: PC00001
// to PC<count> spread over nested organisational units, every 7th disabled,
// every 11th without a dNSHostName; the domain controller itself is a
// computer too.
#include "nettools/directory_dialog_win.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "computers/computer_list_win.h"
#include "settings/settings_file_win.h"
#include "support/real_input_win.h"
#include "support/test_support_win.h"
#include "win/controls_win.h"

namespace talkpost {
namespace {

using Id = DirectoryDialog::ControlId;
using test::RecordingPrompts;
using test::TempFolder;
using test::waitUntil;

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The names the directory's default filter gives, by the fill's rules.
std::vector<std::string> expectedNames()
{
    std::vector<std::string> names = {"talkpostdc.talkpost.test"};
    int count = std::atoi(env("TALKPOST_DC_COMPUTERS").c_str());
    for (int n = 1; n <= count; ++n) {
        if (n % 7 == 0)
            continue;
        char name[32];
        std::snprintf(name, sizeof name, n % 11 == 0 ? "PC%05d" : "pc%05d.talkpost.test", n);
        names.push_back(name);
    }
    return names;
}

class OwnerWindow : public Window {
public:
    explicit OwnerWindow(Prompts& prompts) : Window(prompts)
    {
        create("TalkpostDirectoryTestOwner", 0, "owner", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr);
        combo = test::createComputerField(hwnd());
    }
    HWND combo = nullptr;
};

class DirectoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(env("TALKPOST_DC_SERVER").empty()) << "run under tests/nettools/directory/with_samba_dc.sh";
        computers.replaceAll({"PC00001.TALKPOST.TEST", "old-host"});
        dialog = std::make_unique<DirectoryDialog>(
            prompts, computers, [this](const std::string& line) { log.push_back(line); }, owner.hwnd(), settingsFile);
        // Every count the dialog shows while it loads.
        dialog->addMessageHook([this](UINT msg, WPARAM, LPARAM, LRESULT&) {
            if (msg == WM_TIMER || msg >= WM_APP)
                shownStatus.push_back(dialog->statusText());
        });
        fill(env("TALKPOST_DC_SERVER"), env("TALKPOST_DC_USER"), env("TALKPOST_DC_PASSWORD"));
    }
    void TearDown() override
    {
        dialog.reset();
    }

    void fill(const std::string& server, const std::string& user, const std::string& password, int connection = 0)
    {
        SetWindowTextA(dialog->control(Id::ServerEdit), server.c_str());
        SetWindowTextA(dialog->control(Id::BaseEdit), "");
        Button(dialog->control(Id::NamePasswordRadio)).setChecked(true);
        Button(dialog->control(Id::CurrentUserRadio)).setChecked(false);
        SetWindowTextA(dialog->control(Id::UserEdit), user.c_str());
        SetWindowTextA(dialog->control(Id::PasswordEdit), password.c_str());
        ComboBox(dialog->control(Id::ConnectionCombo)).select(connection);
    }
    // A value set by hand, as the dialog finds it in the settings.
    void setting(const std::function<void(settings::Settings&)>& change)
    {
        settingsFile.save(settings::SettingsPart::Directory, change);
    }
    void click(Id id) { SendMessageA(dialog->control(id), BM_CLICK, 0, 0); }
    // Presses Load and waits until the load has ended.
    void load()
    {
        dialog->show();
        click(Id::LoadButton);
        ASSERT_TRUE(dialog->loading() || !log.empty() || !prompts.shown.empty());
        ASSERT_TRUE(waitUntil([&] { return !dialog->loading(); }, std::chrono::seconds(90)))
            << "still loading: " << dialog->statusText();
    }
    std::string onlyError() const
    {
        if (prompts.shown.size() != 1 || prompts.shown[0].kind != "error")
            return "(no single error shown)";
        return prompts.shown[0].text;
    }
    void expectListUnchanged()
    {
        EXPECT_EQ(computers.entries(), (std::vector<std::string>{"old-host", "PC00001.TALKPOST.TEST"}));
        EXPECT_TRUE(log.empty());
    }

    RecordingPrompts prompts;
    TempFolder folder;
    settings::SettingsFile settingsFile{settings::SettingsOptions::in(folder.path())};
    OwnerWindow owner{prompts};
    ComputerList computers{owner.combo};
    std::vector<std::string> log;
    std::vector<std::string> shownStatus;
    std::unique_ptr<DirectoryDialog> dialog;
};

bool isCount(const std::string& text, std::size_t below)
{
    std::size_t n = 0;
    int used = 0;
    return std::sscanf(text.c_str(), "%zu computers%n", &n, &used) == 1 && used == static_cast<int>(text.size()) &&
           n > 0 && n < below;
}

TEST_F(DirectoryTest, TheEnabledComputersOfNestedUnitsAreMergedWithACountWhileLoading)
{
    setting([](settings::Settings& s) { s.directoryPageSize = 5; });  // many pages, so that the count moves
    load();
    std::vector<std::string> expected = expectedNames();
    EXPECT_TRUE(prompts.shown.empty()) << onlyError();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "Directory: " + std::to_string(expected.size()) + " computers, " +
                          std::to_string(expected.size() - 1) + " added, 1 already listed");
    // Every enabled computer, by dNSHostName or name; the one listed already
    // in other letters is not listed twice; the old entry stays.
    EXPECT_EQ(computers.count(), static_cast<int>(expected.size()) + 1);
    for (const std::string& name : expected)
        EXPECT_TRUE(computers.isListed(name)) << name;
    EXPECT_TRUE(computers.isListed("old-host"));
    EXPECT_FALSE(computers.isListed("pc00007.talkpost.test"));
    EXPECT_FALSE(computers.isListed("PC00007"));
    EXPECT_TRUE(std::any_of(shownStatus.begin(), shownStatus.end(),
                            [&](const std::string& text) { return isCount(text, expected.size()); }))
        << "no count shown while loading";
    // The fields are kept, the password is not.
    std::string kept = settings::settingsText(test::readFile(folder.file("Talkpost.ini")));
    EXPECT_NE(kept.find("DirectoryServer=" + env("TALKPOST_DC_SERVER")), std::string::npos) << kept;
    EXPECT_NE(kept.find("DirectoryUser=" + env("TALKPOST_DC_USER")), std::string::npos) << kept;
    EXPECT_EQ(kept.find(env("TALKPOST_DC_PASSWORD")), std::string::npos) << kept;
}

TEST_F(DirectoryTest, EntriesNoLongerListedAreRemovedOnlyAfterConfirmation)
{
    Button(dialog->control(Id::RemoveMissingCheck)).setChecked(true);
    prompts.answers = {Answer::No};
    load();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_NE(prompts.shown[0].text.find("old-host"), std::string::npos) << prompts.shown[0].text;
    EXPECT_TRUE(computers.isListed("old-host"));
    EXPECT_EQ(log.size(), 1u);

    // A second load finds everything listed; this time the entry goes.
    prompts.shown.clear();
    log.clear();
    prompts.answers = {Answer::Yes};
    load();
    EXPECT_FALSE(computers.isListed("old-host"));
    EXPECT_EQ(computers.count(), static_cast<int>(expectedNames().size()));
    std::size_t total = expectedNames().size();
    EXPECT_EQ(log, (std::vector<std::string>{"Directory: " + std::to_string(total) + " computers, 0 added, " +
                                                 std::to_string(total) + " already listed",
                                             "Directory: 1 removed (no longer listed)"}));
}

TEST_F(DirectoryTest, CancelStopsTheLoadAndLeavesTheListAlone)
{
    setting([](settings::Settings& s) { s.directoryPageSize = 1; });
    dialog->show();
    click(Id::LoadButton);
    ASSERT_TRUE(waitUntil([&] { return isCount(dialog->statusText(), 1000); }, std::chrono::seconds(60)))
        << dialog->statusText();
    // A picture of the dialog while it loads, to compare with the layout.
    std::string shots = test::binaryDir() + "\\screenshots";
    CreateDirectoryA(shots.c_str(), nullptr);
    RedrawWindow(dialog->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    saveWindowShot(dialog->hwnd(), shots + "\\directory-loading.bmp");
    click(Id::CancelButton);
    EXPECT_FALSE(dialog->loading());
    EXPECT_TRUE(IsWindowVisible(dialog->hwnd())) << "the first Cancel only stops the load";
    EXPECT_EQ(dialog->statusText(), "Cancelled; the computer list is unchanged.");
    test::pumpFor(std::chrono::milliseconds(500));
    expectListUnchanged();
    EXPECT_TRUE(prompts.shown.empty());
    click(Id::CancelButton);
    EXPECT_FALSE(IsWindowVisible(dialog->hwnd()));
}

TEST_F(DirectoryTest, FailuresAreNamedAndChangeNothing)
{
    // A port nobody listens on, and one that takes connections but never answers.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET silent = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    int length = sizeof address;
    getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    std::string silentServer = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    setting([](settings::Settings& s) { s.directoryTimeLimit = 2; });

    struct Case {
        const char* what;
        std::string server, user, password, base;
        const char* says;
    } cases[] = {
        {"a wrong password", env("TALKPOST_DC_SERVER"), env("TALKPOST_DC_USER"), "wrong-password", "",
         "The sign-in was refused: the user name or the password is wrong. (LDAP 0x31"},
        {"an unreachable server", "127.0.0.1:1", env("TALKPOST_DC_USER"), env("TALKPOST_DC_PASSWORD"), "",
         "127.0.0.1:1 cannot be reached. (LDAP 0x51"},
        {"a base that does not exist", env("TALKPOST_DC_SERVER"), env("TALKPOST_DC_USER"), env("TALKPOST_DC_PASSWORD"),
         "OU=Nowhere," + env("TALKPOST_DC_BASE"), "The base was not found in the directory. (LDAP 0x20"},
        {"a server that never answers", silentServer, env("TALKPOST_DC_USER"), env("TALKPOST_DC_PASSWORD"), "",
         ""},
    };
    for (const Case& c : cases) {
        prompts.shown.clear();
        fill(c.server, c.user, c.password);
        SetWindowTextA(dialog->control(Id::BaseEdit), c.base.c_str());
        load();
        std::string says = *c.says != '\0' ? c.says : silentServer + " did not answer within 2 s.";
        EXPECT_EQ(onlyError().rfind(says, 0), 0u) << c.what << ": " << onlyError();
        EXPECT_EQ(dialog->statusText().rfind(says, 0), 0u) << c.what << ": " << dialog->statusText();
        EXPECT_TRUE(IsWindowVisible(dialog->hwnd())) << c.what;
        expectListUnchanged();
    }
    closesocket(silent);
    WSACleanup();
}

// Real keys through the modal loop's dialog manager: Tab moves on, Enter is
// Load wherever the focus is, Escape is Cancel.
TEST_F(DirectoryTest, EnterLoadsAndEscapeCancelsAsInEveryDialog)
{
    SetWindowTextA(dialog->control(Id::ServerEdit), "not a server:");
    EXPECT_EQ(test::runModalWithKeys(*dialog, test::Keys{"Tab", "Tab", "Return", "Escape"}), IDCANCEL);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, "information");
    EXPECT_EQ(prompts.shown[0].text.rfind("\"not a server:\" names no server", 0), 0u) << prompts.shown[0].text;
    expectListUnchanged();
}

// TLS under Wine only with small pages (see the README); the domain
// controller's own certificate is signed by nobody this machine trusts. Wine's
// directory interface hands no certificate to the program and checks none
// itself, so this is the program's own handshake and check refusing it.
TEST_F(DirectoryTest, AnUntrustedCertificateIsRefusedOverLdapsAndStartTls)
{
    setting([](settings::Settings& s) { s.directoryPageSize = 5; });
    for (int connection : {1, 2}) {
        prompts.shown.clear();
        fill(env("TALKPOST_DC_SERVER"), env("TALKPOST_DC_USER"), env("TALKPOST_DC_PASSWORD"), connection);
        load();
        EXPECT_EQ(onlyError().rfind("The certificate of " + env("TALKPOST_DC_SERVER") + " is not trusted.", 0), 0u)
            << connection << ": " << onlyError();
        expectListUnchanged();
    }
}

}  // namespace
}  // namespace talkpost
