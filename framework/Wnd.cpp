#include "Wnd.h"
#include <commctrl.h>
#include <vector>

namespace fw {

namespace {
constexpr UINT_PTR kSubclassId = 0x4B57;  // one CWnd per window
}

CWnd::~CWnd() { UnsubclassWindow(); }

bool CWnd::SubclassWindow(HWND window)
{
    if (m_hwnd || !IsWindow(window) || FromHandle(window))
        return false;
    m_hwnd = window;
    PreSubclassWindow();
    if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        m_hwnd = nullptr;
        return false;
    }
    m_subclassed = true;
    return true;
}

bool CWnd::SubclassDlgItem(int id, HWND parent) { return SubclassWindow(GetDlgItem(parent, id)); }

void CWnd::UnsubclassWindow()
{
    if (m_subclassed)
        RemoveWindowSubclass(m_hwnd, SubclassProc, kSubclassId);
    m_subclassed = false;
    m_hwnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND window)
{
    DWORD_PTR data = 0;
    if (!window || !GetWindowSubclass(window, SubclassProc, kSubclassId, &data))
        return nullptr;
    return reinterpret_cast<CWnd*>(data);
}

std::wstring CWnd::GetWindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(length + 1);
    const int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied > 0 ? copied : 0);
}

bool CWnd::PreTranslateMessage(MSG*) { return false; }

bool CWnd::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefSubclassProc(m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR data)
{
    CWnd* self = reinterpret_cast<CWnd*>(data);
    if (message == WM_NCDESTROY) {
        // The window is going: detach first so that the object never sees a dead handle.
        RemoveWindowSubclass(window, SubclassProc, kSubclassId);
        self->m_subclassed = false;
        self->m_hwnd = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    return self->WindowProc(message, wParam, lParam);
}

}  // namespace fw
