#include "ToolTip.h"
#include <commctrl.h>
#include "Dpi.h"

namespace fw {

std::string WrapTipText(const std::string& text, int maxWidth, const std::function<int(const std::string&)>& measure)
{
    std::string wrapped;
    std::string line;
    const auto place = [&](const std::string& piece) {
        if (!line.empty() && measure(line + piece) > maxWidth) {
            wrapped += line + '\n';
            line.clear();
        }
        line += piece;
    };
    const auto isBreak = [](char c) { return c == ' ' || c == '\\' || c == '/'; };
    for (size_t start = 0; start < text.size();) {
        if (text[start] == '\n') {
            wrapped += line + '\n';
            line.clear();
            ++start;
            continue;
        }
        // A piece runs up to and including the next blank or separator.
        size_t end = start;
        while (end < text.size() && text[end] != '\n' && !isBreak(text[end]))
            end += IsDBCSLeadByte(static_cast<BYTE>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (end < text.size() && isBreak(text[end]))
            ++end;
        const std::string piece = text.substr(start, end - start);
        if (measure(piece) <= maxWidth) {
            place(piece);
        } else {
            // Wider than a line on its own: character by character.
            for (size_t i = 0; i < piece.size();) {
                const size_t size = IsDBCSLeadByte(static_cast<BYTE>(piece[i])) && i + 1 < piece.size() ? 2 : 1;
                place(piece.substr(i, size));
                i += size;
            }
        }
        start = end;
    }
    return wrapped + line;
}

TOOLINFOA CToolTip::Tool(const std::string& text) const
{
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // accepted by common controls 5 and 6 alike
    tool.hwnd = m_owner;
    tool.uId = kToolId;
    tool.lpszText = const_cast<char*>(text.c_str());
    GetClientRect(m_owner, &tool.rect);
    return tool;
}

std::string CToolTip::Wrapped(const std::string& text) const
{
    const HDC dc = GetDC(m_tip.get());
    if (!dc)
        return text;
    const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(m_tip.get(), WM_GETFONT, 0, 0));
    const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    const std::string wrapped = WrapTipText(text, ScaleForDpi(kMaxWidth), [dc](const std::string& piece) {
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, piece.c_str(), static_cast<int>(piece.size()), &size);
        return static_cast<int>(size.cx);
    });
    if (old)
        SelectObject(dc, old);
    ReleaseDC(m_tip.get(), dc);
    return wrapped;
}

bool CToolTip::Create(HWND owner, const std::string& text)
{
    // Registers the tooltip class: the common controls may not be loaded yet.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    m_owner = owner;
    m_tip.reset(CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, owner, nullptr, nullptr, nullptr));
    if (!m_tip)
        return false;
    // A width also makes the tip honour the line breaks that Wrapped puts in.
    SendMessageA(m_tip.get(), TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(kMaxWidth));
    const std::string wrapped = Wrapped(text);
    TOOLINFOA tool = Tool(wrapped);
    return SendMessageA(m_tip.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

void CToolTip::SetText(const std::string& text)
{
    if (!m_tip)
        return;
    const std::string wrapped = Wrapped(text);
    TOOLINFOA tool = Tool(wrapped);
    SendMessageA(m_tip.get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void CToolTip::RelayEvent(const MSG& message) const
{
    if (m_tip)
        SendMessageA(m_tip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}

}  // namespace fw
