// A tooltip control with one tool covering a window's client area.
#pragma once
#include <windows.h>
#include <string>
#include <commctrl.h>
#include "Handle.h"

namespace fw {

class CToolTip {
public:
    static constexpr UINT kToolId = 1;

    // Creates the tooltip with owner as its parent and adds the tool for owner.
    bool Create(HWND owner, const std::wstring& text);
    void SetText(const std::wstring& text);
    // Hands a mouse message bound for the owner to the tooltip.
    void RelayEvent(const MSG& message) const;
    HWND GetSafeHwnd() const { return m_tip.get(); }

private:
    TOOLINFOW Tool(const std::wstring& text) const;

    Window m_tip;
    HWND m_owner = nullptr;
};

}  // namespace fw
