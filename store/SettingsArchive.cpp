#include "SettingsArchive.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include "ArchiveCodec.h"
#include "ArchiveFile.h"
#include "CodePage.h"

namespace {

template <class T>
std::string Format(const char* format, T value)
{
    const int length = std::snprintf(nullptr, 0, format, value);
    std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    std::snprintf(&text[0], text.size(), format, value);
    text.resize(text.size() - 1);
    return text;
}

// Decimal conversion as the C library's atoi has always done it here: white
// space, optional sign, digits; wrapping in 32 bits, so "%u" values above
// INT_MAX come back as the same bit pattern.
std::uint32_t ToInteger(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    return negative ? 0u - value : value;
}

void Report(store::ArchiveError error, const std::string& fileName)
{
    store::ReportArchiveError(store::ArchiveErrorText(error, fileName));
}

}  // namespace

CSettingsArchive::CSettingsArchive() : CSettingsArchive(store::kArchiveVersion) {}

CSettingsArchive::CSettingsArchive(const std::string& version) : m_separator('.'), m_version(version)
{
    Clear();
}

CSettingsArchive::~CSettingsArchive() = default;

void CSettingsArchive::Clear()
{
    m_values.Clear();
    m_section.clear();
}

void CSettingsArchive::SetSection(const std::string& section) { m_section = section; }

std::string CSettingsArchive::MakeKey(const std::string& name) const
{
    return m_section + m_separator + name;
}

void CSettingsArchive::PutString(const std::string& name, const std::string& value)
{
    m_values.Set(MakeKey(name), value);
}

void CSettingsArchive::PutInt(const std::string& name, std::int32_t value) { PutString(name, Format("%d", value)); }
void CSettingsArchive::PutUInt(const std::string& name, std::uint32_t value) { PutString(name, Format("%u", value)); }
void CSettingsArchive::PutULong(const std::string& name, std::uint32_t value) { PutString(name, Format("%u", value)); }
void CSettingsArchive::PutDouble(const std::string& name, double value) { PutString(name, Format("%f", value)); }

void CSettingsArchive::PutStringArray(const std::string& name, const std::vector<std::string>& list)
{
    PutInt(name + ":CSA", static_cast<std::int32_t>(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i)
        PutString(name + ":" + std::to_string(i), list[i]);
}

bool CSettingsArchive::Lookup(const std::string& name, std::string& text) const
{
    bool wide = false;
    const std::string* value = m_values.Find(MakeKey(name), &wide);
    if (value == nullptr)
        return false;
    // The typed readers take 8-bit text: a wide value is converted as the platform does.
    text = wide ? store::WideToAnsi(store::WideFromUnits(*value)) : *value;
    return true;
}

std::string CSettingsArchive::GetString(const std::string& name, const std::string& defaultValue) const
{
    std::string value;
    return Lookup(name, value) ? value : defaultValue;
}

std::int32_t CSettingsArchive::GetInt(const std::string& name, std::int32_t defaultValue) const
{
    std::string value;
    return Lookup(name, value) ? static_cast<std::int32_t>(ToInteger(value)) : defaultValue;
}

std::uint32_t CSettingsArchive::GetUInt(const std::string& name, std::uint32_t defaultValue) const
{
    std::string value;
    return Lookup(name, value) ? ToInteger(value) : defaultValue;
}

std::uint32_t CSettingsArchive::GetULong(const std::string& name, std::uint32_t defaultValue) const
{
    return GetUInt(name, defaultValue);
}

double CSettingsArchive::GetDouble(const std::string& name, double defaultValue) const
{
    std::string value;
    return Lookup(name, value) ? std::strtod(value.c_str(), nullptr) : defaultValue;
}

CSettingsArchive::StoredText CSettingsArchive::GetStoredText(const std::string& name) const
{
    StoredText text;
    if (const std::string* value = m_values.Find(MakeKey(name), &text.wide))
        text.bytes = *value;
    return text;
}

bool CSettingsArchive::PutStoredText(const std::string& name, const StoredText& text)
{
    return m_values.Set(MakeKey(name), text.bytes, text.wide);
}

void CSettingsArchive::GetStringArray(const std::string& name, std::vector<std::string>& list) const
{
    list.clear();
    const std::int32_t count = GetInt(name + ":CSA", 0);
    if (count <= 0)
        return;
    // Elements past the number of stored pairs cannot exist; a forged count
    // must not size the list to billions of empty texts.
    const std::size_t size = std::min(static_cast<std::size_t>(count), m_values.Size());
    list.resize(size);
    for (std::size_t i = 0; i < size; ++i)
        list[i] = GetString(name + ":" + std::to_string(i), std::string());
}

bool CSettingsArchive::Load(const store::FilePath& path, bool reportUnavailable)
{
    Clear();
    std::string bytes;
    store::FileReadResult file = store::ReadArchiveFile(path, bytes);
    if (!file.exists)
        file = TakeBack(path, bytes);
    m_lastLoad = !file.exists                                              ? LoadOutcome::NoFile
                 : !file.opened || file.error != store::ArchiveError::None ? LoadOutcome::Unavailable
                                                                           : LoadOutcome::Unreadable;
    if (!file.opened)
        return false;
    const store::DecodeResult decoded = store::DecodeArchive(bytes, m_version, m_values);
    if (decoded.status == store::DecodeStatus::WrongHeader) {
        m_values.Clear();
        return false;
    }
    // A failed read explains a short decode better than the end of file does.
    const store::ArchiveError error = file.error != store::ArchiveError::None ? file.error : decoded.error;
    if (error != store::ArchiveError::None) {
        if (reportUnavailable || file.error == store::ArchiveError::None)
            Report(error, store::kUnnamedFile);
        return false;
    }
    m_lastLoad = LoadOutcome::Read;
    return true;
}

store::FileReadResult CSettingsArchive::TakeBack(const store::FilePath& path, std::string& bytes)
{
    // A save interrupted between its two renames (a power cut) leaves no
    // file, and the keys under the names of its new and its old file.
    store::FileReadResult best;
    store::FilePath bestPath;
    for (const store::FilePath& side : {store::NewSidePath(path), store::OldSidePath(path)}) {
        std::string sideBytes;
        const store::FileReadResult file = store::ReadArchiveFile(side, sideBytes);
        std::string version;
        CBucketMap values;
        const bool older = best.opened && file.modified <= best.modified;
        if (!file.opened || file.error != store::ArchiveError::None || older ||
            store::DecodeArchive(sideBytes, version, values).status != store::DecodeStatus::Complete)
            continue;
        best = file;
        bestPath = side;
        bytes.swap(sideBytes);
    }
    if (best.opened && store::MoveArchiveFile(bestPath, path)) {
        const std::string taken = " was missing after an interrupted save. It was taken back from ";
        store::ReportArchiveError(store::PathText(path) + taken + store::PathText(bestPath) + ".");
    }
    return best;
}

bool CSettingsArchive::Save(const store::FilePath& path) { return SaveTo(path, store::FilePath()); }

bool CSettingsArchive::SaveKeepingBackup(const store::FilePath& path, const store::FilePath& backupPath)
{
    return SaveTo(path, backupPath);
}

bool CSettingsArchive::SaveTo(const store::FilePath& path, const store::FilePath& backupPath)
{
    std::string bytes;
    try {
        bytes = store::EncodeArchive(m_version, m_values);
    } catch (const std::bad_alloc&) {
        Report(store::ArchiveError::OutOfMemory, store::PathText(path));
        return false;
    }
    store::FilePath named = path;
    const store::ArchiveError error = store::WriteArchiveFile(path, bytes, named, backupPath);
    if (error == store::ArchiveError::None)
        return true;
    Report(error, store::PathText(named));
    return false;
}

std::string CSettingsArchive::ReadFileVersion(const store::FilePath& path)
{
    std::string bytes;
    const store::FileReadResult file = store::ReadArchiveFile(path, bytes);
    if (!file.opened)
        return std::string();
    std::string version;
    const store::ArchiveError decoded = store::DecodeHeader(bytes, version);
    const store::ArchiveError error = decoded == store::ArchiveError::None ? store::ArchiveError::None
                                      : file.error != store::ArchiveError::None ? file.error
                                                                                 : decoded;
    if (error != store::ArchiveError::None) {
        Report(error, store::kUnnamedFile);
        return std::string();
    }
    return version;
}

void CSettingsArchive::DumpToTrace() const
{
#ifndef NDEBUG
    m_values.ForEachInWriteOrder([](const std::string& key, const std::string& value) {
        store::TraceArchiveLine(key + " : " + value + "\n");
    });
#endif
}
