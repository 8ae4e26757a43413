// BannerRotator: the main window's banner. It owns the banner panel (a child
// window with a lowered bevel) and the picture inside it, fetches the banner
// list once, shows its pictures in turn every ten seconds and opens the
// current banner's link on a click.
//
// Every fetch runs on a thread of its own, so the window never waits on the
// network; the result comes back as a message to the panel and is applied on
// the window's thread. At most one fetch runs at a time.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "banner/banner_list.h"
#include "banner/http_fetch_win.h"
#include "win/picture_win.h"
#include "banner/worker_timer_win.h"
#include "win/prompts_win.h"

namespace talkpost {

// The time each banner stays before the next one comes.
inline constexpr unsigned kBannerRotationMs = 10000;

class BannerRotator {
public:
    // The panel at x, y with the given size in the parent's client area; the
    // picture sits at 8, 8 inside it, 132 × 214. These are designed pixels:
    // the panel and its picture follow the parent's scale. serverBase as
    // "http://127.0.0.1:8088"; empty means no server: nothing is fetched.
    // A failure at the start or of a click is shown with prompts; the
    // banners change every rotationMs.
    BannerRotator(Prompts& prompts, HWND parent, int x, int y, int width, int height, std::string serverBase = {},
                  unsigned rotationMs = kBannerRotationMs);
    ~BannerRotator();
    BannerRotator(const BannerRotator&) = delete;
    BannerRotator& operator=(const BannerRotator&) = delete;

    const std::string& server() const { return server_; }

    // Starts fetching the list and returns at once. When the list has come,
    // the rotation starts and the first picture is fetched. A failing list
    // fetch, first picture fetch or first picture decoding shows the
    // standard error box over the parent (the fetch's message, or
    // "Could not load image. Invalid format"); a failing list leaves the
    // rotation stopped for good, a failing first picture does not.
    void startBanner();

    // The rotation's tick: selects the next banner (after the last the
    // first) and starts fetching its picture; its failures are dropped. A
    // tick that comes while a fetch still runs is skipped.
    void timerTimer();

    HWND panel() const { return panel_; }
    HWND pictureWindow() const { return picture_; }
    const std::string& link() const { return rotation_.link(); }
    const std::string& pictureUrl() const { return rotation_.pictureUrl(); }
    bool hasPicture() const { return !image_.empty(); }
    bool rotating() const { return timer_->enabled(); }
    bool fetching() const { return running_ != nullptr; }
    // The message of the last fetch or decoding that failed, shown or not.
    const std::string& lastFailure() const { return lastFailure_; }

    // Test seams: the fetch's read time-out and what a click does with a
    // link that is a web address (the shell's "open" by default); any other
    // link never reaches it.
    void setFetchOptions(const http::FetchOptions& options) { fetch_ = options; }
    std::function<void(HWND owner, const std::string& link)> openLink;

private:
    // One procedure for the panel and the picture: both paint, take the
    // click and show the hand.
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    struct Fetch;
    struct Channel;
    enum class FetchKind { List, FirstPicture, Picture };

    void nextDS(FetchKind kind);
    void ladeBild(FetchKind kind);
    void startFetch(FetchKind kind, const std::string& url);
    void fetchDone();
    void detachFetches();
    void applyList(const Fetch& fetch);
    void applyPicture(const Fetch& fetch);
    void bannerPanelClick();
    // Places the panel and the picture at the parent's scale.
    void scaleToParent();

    ComScope com_;
    Prompts& prompts_;
    HWND parent_;
    RECT place_;  // the panel's designed place
    HWND panel_ = nullptr;
    HWND picture_ = nullptr;
    std::string server_;
    http::FetchOptions fetch_;
    BannerRotation rotation_;
    Picture image_;
    std::string lastFailure_;
    std::shared_ptr<Channel> channel_;  // shared with the fetch threads
    std::shared_ptr<Fetch> running_;    // the fetch under way, if any
    std::unique_ptr<WorkerTimer> timer_;  // last: its ticks end before the rest goes
};

}  // namespace talkpost
