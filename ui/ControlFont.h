// The fonts of the link-like labels.
#pragma once
#include <windows.h>

// A copy of a control's font (the default GUI font when it has none) with the
// underline attribute set as asked; null on failure. The caller owns it.
HFONT CreateUnderlinedFont(HWND control, bool underline);
