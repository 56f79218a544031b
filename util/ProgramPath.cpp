#include "util/ProgramPath.h"
#include <windows.h>
#include <cwchar>
#include <vector>
#include "util/PathHelpers.h"
#include "util/RegistryKey.h"

namespace {

// What Windows uses when PATHEXT is not set.
const wchar_t kDefaultPathExt[] = L".COM;.EXE;.BAT;.CMD";
const wchar_t kAppPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring Unquoted(std::wstring text)
{
    const auto first = text.find_first_not_of(L" \t");
    const auto last = text.find_last_not_of(L" \t");
    text = first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        text = text.substr(1, text.size() - 2);
    return text;
}

bool HasExtension(const std::wstring& path, const wchar_t* extension)
{
    return _wcsicmp(GetExtension(path).c_str(), extension) == 0;
}

std::vector<std::wstring> SplitList(const std::wstring& list)
{
    std::vector<std::wstring> parts;
    std::wstring::size_type start = 0;
    while (start <= list.size()) {
        auto end = list.find(L';', start);
        if (end == std::wstring::npos)
            end = list.size();
        std::wstring part = Unquoted(list.substr(start, end - start));
        if (!part.empty())
            parts.push_back(part);
        start = end + 1;
    }
    return parts;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name)
{
    return folder.empty() || IsSeparator(folder.back()) ? folder + name : folder + L'\\' + name;
}

class Locator {
public:
    Locator(const std::wstring& name, const ProgramSearch& search) : m_name(name), m_search(search)
    {
        // A name with an extension is taken as it is; one without gets each of PATHEXT's.
        if (!GetExtension(name).empty())
            m_extensions.emplace_back();
        else
            m_extensions = SplitList(search.pathExt.empty() ? kDefaultPathExt : search.pathExt);
    }

    std::wstring Locate() const
    {
        const bool hasDrive = m_name.size() >= 2 && m_name[1] == L':';
        if (hasDrive || IsSeparator(m_name[0]))
            return FirstFile(m_name);
        if (m_name.find_first_of(L"\\/") != std::wstring::npos)
            return FirstFile(Join(m_search.currentFolder, m_name));

        std::vector<std::wstring> folders = {m_search.currentFolder, m_search.windowsFolder, m_search.systemFolder};
        for (const std::wstring& folder : SplitList(m_search.path))
            folders.push_back(folder);
        for (const std::wstring& folder : folders) {
            if (folder.empty())
                continue;
            std::wstring found = FirstFile(Join(folder, m_name));
            if (!found.empty())
                return found;
        }
        for (const std::wstring& extension : m_extensions) {
            std::wstring registered = Unquoted(m_search.appPath(m_name + extension));
            if (!registered.empty())
                return registered;
        }
        return {};
    }

private:
    std::wstring FirstFile(const std::wstring& base) const
    {
        for (const std::wstring& extension : m_extensions) {
            if (m_search.isFile(base + extension))
                return base + extension;
        }
        return {};
    }

    const std::wstring& m_name;
    const ProgramSearch& m_search;
    std::vector<std::wstring> m_extensions;
};

std::wstring Variable(const wchar_t* name)
{
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, &value[0], size));
    return value;
}

std::wstring Folder(UINT(WINAPI* get)(LPWSTR, UINT))
{
    wchar_t folder[MAX_PATH] = L"";
    const UINT length = get(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

}  // namespace

std::wstring FindProgramFile(const std::wstring& command, const ProgramSearch& search)
{
    const std::wstring name = Unquoted(command);
    if (name.empty())
        return {};
    std::wstring file = Locator(name, search).Locate();
    if (HasExtension(file, L".lnk"))
        file = search.shortcutTarget(file);
    return HasExtension(file, L".exe") && search.isFile(file) ? file : std::wstring();
}

bool NamesProgram(const std::wstring& command, const ProgramSearch& search)
{
    return HasExtension(Unquoted(command), L".exe") || !FindProgramFile(command, search).empty();
}

ProgramSearch SystemProgramSearch(const std::wstring& currentFolder,
                                  std::function<std::wstring(const std::wstring&)> shortcutTarget)
{
    ProgramSearch search;
    search.currentFolder = currentFolder;
    if (search.currentFolder.empty()) {
        std::wstring own(GetCurrentDirectoryW(0, nullptr), L'\0');
        own.resize(GetCurrentDirectoryW(static_cast<DWORD>(own.size()), &own[0]));
        search.currentFolder = own;
    }
    search.windowsFolder = Folder(GetWindowsDirectoryW);
    search.systemFolder = Folder(GetSystemDirectoryW);
    search.path = Variable(L"PATH");
    search.pathExt = Variable(L"PATHEXT");
    search.isFile = [](const std::wstring& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    };
    // A program installed for the user alone is registered under HKCU.
    search.appPath = [](const std::wstring& fileName) {
        for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            CRegistryKey key;
            if (key.Open(root, kAppPaths + fileName) == ERROR_SUCCESS) {
                std::wstring path = key.ReadExpandedString(L"", L"");
                if (!path.empty())
                    return path;
            }
        }
        return std::wstring();
    };
    search.shortcutTarget = std::move(shortcutTarget);
    return search;
}
