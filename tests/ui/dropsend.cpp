// Asks EditorHost to drop paths on one of the editor's controls:
// dropsend ID PATH [PATH...]. Exit code 0 when the host took the request.
#include <windows.h>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    std::string text = argv[1];
    for (int i = 2; i < argc; ++i)
        text += std::string("\n") + argv[i];
    const HWND helper = FindWindowA("EditorHostDrop", nullptr);
    if (!helper)
        return 1;
    COPYDATASTRUCT data = {0, static_cast<DWORD>(text.size()), const_cast<char*>(text.data())};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(helper, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &result))
        return 1;
    return result ? 0 : 1;
}
