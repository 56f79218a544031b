// The pointing-hand cursor of the links and letter labels: a copy of the
// help viewer's hand (cursor 106 of "\winhlp32.exe" in the Windows
// directory, read as a data file only), else the system's own hand.
#pragma once
#include <windows.h>
#include "framework/Handle.h"

class CHandCursor {
public:
    // Does nothing when a cursor is already held.
    void Load();
    // Uses a cursor that stays the caller's; null goes back to Load.
    void SetBorrowed(HCURSOR cursor);
    HCURSOR Get() const { return m_cursor; }
    // True when the cursor is our copy of the help viewer's hand.
    bool IsCopy() const { return static_cast<bool>(m_copy); }

private:
    fw::OwnedCursor m_copy;     // destroyed with the object
    HCURSOR m_cursor = nullptr;  // m_copy, or a shared or borrowed cursor (never destroyed)
};
