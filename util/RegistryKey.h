// One open registry key: opened or created from up to three path parts,
// typed values read with a caller's default, listings and subtree deletion.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Handle.h"

class CRegistryKey {
public:
    CRegistryKey() = default;
    virtual ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Empty further parts are left out of the path.
    LONG Open(HKEY root, const std::string& first, const std::string& second = {}, const std::string& third = {});
    // Shows "Error opening writable key..." when the key cannot be created.
    // The same for a path in any script (a file type named after a Unicode extension).
    LONG Open(HKEY root, const std::wstring& path);
    LONG Create(HKEY root, const std::string& first, const std::string& second = {}, const std::string& third = {});
    void Close();
    bool IsOpen() const { return static_cast<bool>(m_key); }
    HKEY Handle() const { return m_key.get(); }

    // Readers give the default on any failure (missing value, too large, no key).
    std::string ReadString(const std::string& name, const std::string& defaultValue) const;
    // The same for values in any script, at any length, and with the
    // %VARIABLE% references of a REG_EXPAND_SZ value expanded.
    std::wstring ReadString(const std::wstring& name, const std::wstring& defaultValue) const;
    std::wstring ReadExpandedString(const std::wstring& name, const std::wstring& defaultValue) const;
    int ReadInt(const std::string& name, int defaultValue) const;
    DWORD ReadDWord(const std::string& name, DWORD defaultValue) const;
    bool ReadBool(const std::string& name, bool defaultValue) const;
    double ReadDouble(const std::string& name, double defaultValue) const;
    // size: in the buffer's capacity, out the bytes stored.
    LONG ReadBinary(const std::string& name, void* buffer, DWORD& size) const;

    LONG WriteString(const std::string& name, const std::string& text);
    LONG WriteInt(const std::string& name, int value);
    LONG WriteDWord(const std::string& name, DWORD value);
    LONG WriteBool(const std::string& name, bool value);
    LONG WriteDouble(const std::string& name, double value);
    LONG WriteBinary(const std::string& name, const void* data, DWORD size);

    // On failure the open error is returned and the list is left as it was.
    static LONG EnumSubKeys(HKEY root, const std::string& path, std::vector<std::string>& names);
    static LONG EnumValueNames(HKEY root, const std::string& path, std::vector<std::string>& names);
    // Deletes the key and its whole subtree; the code of the last deletion attempted.
    static LONG DeleteKey(HKEY root, const std::string& first, const std::string& second = {}, const std::string& third = {});

    static std::string FullPath(const std::string& first, const std::string& second, const std::string& third);
    // The text Create shows for a failure code.
    static std::string CreateErrorMessage(HKEY root, const std::string& first, LONG code);

    // Text of values read by the 8-bit ReadString, terminating zero included.
    static constexpr DWORD kStringBufferSize = 200;

private:
    std::wstring ReadTypedString(const std::wstring& name, const std::wstring& defaultValue, DWORD& type) const;

    fw::RegKey m_key;
};

// A registry text as it is meant: a REG_EXPAND_SZ value with its %VARIABLE%
// references expanded (unchanged if that fails), any other type as stored.
std::wstring ExpandRegistryText(DWORD type, const std::wstring& text);
