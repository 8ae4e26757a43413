// The mailbox between the update's worker and the wizard's dialog.
#include "update/wizard/wizard_mailbox_win.h"

#include "win/window_win.h"

namespace talkpost {

void WizardMailbox::open(HWND dialog, UINT progressMessage)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = false;
        lastMail_ = 0;
    }
    cancel_ = false;
    progressMessage_ = progressMessage;
    dialog_ = dialog;
}

void WizardMailbox::close() { dialog_ = nullptr; }

std::optional<update::FileProgress> WizardMailbox::takeProgress()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!pending_)
        return std::nullopt;
    pending_ = false;
    return progress_;
}

void WizardMailbox::fileProgress(const update::FileProgress& progress)
{
    // Every block is kept; the dialog is mailed at most every
    // kPaintIntervalMs, and always with a file's last block.
    bool mail = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        progress_ = progress;
        pending_ = true;
        ULONGLONG now = GetTickCount64();
        if (now - lastMail_ >= kPaintIntervalMs || (progress.size > 0 && progress.position >= progress.size)) {
            lastMail_ = now;
            mail = true;
        }
    }
    if (HWND dialog = dialog_; mail && dialog != nullptr)
        PostMessageA(dialog, progressMessage_, 0, 0);
}

void WizardMailbox::onWindowThread(const std::function<void()>& work) { talkpost::onWindowThread(dialog_, work); }

}  // namespace talkpost
