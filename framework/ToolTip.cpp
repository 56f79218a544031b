#include "ToolTip.h"
#include <commctrl.h>

namespace fw {

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

bool CToolTip::Create(HWND owner, const std::string& text)
{
    // Registers the tooltip class: the common controls may not be loaded yet.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    m_owner = owner;
    m_tip.reset(CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, owner, nullptr, nullptr, nullptr));
    if (!m_tip)
        return false;
    TOOLINFOA tool = Tool(text);
    return SendMessageA(m_tip.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

void CToolTip::SetText(const std::string& text)
{
    if (!m_tip)
        return;
    TOOLINFOA tool = Tool(text);
    SendMessageA(m_tip.get(), TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void CToolTip::RelayEvent(const MSG& message) const
{
    if (m_tip)
        SendMessageA(m_tip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
}

}  // namespace fw
