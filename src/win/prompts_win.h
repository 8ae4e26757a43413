// The one seam through which the program asks or tells the operator something
// in a message box. The program's entry owns the system implementation, which
// shows the real boxes, and hands it to the windows and services it makes;
// tests hand in their own to answer them. Texts are UTF-8.
#pragma once

#include <windows.h>

#include <string>

namespace talkpost {

// The application title: caption of the standard error box and task-bar text.
inline constexpr const char* kAppTitle = "Talkpost";
// The caption of every question box, "Bestätigung".
inline constexpr const char* kConfirmationCaption = "Best\xc3\xa4tigung";

enum class Answer { Yes, No, Cancel };

class Prompts {
public:
    virtual ~Prompts() = default;
    // Information icon, caption "Information", one "OK" button.
    virtual void information(HWND owner, const std::string& text) = 0;
    // Question icon, caption "Bestätigung", "&Ja" (default), "&Nein", "Abbrechen" (Escape).
    virtual Answer confirmation(HWND owner, const std::string& text) = 0;
    // Error icon, the application title as caption, one "OK" button; the text
    // gets the full-stop rule.
    virtual void standardError(HWND owner, const std::string& message) = 0;
    // Any other box: MessageBox's flags and result.
    virtual int box(HWND owner, const std::string& text, const std::string& caption, UINT flags) = 0;
};

// The real Win32 boxes, with the captions, buttons and icons above.
class SystemPrompts final : public Prompts {
public:
    void information(HWND owner, const std::string& text) override;
    Answer confirmation(HWND owner, const std::string& text) override;
    void standardError(HWND owner, const std::string& message) override;
    int box(HWND owner, const std::string& text, const std::string& caption, UINT flags) override;
};

// A message box whose buttons carry the given captions (same order as the
// buttons MessageBox shows for the flags; empty keeps the system's caption).
int messageBoxWithButtons(HWND owner, const std::string& text, const std::string& caption, UINT flags,
                          const char* const* buttonTexts, int buttonCount);

}  // namespace talkpost
