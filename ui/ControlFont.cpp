#include "ControlFont.h"

HFONT CreateUnderlinedFont(HWND control, bool underline)
{
    HGDIOBJ current = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (!current)
        current = GetStockObject(DEFAULT_GUI_FONT);
    // Unicode: the dialog font's face name may be outside the ANSI code page.
    LOGFONTW font = {};
    if (!GetObjectW(current, sizeof(font), &font))
        return nullptr;
    font.lfUnderline = underline ? TRUE : FALSE;
    return CreateFontIndirectW(&font);
}
