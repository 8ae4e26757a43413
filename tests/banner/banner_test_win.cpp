// The banner against a scripted server on 127.0.0.1: the order of the
// banners, the line rules, the failures at start and during the rotation,
// servers that stall or send too much, a close with a fetch under way, the
// click and the pointer, and the picture formats. The fetches run on threads
// of their own, so the tests pump messages until the result has come.
#include "banner/banner_win.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <vector>

#include "banner/script_server_win.h"
#include "support/test_support_win.h"

namespace talkpost {
namespace {

using namespace std::chrono_literals;
using test::ScriptServer;

constexpr unsigned kNever = 600000;

std::string testPicture(const char* name)
{
    std::string bytes = test::readFile(test::sourceDir() + "\\tests\\banner\\data\\" + name);
    if (bytes.empty())
        throw std::runtime_error(std::string("missing test picture ") + name);
    return bytes;
}

std::string list(const std::string& text) { return ScriptServer::ok(text); }

// The bytes of an enhanced metafile drawn here.
std::string enhancedMetafile()
{
    RECT frame{0, 0, 500, 800};  // in 0.01 mm
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    Rectangle(dc, 0, 0, 10, 10);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    std::string bytes(GetEnhMetaFileBits(emf, 0, nullptr), '\0');
    GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
    DeleteEnhMetaFile(emf);
    return bytes;
}

class BannerTest : public ::testing::Test {
protected:
    BannerTest()
    {
        host_ = CreateWindowExA(0, "STATIC", "banner host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~BannerTest() override
    {
        rotator_.reset();
        DestroyWindow(host_);
    }

    // A rotator on the server that ticks only when the test says so (or at
    // the given interval), recording the links it is asked to open (or, with
    // toShell, handing them to the shell as the program does).
    BannerRotator& start(const std::string& base, unsigned interval = kNever, bool toShell = false)
    {
        rotator_ = std::make_unique<BannerRotator>(prompts_, host_, 392, 80, 148, 230, base, interval);
        http::FetchOptions quick;
        quick.readTimeoutMs = 5000;
        rotator_->setFetchOptions(quick);
        if (toShell)
            return *rotator_;
        rotator_->openLink = [this](HWND owner, const std::string& link) {
            EXPECT_EQ(owner, host_);
            opened_.push_back(link);
        };
        return *rotator_;
    }

    // Waits until the fetch under way has come back and been applied.
    static bool settle(BannerRotator& rotator)
    {
        return test::waitUntil([&] { return !rotator.fetching(); });
    }

    // Starts the banner and returns the one error box it shows (empty when
    // none), once the list and the first picture have come.
    std::string startError(BannerRotator& rotator)
    {
        // The list's result starts the first picture's fetch in the same
        // step, so one wait covers both.
        rotator.startBanner();
        EXPECT_TRUE(settle(rotator));
        if (prompts_.shown.empty())
            return {};
        EXPECT_EQ(prompts_.shown.size(), 1u);
        return prompts_.shown.front().text;
    }

    HWND host_ = nullptr;
    std::unique_ptr<BannerRotator> rotator_;
    std::vector<std::string> opened_;
    test::RecordingPrompts prompts_;
};

TEST_F(BannerTest, ShowsTheBannersInListOrderAndStartsOverAtTheEnd)
{
    const std::string gif = ScriptServer::ok(testPicture("small.gif"));
    ScriptServer server(ScriptServer::files({
        {"/TALKPOST/Banner.txt", list("one.gif;L1\r\ntwo.gif;L2\r\nthree.gif;L3\r\n")},
        {"/TALKPOST/one.gif", gif},
        {"/TALKPOST/two.gif", gif},
        {"/TALKPOST/three.gif", gif},
    }));
    BannerRotator& rotator = start(server.base(), 50);
    rotator.startBanner();
    ASSERT_TRUE(test::waitUntil([&] { return rotator.hasPicture(); }));
    // On a busy machine the rotation may have moved on while the first
    // picture came: the order is the server's to tell, and the link is
    // always the one of the current line's picture.
    const std::map<std::string, std::string> linkOf{{"one.gif", "L1"}, {"two.gif", "L2"}, {"three.gif", "L3"}};
    const std::string current = rotator.pictureUrl().substr(rotator.pictureUrl().rfind('/') + 1);
    ASSERT_TRUE(linkOf.contains(current)) << rotator.pictureUrl();
    EXPECT_EQ(rotator.link(), linkOf.at(current));
    ASSERT_TRUE(test::waitUntil([&] { return server.targets().size() >= 5; }));
    auto targets = server.targets();
    targets.resize(5);
    EXPECT_EQ(targets, (std::vector<std::string>{"/TALKPOST/Banner.txt", "/TALKPOST/one.gif", "/TALKPOST/two.gif",
                                                 "/TALKPOST/three.gif", "/TALKPOST/one.gif"}));
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(BannerTest, SplitsEachLineIntoPictureAndLink)
{
    ScriptServer server(ScriptServer::files({
        {"/TALKPOST/Banner.txt", list("x.gif;page;part2\r\n;only-link\r\nhttp://talkpost.example/no-separator")},
        {"/TALKPOST/x.gif", ScriptServer::ok(testPicture("small.gif"))},
    }));
    BannerRotator& rotator = start(server.base());
    EXPECT_EQ(startError(rotator), "");
    EXPECT_EQ(rotator.pictureUrl(), server.base() + "/TALKPOST/x.gif");
    EXPECT_EQ(rotator.link(), "page;part2");

    // The other two name no picture: their fetch asks for the folder and
    // fails without a word, yet their link is current.
    rotator.timerTimer();
    EXPECT_EQ(rotator.pictureUrl(), server.base() + "/TALKPOST/");
    EXPECT_EQ(rotator.link(), "only-link");
    ASSERT_TRUE(settle(rotator));
    EXPECT_EQ(rotator.lastFailure(), "HTTP/1.1 404 Not Found");
    rotator.timerTimer();
    EXPECT_EQ(rotator.link(), "http://talkpost.example/no-separator");
    ASSERT_TRUE(settle(rotator));
    EXPECT_TRUE(prompts_.shown.empty());
    SendMessageA(rotator.panel(), WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(opened_, (std::vector<std::string>{"http://talkpost.example/no-separator"}));
    EXPECT_TRUE(rotator.hasPicture()) << "a failed fetch keeps the picture on show";
}

TEST_F(BannerTest, ServerDownAtStartFailsOnceAndNeverRotates)
{
    BannerRotator& rotator = start("http://127.0.0.1:" + std::to_string(test::unusedPort()), 20);
    EXPECT_EQ(startError(rotator), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_FALSE(rotator.rotating());
    EXPECT_FALSE(rotator.hasPicture());
}

TEST_F(BannerTest, MissingListMakesNoFurtherRequests)
{
    ScriptServer server(ScriptServer::files({}));
    BannerRotator& rotator = start(server.base(), 20);
    EXPECT_EQ(startError(rotator), "HTTP/1.1 404 Not Found");
    test::pumpFor(500ms);
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/TALKPOST/Banner.txt"}));
    EXPECT_FALSE(rotator.rotating());
    EXPECT_EQ(prompts_.shown.size(), 1u) << "one box, no more";
}

TEST_F(BannerTest, MissingFirstPictureFailsOnceAndTheRotationGoesOn)
{
    ScriptServer server(ScriptServer::files({
        {"/TALKPOST/Banner.txt", list("one.gif;L1\r\ntwo.gif;L2\r\nthree.gif;L3\r\n")},
        {"/TALKPOST/two.gif", ScriptServer::ok(testPicture("small.gif"))},
    }));
    BannerRotator& rotator = start(server.base(), 50);
    EXPECT_EQ(startError(rotator), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(rotator.link(), "L1") << "the link is set before the picture is fetched";
    EXPECT_TRUE(rotator.rotating());
    // two.gif shows, three.gif and one.gif fail again without a word.
    ASSERT_TRUE(test::waitUntil([&] { return server.targets().size() >= 5; }));
    ASSERT_TRUE(settle(rotator));
    EXPECT_TRUE(rotator.hasPicture());
    EXPECT_EQ(prompts_.shown.size(), 1u) << "later failures show no box";
}

TEST_F(BannerTest, BytesThatAreNoPictureLeaveTheAreaEmpty)
{
    ScriptServer server(ScriptServer::files({
        {"/TALKPOST/Banner.txt", list("good.gif;L1\r\nbad.gif;L2\r\n")},
        {"/TALKPOST/good.gif", ScriptServer::ok(testPicture("small.gif"))},
        {"/TALKPOST/bad.gif", ScriptServer::ok("this is no picture")},
    }));
    BannerRotator& rotator = start(server.base());
    EXPECT_EQ(startError(rotator), "");
    ASSERT_TRUE(rotator.hasPicture());
    rotator.timerTimer();
    ASSERT_TRUE(settle(rotator));
    EXPECT_EQ(rotator.lastFailure(), "Could not load image. Invalid format");
    EXPECT_FALSE(rotator.hasPicture());
    EXPECT_TRUE(prompts_.shown.empty()) << "the rotation's failures show no box";
}

// Bytes the platform's loader would decode but a banner never carries: an
// icon and an enhanced metafile go no further than a text does.
TEST_F(BannerTest, PicturesOtherThanGifJpegPngOrBmpAreNotDecoded)
{
    std::string emfBytes = enhancedMetafile();
    ScriptServer server(ScriptServer::files({
        {"/TALKPOST/Banner.txt", list("good.jpg;L1\r\nicon.gif;L2\r\nmeta.gif;L3\r\n")},
        {"/TALKPOST/good.jpg", ScriptServer::ok(testPicture("small.jpg"))},
        {"/TALKPOST/icon.gif", ScriptServer::ok(testPicture("small.ico"))},
        {"/TALKPOST/meta.gif", ScriptServer::ok(emfBytes)},
    }));
    BannerRotator& rotator = start(server.base());
    EXPECT_EQ(startError(rotator), "");
    ASSERT_TRUE(rotator.hasPicture());
    for (const char* link : {"L2", "L3"}) {
        rotator.timerTimer();
        ASSERT_TRUE(settle(rotator));
        EXPECT_EQ(rotator.link(), link);
        EXPECT_EQ(rotator.lastFailure(), "Could not load image. Invalid format") << link;
        EXPECT_FALSE(rotator.hasPicture()) << link;
    }
    EXPECT_TRUE(prompts_.shown.empty());
}

// Clicks on each line of a list whose links name a program, a share, local
// files and protocol handlers, then a web address; returns the links the
// rotator handed on.
std::vector<std::string> clickThrough(BannerRotator& rotator, int lines)
{
    std::vector<std::string> links;
    for (int i = 0; i < lines; ++i) {
        if (i > 0)
            rotator.timerTimer();
        EXPECT_TRUE(test::waitUntil([&] { return !rotator.fetching(); }));
        links.push_back(rotator.link());
        SendMessageA(i % 2 == 0 ? rotator.panel() : rotator.pictureWindow(), WM_LBUTTONUP, 0, 0);
    }
    return links;
}

const std::string kMstsc = "C:\\windows\\system32\\mstsc.exe";  // the stand-in that records its runs

std::string hostileList(const std::string& webAddress)
{
    return "a.gif;" + kMstsc + "\r\n" +
           "a.gif;\\\\127.0.0.1\\c$\\windows\\system32\\mstsc.exe\r\n" +
           "a.gif;file:///C:/windows/system32/mstsc.exe\r\n" +
           "a.gif; http://talkpost.example/\r\n" +
           "a.gif;search-ms:query=mstsc&crumb=location:C:\\windows\\system32\r\n" +
           "a.gif;ms-msdt:/id PCWDiagnostic /skip force\r\n" +
           "a.gif;mstsc.exe\r\n" +
           "a.gif;" + webAddress + "\r\n";
}

TEST_F(BannerTest, AClickOpensOnlyAWebAddress)
{
    ScriptServer server(ScriptServer::files({
        {"/TALKPOST/Banner.txt", list(hostileList("HTTPS://talkpost.example/offer"))},
        {"/TALKPOST/a.gif", ScriptServer::ok(testPicture("small.gif"))},
    }));
    BannerRotator& rotator = start(server.base());
    EXPECT_EQ(startError(rotator), "");
    std::vector<std::string> links = clickThrough(rotator, 8);
    EXPECT_EQ(links.front(), kMstsc);
    EXPECT_EQ(opened_, (std::vector<std::string>{"HTTPS://talkpost.example/offer"}));
}

// The same list with the shell itself behind the click: none of the links
// starts the recording stand-in. The stand-in started through the shell
// afterwards shows that a start would have been recorded.
TEST_F(BannerTest, TheShellIsNeverHandedAProgramAShareOrAHandler)
{
    test::StandinLog standins;
    ScriptServer server(ScriptServer::files({
        {"/TALKPOST/Banner.txt", list(hostileList("file:///C:/windows/system32/mstsc.exe"))},
        {"/TALKPOST/a.gif", ScriptServer::ok(testPicture("small.gif"))},
    }));
    BannerRotator& rotator = start(server.base(), kNever, true);
    EXPECT_EQ(startError(rotator), "");
    clickThrough(rotator, 8);

    ShellExecuteA(nullptr, "open", kMstsc.c_str(), "/v:sentinel", nullptr, SW_SHOWNORMAL);
    standins.waitFor(1);
    test::pumpFor(500ms);
    auto runs = standins.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].args.substr(0, 11), "/v:sentinel");
}

// A handler that holds the request for the given target until the test
// releases the server, then serves the files as usual.
ScriptServer::Handler holding(const std::string& target, std::map<std::string, std::string> replies)
{
    ScriptServer::Handler files = ScriptServer::files(std::move(replies));
    return [target, files](ScriptServer& self, SOCKET client, const std::string& request) {
        if (request.rfind("GET " + target + " ", 0) == 0)
            self.waitUntilReleased();
        files(self, client, request);
    };
}

TEST_F(BannerTest, StartReturnsAtOnceWhileTheServerHoldsTheListAndTheBoxComesLater)
{
    // Held, then closed without a reply.
    ScriptServer server([](ScriptServer& self, SOCKET, const std::string&) { self.waitUntilReleased(); });
    BannerRotator& rotator = start(server.base(), 20);
    rotator.startBanner();
    ASSERT_TRUE(test::waitUntil([&] { return !server.requests().empty(); }));
    EXPECT_TRUE(rotator.fetching());
    EXPECT_TRUE(prompts_.shown.empty()) << "no box while the server is silent";

    server.release();
    ASSERT_TRUE(test::waitUntil([&] { return !prompts_.shown.empty(); }));
    EXPECT_EQ(prompts_.shown.front().text, "Connection Closed Gracefully.");
    EXPECT_FALSE(rotator.rotating());
    EXPECT_FALSE(rotator.hasPicture());
}

TEST_F(BannerTest, ATickWhileAPictureIsOnItsWayIsSkipped)
{
    const std::string gif = ScriptServer::ok(testPicture("small.gif"));
    ScriptServer server(holding("/TALKPOST/one.gif", {
                                                         {"/TALKPOST/Banner.txt", list("one.gif;L1\r\ntwo.gif;L2\r\n")},
                                                         {"/TALKPOST/one.gif", gif},
                                                         {"/TALKPOST/two.gif", gif},
                                                     }));
    BannerRotator& rotator = start(server.base());
    rotator.startBanner();
    ASSERT_TRUE(test::waitUntil([&] { return server.targets().size() == 2; }));
    rotator.timerTimer();
    rotator.timerTimer();
    EXPECT_EQ(rotator.link(), "L1") << "a skipped tick selects nothing";

    server.release();
    ASSERT_TRUE(settle(rotator));
    EXPECT_TRUE(rotator.hasPicture());
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/TALKPOST/Banner.txt", "/TALKPOST/one.gif"}));
    rotator.timerTimer();
    EXPECT_EQ(rotator.link(), "L2");
    ASSERT_TRUE(settle(rotator));
    EXPECT_EQ(server.targets().back(), "/TALKPOST/two.gif");
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(BannerTest, ClosingWithAFetchUnderWayNeitherWaitsNorCrashes)
{
    ScriptServer server(holding("/TALKPOST/Banner.txt", {{"/TALKPOST/Banner.txt", list("one.gif;L1\r\n")}}));
    BannerRotator& rotator = start(server.base());
    // No time-out that could end the fetch: only the close can.
    http::FetchOptions patient;
    patient.readTimeoutMs = 600000;
    patient.totalTimeoutMs = 600000;
    rotator.setFetchOptions(patient);
    rotator.startBanner();
    ASSERT_TRUE(test::waitUntil([&] { return !server.requests().empty(); }));
    rotator_.reset();

    // The fetch gives up and closes its connection; its result reaches no
    // window and touches nothing that is gone.
    server.release();
    ASSERT_TRUE(test::waitUntil([&] { return server.closedByClient() == 1; }));
    test::pumpFor(300ms);
    EXPECT_TRUE(IsWindow(host_));
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(BannerTest, NoServerConfiguredFetchesNothing)
{
    BannerRotator& rotator = start("");
    EXPECT_NO_THROW(rotator.startBanner());
    EXPECT_FALSE(rotator.fetching());
    EXPECT_FALSE(rotator.rotating());
    SendMessageA(rotator.pictureWindow(), WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(opened_.empty()) << "no banner was ever selected";
}

TEST_F(BannerTest, PanelSitsWhereAskedWithThePictureInsideAndShowsTheHand)
{
    BannerRotator& rotator = start("");
    RECT panel, picture;
    GetWindowRect(rotator.panel(), &panel);
    MapWindowPoints(nullptr, host_, reinterpret_cast<POINT*>(&panel), 2);
    EXPECT_EQ(panel.left, 392);
    EXPECT_EQ(panel.top, 80);
    EXPECT_EQ(panel.right - panel.left, 148);
    EXPECT_EQ(panel.bottom - panel.top, 230);
    GetWindowRect(rotator.pictureWindow(), &picture);
    MapWindowPoints(nullptr, rotator.panel(), reinterpret_cast<POINT*>(&picture), 2);
    EXPECT_EQ(picture.left, 8);
    EXPECT_EQ(picture.top, 8);
    EXPECT_EQ(picture.right - picture.left, 132);
    EXPECT_EQ(picture.bottom - picture.top, 214);

    HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    for (HWND over : {rotator.panel(), rotator.pictureWindow()}) {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        SendMessageA(over, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), hand);
    }
}

TEST(Picture, DrawsUnstretchedFromTheTopLeftCorner)
{
    ComScope com;
    std::string bytes = testPicture("small.bmp");  // 20 x 30, dark lines at top and bottom
    Picture picture = Picture::fromBytes(bytes.data(), bytes.size());
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP area = CreateCompatibleBitmap(screen, 132, 214);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, area);
    RECT all{0, 0, 132, 214};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    picture.draw(dc, 0, 0);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(20, 20, 40));
    EXPECT_EQ(GetPixel(dc, 0, 29), RGB(20, 20, 40));
    EXPECT_EQ(GetPixel(dc, 20, 0), RGB(255, 255, 255)) << "not stretched to the width";
    EXPECT_EQ(GetPixel(dc, 0, 30), RGB(255, 255, 255)) << "not stretched to the height";
    SelectObject(dc, old);
    DeleteObject(area);
    DeleteDC(dc);
}

TEST(Picture, DecodesEveryFormatOfThePictureLoader)
{
    ComScope com;
    for (const char* name : {"small.gif", "small.bmp", "small.jpg", "small.ico"}) {
        std::string bytes = testPicture(name);
        Picture picture = Picture::fromBytes(bytes.data(), bytes.size());
        SIZE size = picture.size();
        EXPECT_EQ(size.cx, 20) << name;
        EXPECT_EQ(size.cy, 30) << name;
    }

    // Metafiles, drawn here: an enhanced one and a placeable Windows one.
    std::string emfBytes = enhancedMetafile();
    EXPECT_FALSE(Picture::fromBytes(emfBytes.data(), emfBytes.size()).empty());

    HDC wmfDc = CreateMetaFileA(nullptr);
    Rectangle(wmfDc, 0, 0, 100, 100);
    HMETAFILE wmf = CloseMetaFile(wmfDc);
    std::string body(GetMetaFileBitsEx(wmf, 0, nullptr), '\0');
    GetMetaFileBitsEx(wmf, static_cast<UINT>(body.size()), body.data());
    DeleteMetaFile(wmf);
    // The placeable header: key, handle, bounds, units per inch, reserved, checksum.
    WORD header[11] = {0xCDD7, 0x9AC6, 0, 0, 0, 100, 100, 1440, 0, 0, 0};
    for (int i = 0; i < 10; ++i)
        header[10] ^= header[i];
    std::string wmfBytes(reinterpret_cast<const char*>(header), sizeof header);
    wmfBytes += body;
    EXPECT_FALSE(Picture::fromBytes(wmfBytes.data(), wmfBytes.size()).empty());

    for (const std::string& bad : {std::string("no picture at all"), std::string()}) {
        try {
            Picture::fromBytes(bad.data(), bad.size());
            ADD_FAILURE() << "decoded " << bad;
        } catch (const AppError& e) {
            EXPECT_STREQ(e.what(), kInvalidPictureMessage);
        }
    }
}

}  // namespace
}  // namespace talkpost
