#include "Application.h"
#include "Text.h"
#include "Wnd.h"

namespace fw {

namespace {
CApplication* g_current = nullptr;
}

CApplication::CApplication(HINSTANCE instance) : m_instance(instance), m_previous(g_current)
{
    g_current = this;
}

CApplication::~CApplication()
{
    if (g_current == this)
        g_current = m_previous;
}

CApplication* CApplication::Current() { return g_current; }

HWND CApplication::MainWindow() const
{
    if (m_mainWnd != nullptr)
        return m_mainWnd->GetSafeHwnd();
    return m_mainWindow;
}

std::wstring CApplication::Caption() const
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(m_instance, path, MAX_PATH);
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/')
            name = p + 1;
    std::wstring caption(name);
    const auto dot = caption.rfind(L'.');
    if (dot != std::wstring::npos && dot != 0)
        caption.erase(dot);
    return caption;
}

HINSTANCE ProgramInstance()
{
    const CApplication* app = CApplication::Current();
    return app && app->Instance() ? app->Instance() : GetModuleHandleA(nullptr);
}

int AppMessageBox(const std::string& text, UINT type, HWND owner)
{
    return AppMessageBox(WidenAnsi(text), type, owner);
}

UINT AppMessageBoxStyle(UINT type)
{
    const UINT buttons = type & MB_TYPEMASK;
    const bool plainButtons = buttons == MB_OK || buttons == MB_OKCANCEL || buttons == MB_YESNO || buttons == MB_YESNOCANCEL;
    if ((type & MB_ICONMASK) == 0 && plainButtons)
        type |= MB_ICONEXCLAMATION;
    return type;
}

int CApplication::MessageBox(const std::wstring& text, UINT type, HWND owner)
{
    return ::MessageBoxW(owner ? owner : MainWindow(), text.c_str(), Caption().c_str(), AppMessageBoxStyle(type));
}

int AppMessageBox(const std::wstring& text, UINT type, HWND owner)
{
    if (CApplication* app = CApplication::Current())
        return app->MessageBox(text, type, owner);
    CApplication plain(GetModuleHandleA(nullptr));
    return plain.MessageBox(text, type, owner);
}

}  // namespace fw
