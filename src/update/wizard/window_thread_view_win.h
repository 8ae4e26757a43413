// WindowThreadView: the dialog as the page flow drives it from the update's
// worker thread. Every view operation is run on the dialog's own thread
// (onWindowThread: a sent message the dialog's message loop answers), so the
// worker never touches a window; a pause is a sleep of the worker, while the
// dialog goes on answering.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "update/wizard/wizard_flow.h"
#include "win/window_win.h"

namespace talkpost {

class WindowThreadView : public WizardView {
public:
    // view: the dialog's own operations; window: the dialog.
    WindowThreadView(WizardView& view, const Window& window) : view_(view), window_(window) {}

    void showPage(WizardPage page) override { run([&] { view_.showPage(page); }); }
    void setBusy(bool busy) override { run([&] { view_.setBusy(busy); }); }
    void setVersionInfo(const std::string& text) override { run([&] { view_.setVersionInfo(text); }); }
    std::string buttonCaption(WizardButton button) const override
    {
        std::string caption;
        run([&] { caption = view_.buttonCaption(button); });
        return caption;
    }
    void setButtonCaption(WizardButton button, const std::string& caption) override
    {
        run([&] { view_.setButtonCaption(button, caption); });
    }
    void enableButton(WizardButton button, bool enabled) override
    {
        run([&] { view_.enableButton(button, enabled); });
    }
    void focusButton(WizardButton button) override { run([&] { view_.focusButton(button); }); }
    bool canFocusStart() const override
    {
        bool can = false;
        run([&] { can = view_.canFocusStart(); });
        return can;
    }
    void setPopupTexts(const std::string& whatsNew, const std::string& license) override
    {
        run([&] { view_.setPopupTexts(whatsNew, license); });
    }
    void setMemoLines(WizardMemo memo, const std::vector<std::string>& lines) override
    {
        run([&] { view_.setMemoLines(memo, lines); });
    }
    void addComponentRow(const std::string& text, bool mandatory) override
    {
        run([&] { view_.addComponentRow(text, mandatory); });
    }
    std::vector<bool> componentRowsChecked() const override
    {
        std::vector<bool> checked;
        run([&] { checked = view_.componentRowsChecked(); });
        return checked;
    }
    bool licenseAccepted() const override
    {
        bool accepted = false;
        run([&] { accepted = view_.licenseAccepted(); });
        return accepted;
    }
    bool licenseDeclined() const override
    {
        bool declined = false;
        run([&] { declined = view_.licenseDeclined(); });
        return declined;
    }
    void resetProgress() override { run([&] { view_.resetProgress(); }); }
    void clearRestartHint() override { run([&] { view_.clearRestartHint(); }); }
    void plainMessage(const std::string& text) override { run([&] { view_.plainMessage(text); }); }
    void closeDialog() override { run([&] { view_.closeDialog(); }); }
    void pause() override { std::this_thread::sleep_for(kPause); }

private:
    // How long a page that moves on by itself stays in view.
    static constexpr std::chrono::milliseconds kPause{350};

    void run(const std::function<void()>& work) const { onWindowThread(window_.hwnd(), work); }

    WizardView& view_;
    const Window& window_;
};

}  // namespace talkpost
