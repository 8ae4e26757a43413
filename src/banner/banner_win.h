// BannerRotator: the main window's banner. It owns the banner panel (a child
// window with a lowered bevel) and the picture inside it, fetches the banner
// list once, shows its pictures in turn every ten seconds and opens the
// current banner's link on a click.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "banner/banner_list.h"
#include "banner/http_fetch_win.h"
#include "win/picture_win.h"
#include "banner/worker_timer_win.h"

namespace talkpost {

class BannerRotator {
public:
    // The panel at x, y with the given size in the parent's client area; the
    // picture sits at 8, 8 inside it, 132 × 214. serverBase as
    // "http://127.0.0.1:8088"; empty means no server: nothing is fetched.
    BannerRotator(HWND parent, int x, int y, int width, int height, std::string serverBase = {});
    ~BannerRotator();
    BannerRotator(const BannerRotator&) = delete;
    BannerRotator& operator=(const BannerRotator&) = delete;

    const std::string& server() const { return server_; }

    // Fetches the list, starts the rotation and shows the first banner.
    // Throws AppError (an http::HttpError for fetch failures, or
    // "Could not load image. Invalid format"); a failing list fetch leaves
    // the rotation stopped for good, a failing first picture does not.
    void startBanner();

    // The rotation's tick: the next banner, after the last the first. The
    // timer calls it every ten seconds once the banner has started.
    void timerTimer();

    HWND panel() const { return panel_; }
    HWND pictureWindow() const { return picture_; }
    const std::string& link() const { return rotation_.link(); }
    const std::string& pictureUrl() const { return rotation_.pictureUrl(); }
    bool hasPicture() const { return !image_.empty(); }
    bool rotating() const { return timer_->enabled(); }

    // Test seams: the rotation period (10000 ms), the fetch's read time-out
    // and what a click does with the link (the shell's "open" by default).
    void setIntervalForTest(unsigned milliseconds) { timer_->setInterval(milliseconds); }
    void setFetchOptions(const http::FetchOptions& options) { fetch_ = options; }
    std::function<void(HWND owner, const std::string& link)> openLink;

private:
    // One procedure for the panel and the picture: both paint, take the
    // click and show the hand.
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    void nextDS();
    void ladeBild();
    void bannerPanelClick();

    ComScope com_;
    HWND parent_;
    HWND panel_ = nullptr;
    HWND picture_ = nullptr;
    std::string server_;
    http::FetchOptions fetch_;
    BannerRotation rotation_;
    Picture image_;
    std::unique_ptr<WorkerTimer> timer_;  // last: its ticks end before the rest goes
};

}  // namespace talkpost
