#include "ToolTip.h"
#include <commctrl.h>

namespace fw {

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

bool CToolTip::Create(HWND owner, const std::wstring& text)
{
    // Registers the tooltip class: the common controls may not be loaded yet.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    m_owner = owner;
    // A Unicode tip window: the text may be in any script.
    m_tip.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, owner, nullptr, nullptr, nullptr));
    if (!m_tip)
        return false;
    TOOLINFOW tool = Tool(text);
    return SendMessageW(m_tip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

void CToolTip::SetText(const std::wstring& text)
{
    if (!m_tip)
        return;
    TOOLINFOW tool = Tool(text);
    SendMessageW(m_tip.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CToolTip::RelayEvent(const MSG& message) const
{
    if (m_tip)
        SendMessageA(m_tip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}

}  // namespace fw
