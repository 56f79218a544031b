#include "CodePage.h"
#include <windows.h>
#include "framework/Text.h"

namespace store {

unsigned AnsiCodePage() { return GetACP(); }

std::wstring AnsiToWide(const std::string& text, unsigned codePage) { return fw::WidenAnsi(text, codePage); }

std::string WideToAnsi(const std::wstring& text) { return fw::NarrowAnsi(text); }

bool WideToAnsiExact(const std::wstring& text, std::string& ansi, unsigned codePage)
{
    if (text.empty()) {
        ansi.clear();
        return true;
    }
    // No best-fit stand-ins, and tell us of characters with no 8-bit form.
    // UTF-8 refuses both the flag and the out parameter: for it the round
    // trip below is the whole check. The code page asked for decides, not
    // the one the program runs under.
    const bool utf8 = codePage == CP_UTF8;
    BOOL usedDefault = FALSE;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* const used = utf8 ? nullptr : &usedDefault;
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, used);
    if (needed <= 0)
        return false;
    std::string converted(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), size, &converted[0], needed, nullptr, used);
    // Converting back must give the very same text: a code page may map
    // characters it cannot hold onto others without saying so, and UTF-8
    // turns an unpaired surrogate into U+FFFD.
    if (usedDefault || AnsiToWide(converted, codePage) != text)
        return false;
    ansi = std::move(converted);
    return true;
}

}  // namespace store
