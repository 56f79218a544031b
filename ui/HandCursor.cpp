#include "HandCursor.h"

void CHandCursor::Load()
{
    if (m_cursor)
        return;
    // The Windows folder may be named in any script.
    wchar_t path[MAX_PATH + 16] = L"";
    const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcatW(path, L"\\winhlp32.exe");
        // As data only: none of the help viewer's code runs in our process.
        const fw::Module viewer(LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
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
