#include "util/VersionInfo.h"
#include <cstdio>
#include <cstring>

bool CVersionInfo::LoadFrom(const std::wstring& fileName)
{
    Release();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(fileName.c_str(), &handle);
    if (size == 0)
        return false;
    m_data.resize(size);

    const void* table = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(fileName.c_str(), handle, size, m_data.data()) ||
        !Query("\\VarFileInfo\\Translation", table, length) || length < 2 * sizeof(WORD)) {
        Release();
        return false;
    }
    WORD pair[2];
    std::memcpy(pair, table, sizeof pair);
    m_translation = static_cast<DWORD>(pair[0]) << 16 | pair[1];
    return true;
}

bool CVersionInfo::Query(const std::string& subBlock, const void*& value, UINT& length) const
{
    if (m_data.empty())
        return false;
    void* found = nullptr;
    length = 0;
    if (!VerQueryValueA(m_data.data(), subBlock.c_str(), &found, &length) || !found)
        return false;
    const BYTE* begin = m_data.data();
    const BYTE* at = static_cast<const BYTE*>(found);
    if (at < begin || at >= begin + m_data.size() || length > static_cast<size_t>(begin + m_data.size() - at))
        return false;
    value = found;
    return true;
}

std::string CVersionInfo::QueryString(const std::string& name, DWORD translation) const
{
    if (m_data.empty())
        return {};
    if (translation == 0)
        translation = m_translation;
    char path[64 + MAX_PATH];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%08lx\\%s", static_cast<unsigned long>(translation),
                  name.c_str());
    const void* value = nullptr;
    UINT length = 0;
    if (!Query(path, value, length))
        return {};
    // Never read past the end of the data, whatever the resource says.
    const char* text = static_cast<const char*>(value);
    const size_t room = m_data.data() + m_data.size() - static_cast<const BYTE*>(value);
    return std::string(text, strnlen(text, room));
}

bool CVersionInfo::QueryFixedInfo(VS_FIXEDFILEINFO& info) const
{
    const void* value = nullptr;
    UINT length = 0;
    if (!Query("\\", value, length) || length < sizeof info)
        return false;
    std::memcpy(&info, value, sizeof info);
    return true;
}

std::string CVersionInfo::FileVersionText() const
{
    VS_FIXEDFILEINFO info;
    if (!QueryFixedInfo(info))
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                  HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS));
    return text;
}

void CVersionInfo::Release()
{
    m_data.clear();
    m_data.shrink_to_fit();
    m_translation = 0;
}
