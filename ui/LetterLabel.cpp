#include "LetterLabel.h"
#include "ControlFont.h"

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

void CLetterLabel::SetTipText(const std::wstring& text)
{
    m_tipText = text;
    m_tip.SetText(text);
}

void CLetterLabel::OnClicked()
{
    PostMessageA(GetParent(m_hwnd), WM_COMMAND, static_cast<WPARAM>(m_controlId), 0);
}
