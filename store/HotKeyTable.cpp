#include "HotKeyTable.h"

#include "SettingsArchive.h"

int CHotKeyTable::Slot(signed char character)
{
    return character >= 'A' && character <= 'Z' ? character - 'A' : kLetters;
}

CHotKeyEntry& CHotKeyTable::GetEntry(signed char character) { return m_entries[Slot(character)]; }

const CHotKeyEntry& CHotKeyTable::GetEntry(signed char character) const { return m_entries[Slot(character)]; }

bool CHotKeyTable::LoadFromFile(const std::string& path)
{
    CSettingsArchive archive;
    archive.Load(path);
    LoadFromArchive(archive);
    return archive.LastLoad() != CSettingsArchive::LoadOutcome::Unreadable;
}

void CHotKeyTable::SaveToFile(const std::string& path, bool keepOld) const
{
    CSettingsArchive archive;
    SaveToArchive(archive);
    if (keepOld)
        archive.SaveKeepingBackup(path, BackupPath(path));
    else
        archive.Save(path);
}

void CHotKeyTable::LoadFromArchive(CSettingsArchive& archive)
{
    for (int slot = 0; slot < kLetters; ++slot) {
        archive.SetSection(std::string(1, static_cast<char>('A' + slot)));
        CHotKeyEntry& entry = m_entries[slot];
        entry.m_command = archive.GetString("Target", std::string());
        entry.m_directory = archive.GetString("Dir", std::string());
        entry.m_arguments = archive.GetString("Args", std::string());
    }
}

void CHotKeyTable::SaveToArchive(CSettingsArchive& archive) const
{
    // The insertion order decides the file's pair order.
    for (int slot = 0; slot < kLetters; ++slot) {
        archive.SetSection(std::string(1, static_cast<char>('A' + slot)));
        const CHotKeyEntry& entry = m_entries[slot];
        archive.PutString("Target", entry.m_command);
        archive.PutString("Dir", entry.m_directory);
        archive.PutString("Args", entry.m_arguments);
    }
}
