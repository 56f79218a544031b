// The 26 letter entries and a spare one for every other character, stored
// in the data file as the keys "A.Target", "A.Dir", "A.Args" ... "Z.Args".
#pragma once
#include <string>
#include "HotKeyEntry.h"

class CSettingsArchive;

class CHotKeyTable {
public:
    static constexpr int kLetters = 26;

    CHotKeyTable() = default;
    virtual ~CHotKeyTable() = default;

    // 'A'..'Z' give their letter's entry; anything else, including lower case
    // and negative values, the spare entry.
    CHotKeyEntry& GetEntry(signed char character);
    const CHotKeyEntry& GetEntry(signed char character) const;

    // Every letter entry is overwritten: what the file does not supply is
    // empty. Failures show only as the archive's own reports. False when a
    // file exists but could not be read whole: a save would lose its keys.
    bool LoadFromFile(const std::string& path);
    // With keepOld, a file replaced by the save stays as BackupPath(path).
    void SaveToFile(const std::string& path, bool keepOld = false) const;
    static std::string BackupPath(const std::string& path) { return path + ".bak"; }

    // The same without the file, for callers that hold an archive.
    void LoadFromArchive(CSettingsArchive& archive);
    void SaveToArchive(CSettingsArchive& archive) const;

private:
    static int Slot(signed char character);

    CHotKeyEntry m_entries[kLetters + 1];
};
