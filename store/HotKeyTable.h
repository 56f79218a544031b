// The 26 letter entries and a spare one for every other character, stored
// in the data file as the keys "A.Target", "A.Dir", "A.Args" ... "Z.Args",
// and "A.Raise" ("1") only for a letter whose program is brought to the front.
//
// Entries are Unicode; the file keeps 8-bit texts where it can. A value read
// and not changed is written back byte for byte, 8-bit or wide; any other is
// written as 8-bit text of the ANSI code page when that represents it
// exactly (under UTF-8 as the ANSI code page: ASCII only), else as the
// archive's wide string.
#pragma once
#include <string>
#include "ArchiveFile.h"
#include "HotKeyEntry.h"
#include "SettingsArchive.h"

class CHotKeyTable {
public:
    static constexpr int kLetters = 26;

    // 8-bit texts in the ANSI code page the program runs under, or in
    // codePage (a Windows code page; the host build knows ASCII alone).
    CHotKeyTable();
    explicit CHotKeyTable(unsigned codePage);
    virtual ~CHotKeyTable() = default;

    // 'A'..'Z' give their letter's entry; anything else, including lower case
    // and negative values, the spare entry.
    CHotKeyEntry& GetEntry(signed char character);
    const CHotKeyEntry& GetEntry(signed char character) const;

    // Every letter entry is overwritten: what the file does not supply is
    // empty. Failures show only as the archive's own reports. False when a
    // file exists but could not be read whole: a save would lose its keys.
    bool LoadFromFile(const store::FilePath& path);
    // The same, telling how the load ended; a read error is reported only
    // with reportUnavailable (a caller that tries again later may wait).
    using LoadOutcome = CSettingsArchive::LoadOutcome;
    LoadOutcome Load(const store::FilePath& path, bool reportUnavailable);
    // With keepOld, a file replaced by the save stays as BackupPath(path),
    // which no save replaces. False, after the archive's report, when the
    // file was not written: the table still holds what was to be saved.
    bool SaveToFile(const store::FilePath& path, bool keepOld = false) const;
    static store::FilePath BackupPath(const store::FilePath& path) { return path + store::FilePath{'.', 'b', 'a', 'k'}; }

    // The same without the file, for callers that hold an archive.
    void LoadFromArchive(CSettingsArchive& archive);
    void SaveToArchive(CSettingsArchive& archive) const;

private:
    static int Slot(signed char character);

    static constexpr int kFields = 3;
    // A letter's value as the file gave it, to tell whether it has changed.
    struct ReadValue {
        CSettingsArchive::StoredText stored;  // as the file held it
        std::wstring text;                    // what the entry was given
    };

    unsigned m_codePage;
    CHotKeyEntry m_entries[kLetters + 1];
    ReadValue m_read[kLetters][kFields];
};
