// One of the editor's letter labels: an underlined letter in blue, dark red
// when selected, the highlight colour under the pointer; a hand cursor; a
// click posts WM_COMMAND(control id, lParam 0) to the parent.
#pragma once
#include <windows.h>
#include <string>
#include "framework/Handle.h"
#include "HoverLabel.h"

class CLetterLabel : public CHoverLabel {
public:
    // Set before attaching: the identifier posted to the parent on a click.
    void SetControlId(int id) { m_controlId = id; }
    int GetControlId() const { return m_controlId; }
    // The owner sets the flag and then invalidates the label itself.
    void SetSelected(bool selected) { m_selected = selected; }
    bool IsSelected() const { return m_selected; }
    void SetTipText(const std::wstring& text);
    const std::wstring& GetTipText() const { return m_tipText; }
    HCURSOR GetHandCursor() const { return m_cursor.Get(); }

protected:
    void PreSubclassWindow() override;
    COLORREF RestingColour() const override { return m_selected ? m_selectedColour : m_normalColour; }
    // The label changes nothing itself: the dialog decides what is selected.
    void OnClicked() override;

private:
    bool m_selected = false;
    std::wstring m_tipText;
    int m_controlId = 0;
    COLORREF m_normalColour = RGB(0, 0, 238);
    COLORREF m_selectedColour = RGB(128, 0, 0);
    fw::Font m_font;
    bool m_underline = true;
};
