#include "CodePage.h"

namespace store {

unsigned AnsiCodePage() { return 20127; }

std::wstring AnsiToWide(const std::string& text, unsigned)
{
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text)
        wide += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'\xFFFD';
    return wide;
}

bool WideToAnsiExact(const std::wstring& text, std::string& ansi, unsigned)
{
    for (const wchar_t c : text)
        if (static_cast<unsigned long>(c) >= 0x80)
            return false;
    ansi = WideToAnsi(text);
    return true;
}

std::string WideToAnsi(const std::wstring& text)
{
    std::string ansi;
    ansi.reserve(text.size());
    for (const wchar_t c : text)
        ansi += static_cast<unsigned long>(c) < 0x80 ? static_cast<char>(c) : '?';
    return ansi;
}

}  // namespace store
