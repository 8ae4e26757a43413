// The search of Computers from Directory through the platform's directory
// interface: connect, sign in with Negotiate, page through the computers with
// the paged-results control. It runs on a worker thread of its own; the
// window's thread only starts it, reads its count, cancels it and takes the
// result once the whole result has arrived.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "nettools/directory_rules.h"

namespace talkpost::directory {

// The page size asked for: the most a domain controller hands out by default.
inline constexpr unsigned kPageSize = 1000;
// The longest any single call (connect, TLS, sign-in, one page) may take.
inline constexpr unsigned kCallSeconds = 30;

struct SearchRequest {
    DirectoryFields fields;
    std::string password;      // for SignIn::NameAndPassword; never kept
    unsigned pageSize = kPageSize;
    unsigned callSeconds = kCallSeconds;
};

struct SearchOutcome {
    bool ok = false;
    std::vector<std::string> names;  // the listed name of each computer, in the directory's order
    std::size_t skipped = 0;         // entries whose name is no host name
    std::string error;               // the operator's message when not ok
};

// What a search tells while it runs, and how it is asked to stop.
class SearchObserver {
public:
    virtual ~SearchObserver() = default;
    // Before every call to the directory: the time limit counts from here.
    virtual void callStarting() {}
    // After each page: the computers so far.
    virtual void pageArrived(std::size_t computers) { (void)computers; }
    // Read between pages.
    virtual bool cancelled() const { return false; }
};

// Runs the whole search on the calling thread.
SearchOutcome searchDirectory(const SearchRequest& request, SearchObserver& observer);

// One search on its own worker thread. The worker posts `mail` to `notify`
// after each page and at its end; it never touches a window. The object may
// be dropped at any time: a worker still blocked in a call then ends on its
// own and its result is thrown away.
class DirectorySearch {
public:
    DirectorySearch(SearchRequest request, HWND notify, UINT mail);
    ~DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    // The computers that have arrived so far.
    std::size_t count() const;
    // True once the worker has ended, or when the current call has exceeded
    // its time limit (the outcome then says so).
    bool finished();
    // The outcome; only once finished() is true.
    SearchOutcome takeOutcome();
    // Stops at the next page; the window need not wait for it.
    void cancel();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace talkpost::directory
