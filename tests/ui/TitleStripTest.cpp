#include <gtest/gtest.h>
#include <vector>
#include "TestWindows.h"
#include "ui/TitleStrip.h"

namespace {

TEST(GradientBands, WideStripHas5PixelBandsAndBlackRemainder)
{
    const COLORREF base = RGB(212, 208, 200);
    const auto bands = ComputeGradientBands(640, base);
    ASSERT_EQ(bands.size(), 128u);  // 127 coloured bands from x = 635 down to 5, then black 0..5
    for (size_t i = 0; i + 1 < bands.size(); ++i) {
        EXPECT_EQ(bands[i].width, 5);
        EXPECT_EQ(bands[i].x, 635 - 5 * static_cast<int>(i));
    }
    EXPECT_EQ(bands.back().x, 0);
    EXPECT_EQ(bands.back().width, 5);
    EXPECT_EQ(bands.back().colour, RGB(0, 0, 0));
    // Quadratic: slow fall at the right, fast at the left (worked by hand).
    EXPECT_EQ(bands[0].colour, base);                 // x = 635
    EXPECT_EQ(bands[31].colour, RGB(199, 195, 188));  // x = 480
    EXPECT_EQ(bands[63].colour, RGB(159, 156, 150));  // x = 320
    EXPECT_EQ(bands[126].colour, RGB(4, 4, 4));       // x = 5
}

TEST(GradientBands, NarrowStripHasOnePixelBandsAndBlackFirstColumn)
{
    const COLORREF base = RGB(192, 192, 192);
    const auto bands = ComputeGradientBands(200, base);
    ASSERT_EQ(bands.size(), 200u);  // 199 bands from x = 199 down to 1, black column 0
    for (size_t i = 0; i + 1 < bands.size(); ++i) {
        EXPECT_EQ(bands[i].width, 1);
        EXPECT_EQ(bands[i].x, 199 - static_cast<int>(i));
    }
    EXPECT_EQ(bands.back().x, 0);
    EXPECT_EQ(bands.back().colour, RGB(0, 0, 0));
    EXPECT_EQ(GetRValue(bands[198].colour), 2);  // x = 1: 192 - 192*199*199/40000
}

TEST(GradientBands, VeryWideStripDoesNotOverflow)
{
    // 32-bit b * d * d would overflow beyond about 2,900 pixels and give garbage.
    const auto bands = ComputeGradientBands(8000, RGB(255, 255, 255));
    ASSERT_FALSE(bands.empty());
    int previous = 256;
    for (const auto& band : bands) {
        const int red = GetRValue(band.colour);
        EXPECT_LE(red, previous) << "x=" << band.x;  // never brighter towards the left
        previous = red;
    }
    EXPECT_EQ(GetRValue(bands.front().colour), 255);
    ASSERT_EQ(bands[bands.size() - 2].x, 2);
    EXPECT_EQ(GetRValue(bands[bands.size() - 2].colour), 1);  // 255 - 255*7998*7998/64000000
}

TEST(GradientBands, EmptyStripHasNoBands)
{
    EXPECT_TRUE(ComputeGradientBands(0, RGB(1, 2, 3)).empty());
    EXPECT_TRUE(ComputeGradientBands(-5, RGB(1, 2, 3)).empty());
    const auto one = ComputeGradientBands(1, RGB(9, 9, 9));
    ASSERT_EQ(one.size(), 1u);  // x = 1 is not above step 1: only black
    EXPECT_EQ(one[0].colour, RGB(0, 0, 0));
}

// The strip's erasure painted into a 32-bit bitmap, read back column by column.
std::vector<COLORREF> PaintedRow(CTitleStrip& strip, int width, int height, int row)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    fw::Bitmap target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    fw::MemoryDC dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ old = SelectObject(dc.get(), target.get());
    PatBlt(dc.get(), 0, 0, width, height, WHITENESS);
    SendMessageA(strip.GetSafeHwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    GdiFlush();
    std::vector<COLORREF> colours;
    const auto* pixels = static_cast<const DWORD*>(bits) + row * width;
    for (int x = 0; x < width; ++x)
        colours.push_back(RGB((pixels[x] >> 16) & 0xFF, (pixels[x] >> 8) & 0xFF, pixels[x] & 0xFF));
    SelectObject(dc.get(), old);
    return colours;
}

// Columns of the painted strip, worked by hand for the prefix's button face,
// grey 245: band x, d = width - x, 245 - 245 * d * d / (width * width).
TEST(RenderedStrip, ColumnsShowTheWorkedGradient)
{
    ASSERT_EQ(GetSysColor(COLOR_BTNFACE), RGB(245, 245, 245)) << "the columns below were worked for grey 245";
    const struct {
        int width;
        std::vector<std::pair<int, int>> columns;  // column, grey
    } strips[] = {
        // 5-pixel bands: column 639 in band 635 (d = 5), 484 in 480 (d = 160), 320 and 324 in 320
        // (d = 320), 319 in 315 (d = 325), 9 in 5 (d = 635); 0 to 4 black.
        {640, {{639, 245}, {635, 245}, {484, 230}, {324, 184}, {320, 184}, {319, 182}, {9, 4}, {5, 4}, {4, 0},
               {0, 0}}},
        // One band per column: 199 (d = 1), 100 (d = 100), 1 (d = 199); column 0 black.
        {200, {{199, 245}, {100, 184}, {1, 3}, {0, 0}}},
    };
    for (const auto& strip : strips) {
        TestParent parent;
        const HWND control = parent.Child("STATIC", "", SS_LEFT, 0, 0, strip.width, 24);
        CTitleStrip title;
        ASSERT_TRUE(title.SubclassWindow(control));
        // No banner text: the bitmap is the gradient alone.
        const auto row = PaintedRow(title, strip.width, 24, 12);
        for (const auto& [column, grey] : strip.columns)
            EXPECT_EQ(row[column], RGB(grey, grey, grey)) << "column " << column << " of " << strip.width;
        // Rendered once: a second erasure copies the same bitmap.
        const HBITMAP first = title.GetBackground();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(PaintedRow(title, strip.width, 24, 3), row);
        EXPECT_EQ(title.GetBackground(), first);
    }
}

TEST(TitleStrip, BannerIsEmbossedAtTheLeft)
{
    TestParent parent;
    const HWND control = parent.Child("STATIC", "", SS_LEFT, 0, 0, 400, 24);
    CTitleStrip strip;
    ASSERT_TRUE(strip.SubclassWindow(control));
    strip.SetFaceName("Verdana");
    strip.SetBannerText("Kestrava");
    const auto bands = ComputeGradientBands(400, GetSysColor(COLOR_BTNFACE));
    int highlight = 0;
    for (int y = 4; y < 20; ++y) {
        const auto row = PaintedRow(strip, 400, 24, y);
        for (int x = 0; x < 100; ++x)
            highlight += row[x] == GetSysColor(COLOR_BTNHIGHLIGHT);
        for (int x = 200; x < 400; ++x)  // nothing drawn on the right half
            ASSERT_NE(row[x], GetSysColor(COLOR_BTNHIGHLIGHT)) << x;
    }
    EXPECT_GT(highlight, 20);
}

TEST(TitleStrip, SetTextStoresAndInvalidates)
{
    TestParent parent;
    const HWND control = parent.Child("STATIC", "Title...", SS_LEFT, 0, 0, 300, 24);
    CTitleStrip strip;
    ASSERT_TRUE(strip.SubclassWindow(control));
    parent.ShowOffScreen();
    UpdateWindow(parent.get());
    ValidateRect(control, nullptr);
    // Any script: the text is kept and drawn as Unicode.
    strip.SetWindowText(L"Editing : Win + Q \u62A5\u544A");
    EXPECT_EQ(strip.GetWindowText(), L"Editing : Win + Q \u62A5\u544A");
    RECT update;
    ASSERT_TRUE(GetUpdateRect(control, &update, FALSE));
    EXPECT_EQ(update.right - update.left, 300);  // the whole strip repaints
}

}  // namespace
