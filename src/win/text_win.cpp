// Conversions between the code pages and UTF-16.
#include "win/text_win.h"

namespace talkpost {
namespace {

std::string narrowWith(std::wstring_view text, UINT codePage, DWORD flags, BOOL* usedDefault)
{
    if (text.empty())
        return {};
    int wide = static_cast<int>(text.size());
    int length = WideCharToMultiByte(codePage, flags, text.data(), wide, nullptr, 0, nullptr, usedDefault);
    std::string result(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(codePage, flags, text.data(), wide, result.data(), length, nullptr, usedDefault);
    return result;
}

}  // namespace

std::wstring widen(std::string_view text, UINT codePage)
{
    if (text.empty())
        return {};
    int bytes = static_cast<int>(text.size());
    int length = MultiByteToWideChar(codePage, 0, text.data(), bytes, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text.data(), bytes, result.data(), length);
    return result;
}

std::string narrow(std::wstring_view text, UINT codePage) { return narrowWith(text, codePage, 0, nullptr); }

std::string narrowToAnsiExactly(std::wstring_view text, bool* carried)
{
    BOOL usedDefault = FALSE;
    std::string result = narrowWith(text, CP_ACP, WC_NO_BEST_FIT_CHARS, carried != nullptr ? &usedDefault : nullptr);
    if (carried != nullptr)
        *carried = !usedDefault;
    return result;
}

std::string ansiToUtf8(std::string_view text) { return narrow(widen(text, CP_ACP)); }

CodePageText toAnsiCodePage(std::string_view utf8)
{
    // A system whose ANSI code page is UTF-8 carries everything as it is.
    if (GetACP() == CP_UTF8)
        return toCodePage(utf8, [](char32_t c) { return std::optional<std::string>(utf8Of({&c, 1})); });
    return toCodePage(utf8, [](char32_t c) -> std::optional<std::string> {
        std::wstring wide = widen(utf8Of({&c, 1}));
        bool carried = false;
        std::string bytes = narrowToAnsiExactly(wide, &carried);
        if (!carried || bytes.empty())
            return std::nullopt;
        return bytes;
    });
}

}  // namespace talkpost
