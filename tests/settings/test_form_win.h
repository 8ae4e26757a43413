// A small window for the settings tests: a sorted combo box, an edit, a
// multi-line edit and a number field that keeps 60..20000, stored under the
// names the main window uses.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "settings/stored_props.h"
#include "win/window_win.h"

namespace talkpost::test {

class TestForm : public Window, public settings::StoredPropertyHost {
public:
    enum class Id { Computers = 101, User, Message, Time };

    // sizeable: a sizeable frame; owner: made as an owned dialog-like window.
    explicit TestForm(bool sizeable = false, HWND owner = nullptr);

    std::vector<std::string> computers() const;
    void setComputers(const std::vector<std::string>& items);
    std::string user() const;
    void setUser(const std::string& text);
    std::vector<std::string> messageLines() const;
    void setMessageLines(const std::vector<std::string>& lines);
    int time() const;
    void setTime(int value);
    RECT windowRect() const;

    bool hasComponent(const std::string& component) const override;
    std::optional<settings::PropertyAccess> findProperty(const std::string& component,
                                                         const std::string& property) override;

    // Counts of the form's own handlers, and what the show handler saw.
    int ownShows = 0;
    int ownCloseQueries = 0;
    int ownDestroys = 0;
    std::string userSeenByOwnShow;

    static constexpr int kDesignedLeft = 120;
    static constexpr int kDesignedTop = 90;
    static constexpr int kDesignedWidth = 420;
    static constexpr int kDesignedHeight = 320;
};

}  // namespace talkpost::test
