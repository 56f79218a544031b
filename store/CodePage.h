// Texts between Unicode and the 8-bit texts of the data file. On Windows the
// 8-bit side is the ANSI code page; the host build, which has none, takes
// ASCII only, so that its tests see both outcomes.
#pragma once
#include <string>

namespace store {

// The ANSI code page the program runs under (host: 20127, US-ASCII).
unsigned AnsiCodePage();

// 8-bit text of codePage to Unicode as the platform reads it (host: U+FFFD
// for bytes above 0x7F, whatever the code page).
std::wstring AnsiToWide(const std::string& text, unsigned codePage);

// The 8-bit text of codePage that stands for text exactly, checked by
// converting back: false when some character has none (no best-fit
// stand-ins).
bool WideToAnsiExact(const std::wstring& text, std::string& ansi, unsigned codePage);

// The ANSI code page's conversion, lossy: what cannot be represented becomes '?'.
std::string WideToAnsi(const std::wstring& text);

// UTF-16LE bytes, as the archive holds a wide string, and back.
std::wstring WideFromUnits(const std::string& units);
std::string UnitsFromWide(const std::wstring& text);

// UTF-8, in which the store's paths and reports travel, and back. Invalid
// sequences become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace store
