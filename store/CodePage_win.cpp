#include "CodePage.h"
#include <windows.h>

namespace store {

std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], needed);
    return wide;
}

namespace {

// usedDefault: set when a character had no 8-bit form. UTF-8 as the ANSI
// code page refuses both the flag and the out parameter.
std::string Convert(const std::wstring& text, BOOL* usedDefault)
{
    if (text.empty())
        return std::string();
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 || usedDefault == nullptr ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* used = utf8 ? nullptr : usedDefault;
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, used);
    if (needed <= 0)
        return std::string();
    std::string ansi(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), size, &ansi[0], needed, nullptr, used);
    return ansi;
}

}  // namespace

bool WideToAnsiExact(const std::wstring& text, std::string& ansi)
{
    BOOL usedDefault = FALSE;
    std::string converted = Convert(text, &usedDefault);
    // Converting back must give the very same text: a code page may map
    // characters it cannot hold onto others without saying so.
    if (usedDefault || AnsiToWide(converted) != text)
        return false;
    ansi = std::move(converted);
    return true;
}

std::string WideToAnsi(const std::wstring& text) { return Convert(text, nullptr); }

}  // namespace store
