// Runs the Edit Hot Keys dialog (or, with --about, the About box) on its own,
// as the tray menu would, so the dialogs can be driven before the tray exists.
// The data file is "Kestrava.dat" beside this executable.
//
// For the tests, a hidden window of class "EditorHostDrop" takes WM_COPYDATA
// "ID\nPATH[\nPATH...]" and drops the paths on the editor's control ID: a
// WM_DROPFILES with a real drop handle, which only this process can make.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <objbase.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "framework/Handle.h"
#include "ui/AboutDialog.h"
#include "ui/EditHotKeysDialog.h"
#include "tests/common/MakeDrop.h"

namespace {

// The tray menu makes the open editor the main window, so that boxes and the
// About dialog are owned by it; the host does the same.
class CHostedEditor : public CEditHotKeysDialog {
protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CEditHotKeysDialog::OnInitDialog();
        fw::CApplication::Current()->SetMainWindow(GetSafeHwnd());
        return result;
    }
};


LRESULT CALLBACK DropHelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return DefWindowProcA(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    // UTF-16, so that paths in any script come through.
    const std::wstring text(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    const HWND editor = fw::CApplication::Current()->MainWindow();
    const HWND control = editor ? GetDlgItem(editor, _wtoi(lines[0].c_str())) : nullptr;
    if (!control)
        return FALSE;
    lines.erase(lines.begin());
    PostMessageA(control, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(lines)), 0);
    return TRUE;
}

// "--make-shortcut LINK TARGET": writes a shell shortcut, for the drop tests.
bool MakeShortcut(const wchar_t* link, const wchar_t* target)
{
    fw::ComPtr<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                shellLink.put_void())))
        return false;
    shellLink->SetPath(target);
    fw::ComPtr<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.put_void())))
        return false;
    return SUCCEEDED(file->Save(link, TRUE));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    fw::CApplication app(instance);
    CoInitialize(nullptr);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc == 4 && lstrcmpW(argv[1], L"--make-shortcut") == 0) {
        const bool made = MakeShortcut(argv[2], argv[3]);
        CoUninitialize();
        return made ? 0 : 1;
    }
    WNDCLASSA helperClass = {};
    helperClass.lpfnWndProc = DropHelperProc;
    helperClass.hInstance = instance;
    helperClass.lpszClassName = "EditorHostDrop";
    RegisterClassA(&helperClass);
    const HWND helper = CreateWindowA("EditorHostDrop", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (std::strstr(commandLine, "--about")) {
        CAboutDialog about;
        about.DoModal();
    } else {
        CHostedEditor editor;
        editor.DoModal();
        app.SetMainWindow(nullptr);
    }
    DestroyWindow(helper);
    CoUninitialize();
    return 0;
}
