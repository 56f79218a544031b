// Conversions for the few texts that stay in the ANSI code page: fixed
// program texts and what the system gives in it. The data file's 8-bit texts
// name their code page.
#pragma once
#include <windows.h>
#include <string>

namespace fw {

inline std::wstring WidenAnsi(const std::string& text, UINT codePage = CP_ACP)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<std::size_t>(length) : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
    return wide;
}

inline std::string NarrowAnsi(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), size, &narrow[0], length, nullptr, nullptr);
    return narrow;
}

}  // namespace fw
