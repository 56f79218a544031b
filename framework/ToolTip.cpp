#include "ToolTip.h"
#include <commctrl.h>
#include "Dpi.h"

namespace fw {

namespace {

// Characters that stay together: a surrogate pair is one.
bool StartsPair(const std::wstring& text, size_t i)
{
    return i + 1 < text.size() && text[i] >= 0xD800 && text[i] < 0xDC00 && text[i + 1] >= 0xDC00 &&
           text[i + 1] < 0xE000;
}

}  // namespace

std::wstring WrapTipText(const std::wstring& text, int maxWidth,
                         const std::function<int(const std::wstring&)>& measure)
{
    std::wstring wrapped;
    std::wstring line;
    // A blank that ends a line takes no room there.
    const auto fits = [&](const std::wstring& text) {
        const bool blank = !text.empty() && text.back() == L' ';
        return measure(blank ? text.substr(0, text.size() - 1) : text) <= maxWidth;
    };
    const auto place = [&](const std::wstring& piece) {
        if (!line.empty() && !fits(line + piece)) {
            wrapped += line + L'\n';
            line.clear();
        }
        line += piece;
    };
    const auto isBreak = [](wchar_t c) { return c == L' ' || c == L'\\' || c == L'/'; };
    for (size_t start = 0; start < text.size();) {
        if (text[start] == L'\n') {
            wrapped += line + L'\n';
            line.clear();
            ++start;
            continue;
        }
        // A piece runs up to and including the next blank or separator.
        size_t end = start;
        while (end < text.size() && text[end] != L'\n' && !isBreak(text[end]))
            end += StartsPair(text, end) ? 2 : 1;
        if (end < text.size() && isBreak(text[end]))
            ++end;
        const std::wstring piece = text.substr(start, end - start);
        if (fits(piece)) {
            place(piece);
        } else {
            // Wider than a line on its own: character by character.
            for (size_t i = 0; i < piece.size();) {
                const size_t size = StartsPair(piece, i) ? 2 : 1;
                place(piece.substr(i, size));
                i += size;
            }
        }
        start = end;
    }
    return wrapped + line;
}

TOOLINFOW CToolTip::Tool(const std::wstring& text) const
{
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;  // accepted by common controls 5 and 6 alike
    tool.hwnd = m_owner;
    tool.uId = kToolId;
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    GetClientRect(m_owner, &tool.rect);
    return tool;
}

std::wstring CToolTip::Wrapped(const std::wstring& text) const
{
    const HDC dc = GetDC(m_tip.get());
    if (!dc)
        return text;
    const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(m_tip.get(), WM_GETFONT, 0, 0));
    const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    const std::wstring wrapped = WrapTipText(text, ScaleForDpi(kMaxWidth), [dc](const std::wstring& piece) {
        SIZE size = {0, 0};
        GetTextExtentPoint32W(dc, piece.c_str(), static_cast<int>(piece.size()), &size);
        return static_cast<int>(size.cx);
    });
    if (old)
        SelectObject(dc, old);
    ReleaseDC(m_tip.get(), dc);
    return wrapped;
}

bool CToolTip::Create(HWND owner, const std::wstring& text)
{
    // Registers the tooltip class: the common controls may not be loaded yet.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    m_owner = owner;
    // A Unicode tip window: the text may be in any script.
    m_tip.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, owner, nullptr, nullptr, nullptr));
    if (!m_tip)
        return false;
    // A width also makes the tip honour the line breaks that Wrapped puts in.
    SendMessageW(m_tip.get(), TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(kMaxWidth));
    const std::wstring wrapped = Wrapped(text);
    TOOLINFOW tool = Tool(wrapped);
    return SendMessageW(m_tip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

void CToolTip::SetText(const std::wstring& text)
{
    if (!m_tip)
        return;
    const std::wstring wrapped = Wrapped(text);
    TOOLINFOW tool = Tool(wrapped);
    SendMessageW(m_tip.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CToolTip::RelayEvent(const MSG& message) const
{
    if (m_tip)
        SendMessageW(m_tip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}

}  // namespace fw
