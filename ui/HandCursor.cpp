#include "HandCursor.h"

void CHandCursor::Load()
{
    if (m_cursor)
        return;
    char path[MAX_PATH + 16] = "";
    const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcatA(path, "\\winhlp32.exe");
        // As data only: none of the help viewer's code runs in our process.
        const fw::Module viewer(LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (viewer)
            if (const HCURSOR hand = LoadCursorA(viewer.get(), MAKEINTRESOURCEA(106)))
                m_copy.reset(CopyIcon(hand));
    }
    m_cursor = m_copy ? m_copy.get() : LoadCursorA(nullptr, IDC_HAND);
}

void CHandCursor::SetBorrowed(HCURSOR cursor)
{
    m_copy.reset();
    m_cursor = cursor;
    if (!cursor)
        Load();
}
