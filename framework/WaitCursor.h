// Shows the hourglass for the life of the object.
#pragma once
#include <windows.h>

namespace fw {

class CWaitCursor {
public:
    CWaitCursor() : m_previous(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(m_previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_previous;  // shared system cursor: never destroyed
};

}  // namespace fw
