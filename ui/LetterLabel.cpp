#include "LetterLabel.h"
#include "ControlFont.h"

CLetterLabel::CLetterLabel()
    : m_backgroundColour(GetSysColor(COLOR_BTNFACE)), m_hoverColour(GetSysColor(COLOR_HIGHLIGHT))
{
}

void CLetterLabel::PreSubclassWindow()
{
    SetWindowLongA(m_hwnd, GWL_STYLE, GetWindowLongA(m_hwnd, GWL_STYLE) | SS_NOTIFY);
    if (m_tipText.empty())
        m_tipText = GetWindowText();
    if (GetWindowText().empty())
        SetWindowText(m_tipText);
    m_font.reset(CreateUnderlinedFont(m_hwnd, m_underline));
    if (m_font)
        SendMessageA(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), TRUE);
    m_cursor.Load();
    m_tip.Create(m_hwnd, m_tipText);
}

void CLetterLabel::SetTipText(const std::string& text)
{
    m_tipText = text;
    m_tip.SetText(text);
}

COLORREF CLetterLabel::TextColour() const
{
    if (m_hovering)
        return m_hoverColour;
    return m_selected ? m_selectedColour : m_normalColour;
}

bool CLetterLabel::PreTranslateMessage(MSG* message)
{
    if (message->message >= WM_MOUSEFIRST && message->message <= WM_MOUSELAST)
        m_tip.RelayEvent(*message);
    return false;
}

bool CLetterLabel::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_CTLCOLORSTATIC) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, TextColour());
        SetBkColor(dc, m_backgroundColour);
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED && reinterpret_cast<HWND>(lParam) == m_hwnd) {
        PostMessageA(GetParent(m_hwnd), WM_COMMAND, static_cast<WPARAM>(m_controlId), 0);
        result = 0;
        return true;
    }
    return false;
}

LRESULT CLetterLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
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
        // Capture taken away (a dialog, a drag): do not stay lit until the next visit.
        if (m_hovering && reinterpret_cast<HWND>(lParam) != m_hwnd) {
            m_hovering = false;
            RedrawNow();
        }
        return Default(message, wParam, lParam);
    default:
        return Default(message, wParam, lParam);
    }
}

void CLetterLabel::OnMouseMove(LPARAM position)
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

void CLetterLabel::RedrawNow() const
{
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
