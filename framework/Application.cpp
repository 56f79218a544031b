#include "Application.h"
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

std::string CApplication::Caption() const
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(m_instance, path, MAX_PATH);
    const char* name = path;
    for (const char* p = path; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/')
            name = p + 1;
    std::string caption(name);
    const auto dot = caption.rfind('.');
    if (dot != std::string::npos && dot != 0)
        caption.erase(dot);
    return caption;
}

HINSTANCE ProgramInstance()
{
    const CApplication* app = CApplication::Current();
    return app && app->Instance() ? app->Instance() : GetModuleHandleA(nullptr);
}

UINT AppMessageBoxStyle(UINT type)
{
    const UINT buttons = type & MB_TYPEMASK;
    const bool plainButtons = buttons == MB_OK || buttons == MB_OKCANCEL || buttons == MB_YESNO || buttons == MB_YESNOCANCEL;
    if ((type & MB_ICONMASK) == 0 && plainButtons)
        type |= MB_ICONEXCLAMATION;
    return type;
}

int CApplication::MessageBox(const std::string& text, UINT type, HWND owner)
{
    return ::MessageBoxA(owner ? owner : MainWindow(), text.c_str(), Caption().c_str(), AppMessageBoxStyle(type));
}

int AppMessageBox(const std::string& text, UINT type, HWND owner)
{
    if (CApplication* app = CApplication::Current())
        return app->MessageBox(text, type, owner);
    CApplication plain(GetModuleHandleA(nullptr));
    return plain.MessageBox(text, type, owner);
}

}  // namespace fw
