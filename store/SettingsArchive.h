// Key/value texts under "section.name" keys, persisted in the archive file
// format behind a version header. Created for one load or one save.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "ArchiveFile.h"
#include "BucketMap.h"

class CSettingsArchive {
public:
    CSettingsArchive();
    explicit CSettingsArchive(const std::string& version);

    // Virtual operations in their historical slot order.
    virtual ~CSettingsArchive();
    virtual void SetSection(const std::string& section);
    virtual void GetStringArray(const std::string& name, std::vector<std::string>& list) const;
    virtual double GetDouble(const std::string& name, double defaultValue) const;
    virtual std::uint32_t GetULong(const std::string& name, std::uint32_t defaultValue) const;
    virtual std::uint32_t GetUInt(const std::string& name, std::uint32_t defaultValue) const;
    virtual std::int32_t GetInt(const std::string& name, std::int32_t defaultValue) const;
    virtual std::string GetString(const std::string& name, const std::string& defaultValue) const;
    virtual void PutStringArray(const std::string& name, const std::vector<std::string>& list);
    virtual void PutDouble(const std::string& name, double value);
    virtual void PutULong(const std::string& name, std::uint32_t value);
    virtual void PutUInt(const std::string& name, std::uint32_t value);
    virtual void PutInt(const std::string& name, std::int32_t value);
    virtual void PutString(const std::string& name, const std::string& value);
    // Writes a new file beside the target and swaps it in only when complete,
    // so a failed save leaves the previous file as it was. Reports failures.
    virtual bool Save(const store::FilePath& path);

    // A value as the file holds it: 8-bit bytes, or a wide string's UTF-16LE
    // units. The typed readers above convert wide values to 8-bit text; these
    // two carry values unconverted. A missing value is an empty 8-bit one; a
    // wide one of an odd byte count is refused (false) and not stored.
    struct StoredText {
        std::string bytes;
        bool wide = false;
    };
    StoredText GetStoredText(const std::string& name) const;
    bool PutStoredText(const std::string& name, const StoredText& text);

    // False, silently, when the file cannot be opened or has another header;
    // false after one report on a read error (none without
    // reportUnavailable), keeping the pairs read so far. A missing file whose
    // save was interrupted is taken back (TakeBack).
    bool Load(const store::FilePath& path, bool reportUnavailable = true);
    // How the last Load ended: a file that exists but could not be read is
    // not the same as none. Unavailable: its bytes could not be got (not
    // openable, a read error), which may pass; Unreadable: they are no whole
    // archive of ours (another header, cut short).
    enum class LoadOutcome { Read, NoFile, Unreadable, Unavailable };
    LoadOutcome LastLoad() const { return m_lastLoad; }
    // Save, and a replaced file's bytes become backupPath in the same step.
    bool SaveKeepingBackup(const store::FilePath& path, const store::FilePath& backupPath);
    void Clear();
    std::string MakeKey(const std::string& name) const;
    // The file's header, or empty when it cannot be opened or read.
    static std::string ReadFileVersion(const store::FilePath& path);
    void DumpToTrace() const;

    const std::string& Version() const { return m_version; }
    const CBucketMap& Values() const { return m_values; }

private:
    char m_separator;
    CBucketMap m_values;
    std::string m_section;
    std::string m_version;
    LoadOutcome m_lastLoad = LoadOutcome::NoFile;

    bool SaveTo(const store::FilePath& path, const store::FilePath& backupPath);
    // With no file at path: the newer complete one of a save's side files,
    // moved back to path (the user is told), else nothing.
    static store::FileReadResult TakeBack(const store::FilePath& path, std::string& bytes);
    bool Lookup(const std::string& name, std::string& text) const;
};
