// The one seam through which the program asks or tells the operator something
// in a message box. The system implementation shows the real boxes; tests
// install their own to answer them. Texts are UTF-8.
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

// The prompts in use; the system's boxes unless a test installed its own.
Prompts& prompts();
// Installs a replacement (nullptr restores the system's boxes); returns the previous one.
Prompts* setPrompts(Prompts* replacement);

// A message box whose buttons carry the given captions (same order as the
// buttons MessageBox shows for the flags; empty keeps the system's caption).
int messageBoxWithButtons(HWND owner, const std::string& text, const std::string& caption, UINT flags,
                          const char* const* buttonTexts, int buttonCount);

}  // namespace talkpost
