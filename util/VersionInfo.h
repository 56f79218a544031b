// Reads the version resource of an executable file: the file version as
// dotted text and named strings of the version block.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

class CVersionInfo {
public:
    CVersionInfo() = default;
    ~CVersionInfo() { Release(); }
    CVersionInfo(const CVersionInfo&) = delete;
    CVersionInfo& operator=(const CVersionInfo&) = delete;

    // True when the resource and its translation table were read; data loaded
    // before is released first.
    bool LoadFrom(const std::wstring& fileName);
    // translation 0 uses the block's first translation (language << 16 | code page).
    std::string QueryString(const std::string& name, DWORD translation = 0) const;
    bool QueryFixedInfo(VS_FIXEDFILEINFO& info) const;
    // "%u.%u.%u.%u" of the file version, or empty.
    std::string FileVersionText() const;
    void Release();

    DWORD Translation() const { return m_translation; }

private:
    // Finds sub-block's value inside the data; false when missing or not
    // wholly inside the data.
    bool Query(const std::string& subBlock, const void*& value, UINT& length) const;

    std::vector<BYTE> m_data;
    DWORD m_translation = 0;
};
