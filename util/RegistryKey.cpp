#include "util/RegistryKey.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include "framework/Application.h"

namespace {

// Subkey names are at most 255 characters.
constexpr DWORD kKeyNameSize = 260;
// Value names may be up to 16383 characters; a smaller buffer would end the
// listing early and still report success.
constexpr DWORD kValueNameSize = 16384;

const char* RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_USERS)
        return "HKEY_USERS";
    return "";
}

std::string FormatDouble(double value)
{
    char text[512];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

}  // namespace

CRegistryKey::~CRegistryKey() { Close(); }

std::string CRegistryKey::FullPath(const std::string& first, const std::string& second, const std::string& third)
{
    std::string path = first;
    for (const std::string* part : {&second, &third})
        if (!part->empty())
            path += '\\' + *part;
    return path;
}

LONG CRegistryKey::Open(HKEY root, const std::string& first, const std::string& second, const std::string& third)
{
    Close();
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(root, FullPath(first, second, third).c_str(), 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS)
        m_key.reset(key);
    return rc;
}

LONG CRegistryKey::Open(HKEY root, const std::wstring& path)
{
    Close();
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS)
        m_key.reset(key);
    return rc;
}

LONG CRegistryKey::Create(HKEY root, const std::string& first, const std::string& second, const std::string& third)
{
    Close();
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExA(root, FullPath(first, second, third).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                    &key, nullptr);
    if (rc == ERROR_SUCCESS) {
        m_key.reset(key);
        return rc;
    }
    fw::AppMessageBox(CreateErrorMessage(root, first, rc), MB_OK | MB_ICONEXCLAMATION);
    return rc;
}

std::string CRegistryKey::CreateErrorMessage(HKEY root, const std::string& first, LONG code)
{
    char systemText[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(code),
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), systemText, sizeof systemText - 1, nullptr);
    const std::string keyName = std::string(RootName(root)) + '\\' + first;
    return "Error opening writable key in the system Registry:\n" + keyName + "\n" + systemText;
}

void CRegistryKey::Close() { m_key.reset(); }

std::wstring ExpandRegistryText(DWORD type, const std::wstring& text)
{
    if (type != REG_EXPAND_SZ)
        return text;
    const DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0)
        return text;
    std::wstring expanded(size, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), &expanded[0], size);
    if (written == 0 || written > size)
        return text;
    expanded.resize(wcsnlen(expanded.c_str(), size));
    return expanded;
}

std::wstring CRegistryKey::ReadString(const std::wstring& name, const std::wstring& defaultValue) const
{
    DWORD type = REG_NONE;
    return ReadTypedString(name, defaultValue, type);
}

std::wstring CRegistryKey::ReadExpandedString(const std::wstring& name, const std::wstring& defaultValue) const
{
    DWORD type = REG_NONE;
    const std::wstring text = ReadTypedString(name, defaultValue, type);
    return ExpandRegistryText(type, text);
}

std::wstring CRegistryKey::ReadTypedString(const std::wstring& name, const std::wstring& defaultValue, DWORD& type) const
{
    // At the value's length, asked for again if it grows in between.
    std::wstring text(kStringBufferSize, L'\0');
    LONG rc = ERROR_INVALID_HANDLE;
    DWORD size = 0;
    while (m_key) {
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(m_key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size);
        if (rc != ERROR_MORE_DATA)
            break;
        text.resize(size / sizeof(wchar_t) + 1);
    }
    if (rc != ERROR_SUCCESS) {
        type = REG_NONE;
        return defaultValue;
    }
    // A value stored without its terminating zero must not be read past its end.
    text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
    return text;
}

std::string CRegistryKey::ReadString(const std::string& name, const std::string& defaultValue) const
{
    char buffer[kStringBufferSize];
    DWORD size = sizeof buffer;
    if (!m_key || RegQueryValueExA(m_key.get(), name.c_str(), nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return defaultValue;
    // A value stored without its terminating zero must not be read past its end.
    return std::string(buffer, strnlen(buffer, size < sizeof buffer ? size : sizeof buffer));
}

DWORD CRegistryKey::ReadDWord(const std::string& name, DWORD defaultValue) const
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!m_key || RegQueryValueExA(m_key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                                   &size) != ERROR_SUCCESS)
        return defaultValue;
    return value;
}

int CRegistryKey::ReadInt(const std::string& name, int defaultValue) const
{
    return static_cast<int>(ReadDWord(name, static_cast<DWORD>(defaultValue)));
}

bool CRegistryKey::ReadBool(const std::string& name, bool defaultValue) const
{
    return ReadDWord(name, defaultValue ? 1 : 0) != 0;
}

double CRegistryKey::ReadDouble(const std::string& name, double defaultValue) const
{
    return std::strtod(ReadString(name, FormatDouble(defaultValue)).c_str(), nullptr);
}

LONG CRegistryKey::ReadBinary(const std::string& name, void* buffer, DWORD& size) const
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    return RegQueryValueExA(m_key.get(), name.c_str(), nullptr, nullptr, static_cast<BYTE*>(buffer), &size);
}

LONG CRegistryKey::WriteString(const std::string& name, const std::string& text)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    return RegSetValueExA(m_key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG CRegistryKey::WriteDWord(const std::string& name, DWORD value)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    return RegSetValueExA(m_key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

LONG CRegistryKey::WriteInt(const std::string& name, int value) { return WriteDWord(name, static_cast<DWORD>(value)); }

LONG CRegistryKey::WriteBool(const std::string& name, bool value) { return WriteDWord(name, value ? 1 : 0); }

LONG CRegistryKey::WriteDouble(const std::string& name, double value)
{
    return WriteString(name, FormatDouble(value));
}

LONG CRegistryKey::WriteBinary(const std::string& name, const void* data, DWORD size)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    return RegSetValueExA(m_key.get(), name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

LONG CRegistryKey::EnumSubKeys(HKEY root, const std::string& path, std::vector<std::string>& names)
{
    CRegistryKey key;
    const LONG rc = key.Open(root, path);
    if (rc != ERROR_SUCCESS)
        return rc;
    names.clear();
    char name[kKeyNameSize];
    for (DWORD index = 0; RegEnumKeyA(key.Handle(), index, name, sizeof name) == ERROR_SUCCESS; ++index)
        names.emplace_back(name);
    return ERROR_SUCCESS;
}

LONG CRegistryKey::EnumValueNames(HKEY root, const std::string& path, std::vector<std::string>& names)
{
    CRegistryKey key;
    const LONG rc = key.Open(root, path);
    if (rc != ERROR_SUCCESS)
        return rc;
    names.clear();
    std::vector<char> name(kValueNameSize);
    for (DWORD index = 0;; ++index) {
        DWORD size = kValueNameSize;
        if (RegEnumValueA(key.Handle(), index, name.data(), &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), size);
    }
    return ERROR_SUCCESS;
}

LONG CRegistryKey::DeleteKey(HKEY root, const std::string& first, const std::string& second, const std::string& third)
{
    const std::string path = FullPath(first, second, third);
    // An empty path names the root itself: its whole content would go.
    if (path.empty())
        return ERROR_INVALID_PARAMETER;
    std::vector<std::string> subKeys;
    EnumSubKeys(root, path, subKeys);
    if (subKeys.empty())
        return RegDeleteKeyA(root, path.c_str());
    LONG rc = ERROR_SUCCESS;
    for (const std::string& subKey : subKeys)
        rc = DeleteKey(root, path, subKey);
    if (rc == ERROR_SUCCESS)
        rc = RegDeleteKeyA(root, path.c_str());
    return rc;
}
