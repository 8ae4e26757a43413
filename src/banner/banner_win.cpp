// The banner panel, its picture and the rotation on the main thread.
#include "banner/banner_win.h"

#include <shellapi.h>

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
constexpr unsigned kRotationInterval = 10000;

// The panel and the picture show the hand cursor: a click opens the link.
void registerClass(const char* name, WNDPROC proc) { registerWindowClass(name, proc, nullptr, nullptr, IDC_HAND); }

HWND createChild(const char* className, HWND parent, int x, int y, int width, int height, BannerRotator* self)
{
    HWND hwnd = CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width, height,
                                parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd == nullptr)
        throw Win32Error("Could not create the banner panel");
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    return hwnd;
}

// A memory stream that is released on every path out.
class MemoryStream {
public:
    MemoryStream()
    {
        if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream_)))
            throw AppError("Could not create a memory stream");
    }
    ~MemoryStream() { stream_->Release(); }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;
    IStream* get() const { return stream_; }

private:
    IStream* stream_ = nullptr;
};

}  // namespace

BannerRotator::BannerRotator(HWND parent, int x, int y, int width, int height, std::string serverBase)
    : parent_(parent), server_(std::move(serverBase)), timer_(std::make_unique<WorkerTimer>())
{
    registerClass(kPanelClass, &BannerRotator::windowProc);
    registerClass(kPictureClass, &BannerRotator::windowProc);
    panel_ = createChild(kPanelClass, parent, x, y, width, height, this);
    picture_ = createChild(kPictureClass, panel_, kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight, this);
    openLink = [](HWND owner, const std::string& link) {
        ShellExecuteA(owner, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    timer_->setInterval(kRotationInterval);
    timer_->onTimer = [this](WorkerTimer&) { timerTimer(); };
}

BannerRotator::~BannerRotator()
{
    timer_.reset();
    for (HWND hwnd : {picture_, panel_})
        if (IsWindow(hwnd)) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            DestroyWindow(hwnd);
        }
}

void BannerRotator::startBanner()
{
    // No server configured: the banner stays empty.
    if (server_.empty())
        return;
    std::string list = http::httpGetText(bannerUrl(server_, "Banner.txt"), fetch_);
    rotation_.load(list);
    timer_->setEnabled(true);
    nextDS();
}

void BannerRotator::nextDS()
{
    // The link is current even when the picture then fails.
    rotation_.select(server_);
    ladeBild();
}

void BannerRotator::ladeBild()
{
    MemoryStream stream;
    http::httpGetStream(rotation_.pictureUrl(), stream.get(), fetch_);
    // The old picture goes before the new bytes are decoded, so bytes that
    // are no picture leave the area empty.
    image_.clear();
    InvalidateRect(picture_, nullptr, TRUE);
    image_ = Picture::fromStream(stream.get());
    InvalidateRect(picture_, nullptr, TRUE);
    UpdateWindow(picture_);
}

void BannerRotator::timerTimer()
{
    rotation_.advance();
    nextDS();
}

void BannerRotator::bannerPanelClick()
{
    try {
        // Before the first banner, or for a line with an empty link, there
        // is nothing to open.
        if (openLink && !rotation_.link().empty())
            openLink(parent_, rotation_.link());
    } catch (...) {
        reportException(parent_);
    }
}

LRESULT BannerRotator::handle(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (hwnd == picture_) {
            // Unstretched from the top-left corner; the window cuts off the rest.
            image_.draw(dc, 0, 0);
        } else {
            RECT r;
            GetClientRect(hwnd, &r);
            DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONUP:
        bannerPanelClick();
        return 0;
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
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK BannerRotator::windowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto* self = reinterpret_cast<BannerRotator*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    return self->handle(hwnd, msg, wparam, lparam);
}

}  // namespace talkpost
