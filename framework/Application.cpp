#include "Application.h"
#include <vector>
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
    // Whole, however deep the program's folder.
    const std::wstring path = ModuleFileName(m_instance);
    std::wstring caption = path.substr(path.find_last_of(L"\\/") + 1);
    const auto dot = caption.rfind(L'.');
    if (dot != std::wstring::npos && dot != 0)
        caption.erase(dot);
    return caption;
}

std::wstring ModuleFileName(HMODULE module)
{
    // MAX_PATH first; a name that fills the buffer may have been cut, so grow
    // up to the longest path the system allows.
    for (DWORD capacity = MAX_PATH; capacity <= 65536; capacity *= 2) {
        std::vector<wchar_t> buffer(capacity);
        const DWORD length = GetModuleFileNameW(module, buffer.data(), capacity);
        if (length == 0)
            return {};
        if (length < capacity)
            return std::wstring(buffer.data(), length);
    }
    return {};
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
