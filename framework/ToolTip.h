// A tooltip control with one tool covering a window's client area. Its text
// is shown literally ("&" stays "&") and wrapped at kMaxWidth.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <commctrl.h>
#include "Handle.h"

namespace fw {

// Breaks text into lines that measure no wider than maxWidth: after blanks,
// after path separators (a long path has no blanks), and within a run that
// has neither as a last resort. Line breaks already in the text stay.
std::wstring WrapTipText(const std::wstring& text, int maxWidth,
                         const std::function<int(const std::wstring&)>& measure);

class CToolTip {
public:
    static constexpr UINT kToolId = 1;
    // The widest a tip's text may be, in pixels at 96 DPI.
    static constexpr int kMaxWidth = 400;

    // Creates the tooltip with owner as its parent and adds the tool for owner.
    bool Create(HWND owner, const std::wstring& text);
    void SetText(const std::wstring& text);
    // Hands a mouse message bound for the owner to the tooltip.
    void RelayEvent(const MSG& message) const;
    HWND GetSafeHwnd() const { return m_tip.get(); }

private:
    TOOLINFOW Tool(const std::wstring& text) const;
    // The text wrapped for the tip's own font.
    std::wstring Wrapped(const std::wstring& text) const;

    Window m_tip;
    HWND m_owner = nullptr;
};

}  // namespace fw
