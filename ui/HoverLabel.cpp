#include "HoverLabel.h"

CHoverLabel::CHoverLabel()
    : m_backgroundColour(GetSysColor(COLOR_BTNFACE)), m_hoverColour(GetSysColor(COLOR_HIGHLIGHT))
{
}

bool CHoverLabel::PreTranslateMessage(MSG* message)
{
    // Nothing else shows the tooltip the mouse moves over the control.
    m_tip.RelayEvent(*message);
    return false;
}

bool CHoverLabel::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_CTLCOLORSTATIC) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, TextColour());
        SetBkColor(dc, m_backgroundColour);
        // Only the characters are painted: the dialog shows through around them.
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED && reinterpret_cast<HWND>(lParam) == m_hwnd) {
        OnClicked();
        result = 0;
        return true;
    }
    return false;
}

LRESULT CHoverLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETCURSOR:
        if (!m_cursor.Get())
            return FALSE;
        SetCursor(m_cursor.Get());
        return TRUE;
    case WM_MOUSEMOVE: {
        const LRESULT result = Default(message, wParam, lParam);
        OnMouseMove(lParam);
        return result;
    }
    case WM_CAPTURECHANGED:
        // Capture taken away (a message box, a drag): do not stay lit until the next visit.
        if (m_hovering && reinterpret_cast<HWND>(lParam) != m_hwnd) {
            m_hovering = false;
            RedrawNow();
        }
        return Default(message, wParam, lParam);
    default:
        return Default(message, wParam, lParam);
    }
}

void CHoverLabel::OnMouseMove(LPARAM position)
{
    if (!m_hovering) {
        m_hovering = true;
        RedrawNow();
        SetCapture(m_hwnd);
        return;
    }
    const POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    RECT client;
    GetClientRect(m_hwnd, &client);
    if (!PtInRect(&client, point)) {
        m_hovering = false;
        ReleaseCapture();
        RedrawNow();
    }
}

void CHoverLabel::RedrawNow() const
{
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
