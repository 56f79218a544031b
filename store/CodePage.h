// Texts between Unicode and the 8-bit texts of the data file. On Windows the
// 8-bit side is the ANSI code page; the host build, which has none, takes
// ASCII only, so that its tests see both outcomes.
#pragma once
#include <string>

namespace store {

// 8-bit text to Unicode as the platform reads it (host: U+FFFD for bytes
// above 0x7F).
std::wstring AnsiToWide(const std::string& text);

// The 8-bit text that stands for text exactly, checked by converting back:
// false when some character has none (no best-fit stand-ins).
bool WideToAnsiExact(const std::wstring& text, std::string& ansi);

// The same conversion, lossy: what cannot be represented becomes '?'.
std::string WideToAnsi(const std::wstring& text);

// UTF-16LE bytes, as the archive holds a wide string, and back.
std::wstring WideFromUnits(const std::string& units);
std::string UnitsFromWide(const std::wstring& text);

// UTF-8, in which the store's paths and reports travel, and back. Invalid
// sequences become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace store
