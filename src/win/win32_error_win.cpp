// Win32Error and the system's message texts.
#include "win/win32_error_win.h"

#include "win/text_win.h"

namespace talkpost {

std::string systemErrorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer != nullptr)
        text = narrow(std::wstring_view(buffer, length));
    if (buffer != nullptr)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        text = "System error " + std::to_string(code);
    return text;
}

namespace {
std::string compose(const std::string& context, DWORD code)
{
    std::string text = systemErrorText(code);
    if (context.empty())
        return text;
    std::string composed = context;
    composed.append(": ").append(text);
    return composed;
}
}  // namespace

Win32Error::Win32Error(const std::string& context, DWORD code) : AppError(compose(context, code)), code_(code) {}

}  // namespace talkpost
