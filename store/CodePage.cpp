#include "CodePage.h"
#include <cstdint>

namespace store {

// wchar_t is UTF-16 on Windows; on the host (32 bits) surrogate pairs are
// joined and split, so that any text survives the trip.
std::wstring WideFromUnits(const std::string& units)
{
    std::wstring text;
    text.reserve(units.size() / 2);
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        const std::uint32_t unit = static_cast<std::uint8_t>(units[i]) | static_cast<std::uint8_t>(units[i + 1]) << 8;
        if (sizeof(wchar_t) > 2 && unit >= 0xDC00 && unit < 0xE000 && !text.empty()) {
            const std::uint32_t lead = static_cast<std::uint32_t>(text.back());
            if (lead >= 0xD800 && lead < 0xDC00) {
                text.back() = static_cast<wchar_t>(0x10000 + ((lead - 0xD800) << 10) + (unit - 0xDC00));
                continue;
            }
        }
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

std::string UnitsFromWide(const std::wstring& text)
{
    std::string units;
    units.reserve(text.size() * 2);
    const auto put = [&units](std::uint32_t unit) {
        units += static_cast<char>(unit & 0xFF);
        units += static_cast<char>((unit >> 8) & 0xFF);
    };
    for (const wchar_t c : text) {
        const std::uint32_t code = static_cast<std::uint32_t>(c);
        if (code > 0xFFFF) {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put(code);
        }
    }
    return units;
}

namespace {

// Code points of a wide text: surrogate pairs joined where wchar_t is UTF-16.
template <class F>
void ForEachCodePoint(const std::wstring& text, F&& visit)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = static_cast<std::uint32_t>(text[i]);
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size()) {
            const std::uint32_t trail = static_cast<std::uint32_t>(text[i + 1]);
            if (trail >= 0xDC00 && trail < 0xE000) {
                code = 0x10000 + ((code - 0xD800) << 10) + (trail - 0xDC00);
                ++i;
            }
        }
        visit(code);
    }
}

void AppendCodePoint(std::wstring& text, std::uint32_t code)
{
    if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
        text += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
        text += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
        text += static_cast<wchar_t>(code);
    }
}

}  // namespace

std::string Utf8FromWide(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&out](std::uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    });
    return out;
}

std::wstring WideFromUtf8(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::uint32_t lead = static_cast<std::uint8_t>(text[i]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
        std::uint32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size() + (extra == 0 ? 1 : 0);
        for (int k = 1; valid && k <= extra; ++k) {
            const std::uint32_t byte = static_cast<std::uint8_t>(text[i + static_cast<std::size_t>(k)]);
            valid = (byte & 0xC0) == 0x80;
            code = code << 6 | (byte & 0x3F);
        }
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (valid && (code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)))
            valid = false;
        if (!valid) {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        AppendCodePoint(out, code);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

}  // namespace store
