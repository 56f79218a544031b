// A static control that lights up under the pointer: hover tracking with the
// mouse capture, a hand cursor, a tooltip fed by the message loop, and its
// colours answered to the parent's WM_CTLCOLORSTATIC. The letter labels and
// the hyperlink are both made of it.
#pragma once
#include <windows.h>
#include "framework/Controls.h"
#include "framework/ToolTip.h"
#include "HandCursor.h"

class CHoverLabel : public fw::CStatic {
public:
    bool IsHovering() const { return m_hovering; }
    // The colour the text is drawn in now: the hover colour under the pointer.
    COLORREF TextColour() const { return m_hovering ? m_hoverColour : RestingColour(); }

    bool PreTranslateMessage(MSG* message) override;
    bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    CHoverLabel();

    // The text colour while the pointer is elsewhere.
    virtual COLORREF RestingColour() const = 0;
    // STN_CLICKED, reflected from the parent.
    virtual void OnClicked() = 0;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void RedrawNow() const;

    COLORREF m_backgroundColour;
    COLORREF m_hoverColour;
    CHandCursor m_cursor;
    fw::CToolTip m_tip;

private:
    void OnMouseMove(LPARAM position);

    bool m_hovering = false;
};
