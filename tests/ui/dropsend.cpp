// Asks EditorHost to drop paths on one of the editor's controls:
// dropsend ID PATH [PATH...]. Exit code 0 when the host took the request.
#include <windows.h>
#include <shellapi.h>
#include <string>

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3)
        return 2;
    // UTF-16 lines, so that paths in any script come through.
    std::wstring text = argv[1];
    for (int i = 2; i < argc; ++i)
        text += std::wstring(L"\n") + argv[i];
    const HWND helper = FindWindowA("EditorHostDrop", nullptr);
    if (!helper)
        return 1;
    COPYDATASTRUCT data = {0, static_cast<DWORD>(text.size() * sizeof(wchar_t)), const_cast<wchar_t*>(text.data())};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(helper, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &result))
        return 1;
    return result ? 0 : 1;
}
