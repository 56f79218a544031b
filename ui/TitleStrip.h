// The editor's drawn title: a gradient from black (left) to the button face
// (right), an embossed banner word at the left and the window text right
// aligned. No SS_NOTIFY, so clicks fall through to the dialog, which moves.
// Its pixel sizes (fonts, insets) are for 96 DPI and grow with the screen's.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Controls.h"
#include "framework/Handle.h"

struct GradientBand {
    int x;
    int width;
    COLORREF colour;
};

// The background's bands for a strip of the given width, right to left, the
// black remainder at x = 0 last. Bands are width / 128 pixels wide (at least
// 1); each colour byte is b - b * d * d / (w * w) with d = w - x.
std::vector<GradientBand> ComputeGradientBands(int width, COLORREF base);

class CTitleStrip : public fw::CStatic {
public:
    CTitleStrip();

    // Set before the first paint: fonts and background are made once.
    void SetFaceName(const std::string& face) { m_faceName = face; }
    void SetHeight(int height) { m_height = height; }
    void SetWeight(int weight) { m_weight = weight; }
    void SetTextColour(COLORREF colour) { m_textColour = colour; }
    void SetBannerText(const std::string& text) { m_bannerText = text; }
    COLORREF GetTextColour() const { return m_textColour; }

    // Renders the gradient and banner into the off-screen bitmap, once.
    void RenderBackground();
    HBITMAP GetBackground() const { return m_background.get(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void OnEraseBackground(HDC dc);

    std::string m_faceName;
    int m_height = 12;  // at 96 DPI
    int m_weight = 400;
    COLORREF m_textColour;
    fw::Font m_textFont;
    fw::Font m_bannerFont;
    fw::Bitmap m_background;
    std::string m_bannerText;
};
