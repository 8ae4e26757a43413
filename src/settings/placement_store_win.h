// PlacementStore keeps a window's place on the screen (position, size,
// normal/minimized/maximized) in a section of the settings file and can keep
// the operator from resizing the window. FormStateStore keeps, besides, the
// values of the window's controls named in its stored-property list.
//
// A store attaches itself to its window when made: it takes over the
// window's show, close-query and destroy events and calls the handlers it
// found from its own. The store made last is called first. Make a window's
// stores after the window has set its own handlers and created its controls.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/placement_rules.h"
#include "settings/stored_props.h"
#include "win/window_win.h"

namespace talkpost::settings {

struct PlacementConfig {
    std::string iniSection = "Placement";
    bool active = true;          // loads on show and saves on close
    bool preventResize = false;  // no maximize box, fixed tracking size, no sizing borders
    int version = 0;             // written as "FormVersion"; older stored versions load nothing
    bool restoreState = true;    // the stored normal/minimized/maximized state
    bool restorePosition = true; // the stored rectangle
};

// The screen as the stores see it.
struct ScreenInfo {
    int width = 0;
    int height = 0;
    int pixelsPerInch = 0;
};
// The system's screen; a store asks it each time it loads or saves.
ScreenInfo currentScreen();
using ScreenReader = std::function<ScreenInfo()>;

class PlacementStore {
public:
    // screen: the screen the stored place belongs to (a test gives another).
    PlacementStore(Window& window, PlacementConfig config, ScreenReader screen = currentScreen);
    virtual ~PlacementStore();
    PlacementStore(const PlacementStore&) = delete;
    PlacementStore& operator=(const PlacementStore&) = delete;

    // What the show and close events run; public for the windows that need
    // to run them at another moment.
    void loadWindowSettings();
    void saveWindowSettings();

    bool saved() const { return saved_; }
    const PlacementConfig& config() const { return config_; }

protected:
    // The stored control values, for the form-state store.
    virtual void loadControlValues(IniAccess&) {}
    virtual void storeControlValues(IniAccess&) {}
    void setRestored() { restored_ = true; }
    Window& window() { return window_; }

private:
    void handleShow();
    void handleCloseQuery(bool& canClose);
    void handleDestroy();
    void readWindowPlacement(IniAccess& ini);
    void writeWindowPlacement(IniAccess& ini);
    void moveMaximizedPositionOffScreen();
    void guardSize(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
    bool isMainWindow() const;

    Window& window_;
    PlacementConfig config_;
    ScreenReader screen_;
    std::function<void()> previousShow_;
    std::function<void(bool&)> previousCloseQuery_;
    std::function<void()> previousDestroy_;
    int hook_ = 0;
    bool restored_ = false;
    bool saved_ = false;
    bool destroying_ = false;
};

class FormStateStore : public PlacementStore {
public:
    // storedProps: "Component.Property" entries; entries that do not split
    // or name no component of the host are dropped.
    FormStateStore(Window& window, PlacementConfig config, StoredPropertyHost& host,
                   const std::vector<std::string>& storedProps, ScreenReader screen = currentScreen);

    const std::vector<StoredProp>& storedProps() const { return props_; }

protected:
    void loadControlValues(IniAccess& ini) override;
    void storeControlValues(IniAccess& ini) override;

private:
    StoredPropertyHost& host_;
    std::vector<StoredProp> props_;
};

}  // namespace talkpost::settings
