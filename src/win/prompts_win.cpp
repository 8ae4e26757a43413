// The system's message boxes, with the German button captions of the
// confirmation box put in by a short-lived CBT hook.
#include "win/prompts_win.h"

#include "base/app_error.h"
#include "win/text_win.h"

namespace talkpost {
namespace {

struct ButtonRename {
    HHOOK hook = nullptr;
    const char* const* texts = nullptr;
    int count = 0;
};
thread_local ButtonRename* currentRename = nullptr;

LRESULT CALLBACK renameButtonsHook(int code, WPARAM wparam, LPARAM lparam)
{
    ButtonRename* rename = currentRename;
    if (rename == nullptr)
        return 0;
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wparam);
        // The box's buttons in the order of their ids, which is their order on screen.
        static const int kIds[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDTRYAGAIN, IDCONTINUE};
        int next = 0;
        HWND buttons[8] = {};
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr && next < 8;
             child = GetWindow(child, GW_HWNDNEXT)) {
            char cls[16] = {};
            GetClassNameA(child, cls, sizeof cls);
            if (lstrcmpiA(cls, "Button") == 0) {
                int id = GetDlgCtrlID(child);
                for (int k : kIds)
                    if (k == id)
                        buttons[next++] = child;
            }
        }
        // Order by horizontal position, which is the order the flags name them.
        for (int i = 0; i < next; ++i)
            for (int j = i + 1; j < next; ++j) {
                RECT a, b;
                GetWindowRect(buttons[i], &a);
                GetWindowRect(buttons[j], &b);
                if (b.left < a.left)
                    std::swap(buttons[i], buttons[j]);
            }
        for (int i = 0; i < next && i < rename->count; ++i)
            if (rename->texts[i] != nullptr && rename->texts[i][0] != '\0')
                SetWindowTextW(buttons[i], widen(rename->texts[i]).c_str());
        UnhookWindowsHookEx(rename->hook);
        rename->hook = nullptr;
        return 0;
    }
    return CallNextHookEx(rename->hook, code, wparam, lparam);
}

}  // namespace

void SystemPrompts::information(HWND owner, const std::string& text)
{
    MessageBoxW(owner, widen(text).c_str(), L"Information", MB_OK | MB_ICONINFORMATION);
}

Answer SystemPrompts::confirmation(HWND owner, const std::string& text)
{
    static const char* const kButtons[] = {"&Ja", "&Nein", "Abbrechen"};
    int result = messageBoxWithButtons(owner, text, kConfirmationCaption, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1,
                                       kButtons, 3);
    if (result == IDYES)
        return Answer::Yes;
    if (result == IDNO)
        return Answer::No;
    return Answer::Cancel;
}

void SystemPrompts::standardError(HWND owner, const std::string& message)
{
    MessageBoxW(owner, widen(standardErrorText(message)).c_str(), widen(kAppTitle).c_str(), MB_OK | MB_ICONERROR);
}

int SystemPrompts::box(HWND owner, const std::string& text, const std::string& caption, UINT flags)
{
    return MessageBoxW(owner, widen(text).c_str(), widen(caption).c_str(), flags);
}

int messageBoxWithButtons(HWND owner, const std::string& text, const std::string& caption, UINT flags,
                          const char* const* buttonTexts, int buttonCount)
{
    ButtonRename rename;
    rename.texts = buttonTexts;
    rename.count = buttonCount;
    ButtonRename* outer = currentRename;
    currentRename = &rename;
    rename.hook = SetWindowsHookExA(WH_CBT, renameButtonsHook, nullptr, GetCurrentThreadId());
    int result = MessageBoxW(owner, widen(text).c_str(), widen(caption).c_str(), flags);
    if (rename.hook != nullptr)
        UnhookWindowsHookEx(rename.hook);
    currentRename = outer;
    return result;
}

}  // namespace talkpost
