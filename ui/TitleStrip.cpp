#include "TitleStrip.h"
#include "framework/Dpi.h"

namespace {
// Given in pixels at 96 DPI, and scaled to the screen's.
constexpr int kBannerHeight = 18;
constexpr int kInset = 5;
constexpr int kShadowOffset = 1;
}  // namespace

std::vector<GradientBand> ComputeGradientBands(int width, COLORREF base)
{
    std::vector<GradientBand> bands;
    if (width <= 0)
        return bands;
    const long long span = width;
    int step = width / 128;
    if (step <= 1)
        step = 1;
    // 64-bit: b * d * d overflows 32 bits for strips wider than about 2,900 pixels.
    const auto fade = [span](int byte, long long d) {
        return static_cast<BYTE>(byte - (byte * d * d) / (span * span));
    };
    int x = width;
    while (x > step) {
        x -= step;
        const long long d = span - x;
        bands.push_back({x, step, RGB(fade(GetRValue(base), d), fade(GetGValue(base), d), fade(GetBValue(base), d))});
    }
    if (x > 0)
        bands.push_back({0, x, RGB(0, 0, 0)});
    return bands;
}

CTitleStrip::CTitleStrip() : m_textColour(GetSysColor(COLOR_BTNFACE)) {}

void CTitleStrip::RenderBackground()
{
    if (m_background || !m_hwnd)
        return;
    RECT rect;
    GetClientRect(m_hwnd, &rect);
    const HDC windowDc = GetDC(m_hwnd);
    if (!windowDc)
        return;
    fw::MemoryDC memory(CreateCompatibleDC(windowDc));
    m_background.reset(CreateCompatibleBitmap(windowDc, rect.right, rect.bottom));
    ReleaseDC(m_hwnd, windowDc);
    if (!memory || !m_background) {
        m_background.reset();
        return;
    }
    const HGDIOBJ oldBitmap = SelectObject(memory.get(), m_background.get());
    const int dpi = GetDeviceCaps(memory.get(), LOGPIXELSY);

    for (const GradientBand& band : ComputeGradientBands(rect.right, GetSysColor(COLOR_BTNFACE))) {
        const fw::Brush brush(CreateSolidBrush(band.colour));
        const HGDIOBJ oldBrush = SelectObject(memory.get(), brush.get());
        PatBlt(memory.get(), band.x, 0, band.width, rect.bottom, PATCOPY);
        SelectObject(memory.get(), oldBrush);
    }

    if (!m_bannerFont)
        m_bannerFont.reset(CreateFontA(fw::ScaleForDpi(kBannerHeight, dpi), 0, 0, 0, 700, FALSE, FALSE, FALSE,
                                       ANSI_CHARSET, 0, 0, 0, FF_MODERN | DEFAULT_PITCH, m_faceName.c_str()));
    const HGDIOBJ oldFont = m_bannerFont ? SelectObject(memory.get(), m_bannerFont.get()) : nullptr;
    rect.left += fw::ScaleForDpi(kInset, dpi);
    SetBkMode(memory.get(), TRANSPARENT);
    // Embossed: the shadow one pixel (at 96 DPI) down and right, the light word on top.
    RECT shadow = rect;
    const int offset = fw::ScaleForDpi(kShadowOffset, dpi);
    OffsetRect(&shadow, offset, offset);
    SetTextColor(memory.get(), GetSysColor(COLOR_BTNSHADOW));
    DrawTextA(memory.get(), m_bannerText.c_str(), -1, &shadow, DT_VCENTER | DT_SINGLELINE);
    SetTextColor(memory.get(), GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextA(memory.get(), m_bannerText.c_str(), -1, &rect, DT_VCENTER | DT_SINGLELINE);

    if (oldFont)
        SelectObject(memory.get(), oldFont);
    SelectObject(memory.get(), oldBitmap);
}

void CTitleStrip::OnEraseBackground(HDC dc)
{
    RenderBackground();
    if (!m_background)
        return;
    RECT rect;
    GetClientRect(m_hwnd, &rect);
    fw::MemoryDC memory(CreateCompatibleDC(dc));
    if (!memory)
        return;
    const HGDIOBJ old = SelectObject(memory.get(), m_background.get());
    BitBlt(dc, 0, 0, rect.right, rect.bottom, memory.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), old);
}

void CTitleStrip::OnPaint()
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(m_hwnd, &paint);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    HGDIOBJ oldFont = nullptr;
    if (m_faceName.empty()) {
        if (const HWND parent = GetParent(m_hwnd))
            if (const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(parent, WM_GETFONT, 0, 0)))
                SelectObject(dc, font);
    } else {
        if (!m_textFont)
            m_textFont.reset(CreateFontA(fw::ScaleForDpi(m_height, dpi), 0, 0, 0, m_weight, FALSE, FALSE, FALSE,
                                         ANSI_CHARSET, 0, 0, 0, FF_MODERN | DEFAULT_PITCH, m_faceName.c_str()));
        if (m_textFont)
            oldFont = SelectObject(dc, m_textFont.get());
    }
    const std::wstring text = GetWindowText();
    SetTextColor(dc, m_textColour);
    SetBkMode(dc, TRANSPARENT);
    RECT rect;
    GetClientRect(m_hwnd, &rect);
    rect.right -= fw::ScaleForDpi(kInset, dpi);
    DrawTextW(dc, text.c_str(), -1, &rect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    if (oldFont)
        SelectObject(dc, oldFont);
    EndPaint(m_hwnd, &paint);
}

LRESULT CTitleStrip::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        OnEraseBackground(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_SETTEXT:
        // Store the text without the static's own immediate repaint, then
        // repaint the whole strip (gradient first) so no old text remains.
        // Subclass procedures get messages in their Unicode form.
        DefWindowProcW(m_hwnd, message, wParam, lParam);
        InvalidateRect(m_hwnd, nullptr, TRUE);
        return TRUE;
    default:
        return Default(message, wParam, lParam);
    }
}
