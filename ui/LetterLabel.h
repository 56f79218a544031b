// One of the editor's letter labels: an underlined letter in blue, dark red
// when selected, the highlight colour under the pointer; a hand cursor; a
// click posts WM_COMMAND(control id, lParam 0) to the parent.
#pragma once
#include <windows.h>
#include <string>
#include "framework/Controls.h"
#include "framework/Handle.h"
#include "framework/ToolTip.h"
#include "HandCursor.h"

class CLetterLabel : public fw::CStatic {
public:
    CLetterLabel();

    // Set before attaching: the identifier posted to the parent on a click.
    void SetControlId(int id) { m_controlId = id; }
    int GetControlId() const { return m_controlId; }
    // The owner sets the flag and then invalidates the label itself.
    void SetSelected(bool selected) { m_selected = selected; }
    bool IsSelected() const { return m_selected; }
    bool IsHovering() const { return m_hovering; }
    void SetTipText(const std::string& text);
    const std::string& GetTipText() const { return m_tipText; }
    // The colour the text is drawn in now.
    COLORREF TextColour() const;
    HCURSOR GetHandCursor() const { return m_cursor.Get(); }

    bool PreTranslateMessage(MSG* message) override;
    bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnMouseMove(LPARAM position);
    void RedrawNow() const;

    bool m_selected = false;
    std::string m_tipText;
    int m_controlId = 0;
    COLORREF m_backgroundColour;
    COLORREF m_hoverColour;
    COLORREF m_normalColour = RGB(0, 0, 238);
    COLORREF m_selectedColour = RGB(128, 0, 0);
    fw::CToolTip m_tip;
    CHandCursor m_cursor;
    fw::Font m_font;
    bool m_hovering = false;
    bool m_underline = true;
};
