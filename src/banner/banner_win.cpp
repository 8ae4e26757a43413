// The banner panel, its picture and the rotation on the main thread; the
// fetches on threads of their own.
#include "banner/banner_win.h"

#include <shellapi.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "base/app_error.h"
#include "base/web_address.h"
#include "win/dpi_win.h"
#include "win/text_win.h"
#include "win/win32_error_win.h"
#include "win/window_win.h"

namespace talkpost {
namespace {

constexpr const char* kPanelClass = "TalkpostBannerPanel";
constexpr const char* kPictureClass = "TalkpostBannerPicture";
constexpr int kPictureLeft = 8;
constexpr int kPictureTop = 8;
constexpr int kPictureWidth = 132;
constexpr int kPictureHeight = 214;
constexpr UINT kFetchDoneMessage = WM_APP + 1;

// The panel and the picture show the hand cursor: a click opens the link.
void registerClass(const char* name, WNDPROC proc) { registerWindowClass(name, proc, nullptr, nullptr, IDC_HAND); }

HWND createChild(const char* className, HWND parent, int x, int y, int width, int height, BannerRotator* self)
{
    HWND hwnd = CreateWindowExW(0, widen(className).c_str(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width,
                                height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd == nullptr)
        throw Win32Error("Could not create the banner panel");
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    return hwnd;
}

// The message of the exception being handled.
std::string currentExceptionMessage()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

}  // namespace

// What the window and the fetch threads share. The window clears target
// when it goes, under the lock, so a thread never posts to a window that is
// gone; the thread keeps the channel alive for as long as it runs.
struct BannerRotator::Channel {
    std::mutex mutex;
    HWND target = nullptr;
    std::atomic<bool> cancel{false};
};

// One fetch: written by its thread until done, read by the window after.
struct BannerRotator::Fetch {
    FetchKind kind;
    std::string url;
    http::FetchOptions options;
    std::string bytes;
    std::exception_ptr failure;
};

BannerRotator::BannerRotator(Prompts& prompts, HWND parent, int x, int y, int width, int height,
                             std::string serverBase, unsigned rotationMs)
    : prompts_(prompts), parent_(parent), place_{x, y, x + width, y + height}, server_(std::move(serverBase)),
      channel_(std::make_shared<Channel>()), timer_(std::make_unique<WorkerTimer>())
{
    registerClass(kPanelClass, &BannerRotator::windowProc);
    registerClass(kPictureClass, &BannerRotator::windowProc);
    panel_ = createChild(kPanelClass, parent, x, y, width, height, this);
    picture_ = createChild(kPictureClass, panel_, kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight, this);
    scaleToParent();
    openLink = [](HWND owner, const std::string& link) {
        ShellExecuteA(owner, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    timer_->setInterval(rotationMs);
    timer_->onTimer = [this](WorkerTimer&) { timerTimer(); };
    channel_->target = panel_;
}

BannerRotator::~BannerRotator()
{
    timer_.reset();
    detachFetches();
    for (HWND hwnd : {picture_, panel_})
        if (IsWindow(hwnd)) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            DestroyWindow(hwnd);
        }
}

void BannerRotator::scaleToParent()
{
    Dpi dpi = dpiOf(parent_);
    placeControl(panel_, place_.left, place_.top, place_.right - place_.left, place_.bottom - place_.top, dpi);
    placeControl(picture_, kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight, dpi);
    InvalidateRect(panel_, nullptr, TRUE);
}

void BannerRotator::detachFetches()
{
    // A fetch still under way ends soon on its own and tells no one.
    std::lock_guard<std::mutex> lock(channel_->mutex);
    channel_->target = nullptr;
    channel_->cancel = true;
}

void BannerRotator::startBanner()
{
    // No server configured: the banner stays empty. The list is fetched
    // once.
    if (server_.empty() || running_ || rotating())
        return;
    startFetch(FetchKind::List, bannerUrl(server_, "Banner.txt"));
}

void BannerRotator::nextDS(FetchKind kind)
{
    // The link is current even when the picture then fails.
    rotation_.select(server_);
    ladeBild(kind);
}

void BannerRotator::ladeBild(FetchKind kind) { startFetch(kind, rotation_.pictureUrl()); }

void BannerRotator::timerTimer()
{
    // The previous picture is still on its way: this tick is skipped, the
    // rotation goes on from where it is at the next one.
    if (running_)
        return;
    rotation_.advance();
    nextDS(FetchKind::Picture);
}

void BannerRotator::startFetch(FetchKind kind, const std::string& url)
{
    auto fetch = std::make_shared<Fetch>();
    fetch->kind = kind;
    fetch->url = url;
    fetch->options = fetch_;
    fetch->options.cancel = &channel_->cancel;
    std::shared_ptr<Channel> channel = channel_;
    std::thread([fetch, channel] {
        try {
            if (fetch->kind == FetchKind::List)
                fetch->bytes = http::httpGetText(fetch->url, fetch->options);
            else
                fetch->bytes = http::httpGetPicture(fetch->url, fetch->options);
        } catch (...) {
            fetch->failure = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(channel->mutex);
        if (channel->target != nullptr)
            PostMessageA(channel->target, kFetchDoneMessage, 0, 0);
    }).detach();
    running_ = std::move(fetch);
}

void BannerRotator::fetchDone()
{
    if (!running_)
        return;
    // Take the result under the lock the thread posted under, so that all
    // it wrote is seen here.
    std::shared_ptr<Fetch> fetch;
    {
        std::lock_guard<std::mutex> lock(channel_->mutex);
        fetch = std::move(running_);
    }
    try {
        if (fetch->kind == FetchKind::List)
            applyList(*fetch);
        else
            applyPicture(*fetch);
    } catch (...) {
        lastFailure_ = currentExceptionMessage();
        // Only the start speaks up; the rotation's failures are dropped and
        // the next tick tries the next line.
        if (fetch->kind != FetchKind::Picture)
            reportException(prompts_, parent_);
    }
}

void BannerRotator::applyList(const Fetch& fetch)
{
    if (fetch.failure)
        std::rethrow_exception(fetch.failure);
    rotation_.load(fetch.bytes);
    timer_->setEnabled(true);
    nextDS(FetchKind::FirstPicture);
}

void BannerRotator::applyPicture(const Fetch& fetch)
{
    if (fetch.failure)
        std::rethrow_exception(fetch.failure);
    // The old picture goes before the new bytes are decoded, so bytes that
    // are no picture leave the area empty.
    image_.clear();
    InvalidateRect(picture_, nullptr, TRUE);
    if (!isBannerPicture(fetch.bytes))
        throw AppError(kInvalidPictureMessage);
    image_ = Picture::fromBytes(fetch.bytes.data(), fetch.bytes.size());
    InvalidateRect(picture_, nullptr, TRUE);
    UpdateWindow(picture_);
}

void BannerRotator::bannerPanelClick()
{
    try {
        // Before the first banner, or for a line with an empty link, there
        // is nothing to open. The list comes unsigned over plain HTTP, so a
        // link that is no web address (a program, a share, a protocol
        // handler) is not opened either: like a link the shell cannot open,
        // it does nothing visible.
        if (openLink && isWebAddress(rotation_.link()))
            openLink(parent_, rotation_.link());
    } catch (...) {
        reportException(prompts_, parent_);
    }
}

LRESULT BannerRotator::handle(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (hwnd == picture_) {
            // From the top-left corner at the window's scale; the window cuts off the rest.
            Dpi dpi = dpiOf(hwnd);
            SIZE size = image_.size();
            image_.drawScaled(dc, {0, 0, dpi.scale(size.cx), dpi.scale(size.cy)});
        } else {
            RECT r;
            GetClientRect(hwnd, &r);
            DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case kDpiChangedAfterParent:
        if (hwnd == panel_)
            scaleToParent();
        return 0;
    case WM_LBUTTONUP:
        bannerPanelClick();
        return 0;
    case kFetchDoneMessage:
        fetchDone();
        return 0;
    case WM_DESTROY:
        // The panel may go with its parent before the rotator does.
        if (hwnd == panel_)
            detachFetches();
        break;
    case WM_SETCURSOR:
        // The hand while the pointer is over the banner; the window under
        // the pointer sets its own again as soon as it leaves.
        if (LOWORD(lparam) == HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK BannerRotator::windowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto* self = reinterpret_cast<BannerRotator*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    return self->handle(hwnd, msg, wparam, lparam);
}

}  // namespace talkpost
