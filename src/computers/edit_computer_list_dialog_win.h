// EditComputerListDialog: the dialog in which the operator reviews and changes
// the whole computer list at once, editing entries in place, adding and
// removing them, and then saves the result into the main window's list or
// drops it. It is made once, hidden between uses, and reloads the list every
// time it is shown. The application keeps its placement in the settings file.
#pragma once

#include <windows.h>

#include <memory>

#include "computers/computer_list_win.h"
#include "computers/inplace_list_box_win.h"
#include "win/handles_win.h"
#include "win/window_win.h"

namespace talkpost {

class EditComputerListDialog : public Window {
public:
    enum class ControlId : int { ComputerListBox = 100, Add = 101, Remove = 102, Save = 103, Cancel = 104 };

    // computers: the main window's list, read on every show and replaced on "Save".
    EditComputerListDialog(Prompts& prompts, ComputerList& computers, HWND owner);
    ~EditComputerListDialog() override;

    InPlaceListBox& listBox() { return *list_; }
    HWND button(ControlId id) const { return control(static_cast<int>(id)); }

protected:
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override;
    // Lays the dialog out at the scale: fonts, list rows, buttons.
    void scaleTo(int dpi) override;

private:
    // Every show starts from the main window's list.
    void reloadFromComputerList();
    // Ctrl+V in the list: each line of the clipboard's text not yet listed
    // (letter case ignored) becomes an entry; refused lines are shown.
    void pasteLines();
    void onAdd();
    void onRemove();
    void onSave();
    void onCancel();
    void closeDialog(int result);

    ComputerList& computers_;
    UniqueGdiObject font_;
    UniqueGdiObject listFont_;
    UniqueGdiObject signFont_;
    std::unique_ptr<InPlaceListBox> list_;
};

}  // namespace talkpost
