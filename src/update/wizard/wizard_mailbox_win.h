// WizardMailbox: where the update's worker leaves what the wizard's dialog
// shows while it works, as Send to all's dispatch does: the latest progress,
// kept and coalesced, with a posted message to the dialog at most about
// thirty times a second; the Cancel flag the worker reads between blocks;
// and the hand-over of the engine's prompts to the dialog's thread. The
// wizard component owns it, and the engine is made watching it.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

#include "update/engine/wizard_engine.h"

namespace talkpost {

class WizardMailbox final : public update::UpdateWatcher {
public:
    // The dialog of a run opens the mailbox with its window and the message
    // it is mailed when the progress has moved; Cancel starts cleared.
    void open(HWND dialog, UINT progressMessage);
    // The run is over: nothing is mailed, prompts run where they are asked.
    void close();
    // From the dialog's thread: the update stops at its next block.
    void requestCancel() { cancel_ = true; }
    // The progress reported since it was last taken, if any.
    std::optional<update::FileProgress> takeProgress();

    // The engine's side, on its thread.
    void fileProgress(const update::FileProgress& progress) override;
    bool cancelRequested() const override { return cancel_; }
    void onWindowThread(const std::function<void()>& work) override;

private:
    // At most this often the dialog is mailed (about thirty paints a
    // second), and always with a file's last block.
    static constexpr ULONGLONG kPaintIntervalMs = 33;

    std::atomic<HWND> dialog_{nullptr};
    std::atomic<UINT> progressMessage_{0};
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;  // guards the three below
    update::FileProgress progress_;
    bool pending_ = false;
    ULONGLONG lastMail_ = 0;
};

}  // namespace talkpost
