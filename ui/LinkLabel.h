// A static control turned into a web link: underlined in link colours, a
// hand cursor and a tooltip, opened through the shell on a click, with the
// ".htm" program as fallback and a message naming the reason on failure.
#pragma once
#include <windows.h>
#include <string>
#include "framework/Handle.h"
#include "HoverLabel.h"

class CLinkLabel : public CHoverLabel {
public:
    void SetLink(const std::string& link);
    const std::string& GetLink() const { return m_link; }
    // hover == CLR_INVALID (-1) means the system highlight colour.
    void SetColours(COLORREF link, COLORREF visited, COLORREF hover = CLR_INVALID);
    COLORREF GetLinkColour() const { return m_linkColour; }
    COLORREF GetVisitedColour() const { return m_visitedColour; }
    COLORREF GetHoverColour() const { return m_hoverColour; }
    void SetVisited(bool visited);
    bool GetVisited() const { return m_visited; }
    // The cursor stays the caller's; null loads the default hand.
    void SetLinkCursor(HCURSOR cursor);
    HCURSOR GetLinkCursor() const { return m_cursor.Get(); }
    void SetUnderline(bool underline);
    bool GetUnderline() const { return m_underline; }
    void SetFitToText(bool fit);
    bool GetFitToText() const { return m_fitToText; }
    // Resizes the control to its text, keeping its left edge, right edge or
    // centre as its SS_ alignment says (and its vertical centre with SS_CENTERIMAGE).
    void FitWindowToText();

protected:
    void PreSubclassWindow() override;
    COLORREF RestingColour() const override { return m_visited ? m_visitedColour : m_linkColour; }
    // Opens the link; on failure a beep and the reason.
    void OnClicked() override;

private:
    COLORREF m_linkColour = RGB(0, 0, 238);
    COLORREF m_visitedColour = RGB(85, 26, 139);
    bool m_visited = false;
    bool m_underline = true;
    bool m_fitToText = true;
    std::string m_link;
    fw::Font m_font;
};

// Opens text through the shell, else with the ".htm" program. Returns a
// shell-style code: above 32 on success.
int OpenLink(const std::string& text, int showCommand);
// Reads a key's default value (treated as empty when unreadable or longer
// than 259 characters). Returns the result of opening the key.
LONG ReadRegistryDefault(HKEY root, const std::wstring& subkey, std::wstring& text);
// "Unable to open hyperlink:\n\n" and the reason for a shell or WinExec code.
std::string LaunchErrorText(int code);
// Shown owned by owner (the application's main window when null).
void ReportLaunchError(int code, HWND owner = nullptr);
