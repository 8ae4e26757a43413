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

}  // namespace talkpost
