#include "HotKeyTable.h"

#include "CodePage.h"
#include "SettingsArchive.h"

namespace {

// The archive names of an entry's fields, in the order they are written.
constexpr const char* kFieldNames[] = {"Target", "Dir", "Args"};
std::wstring CHotKeyEntry::*const kFieldMembers[] = {&CHotKeyEntry::m_command, &CHotKeyEntry::m_directory,
                                                     &CHotKeyEntry::m_arguments};
constexpr const char kRaiseName[] = "Raise";

}  // namespace

CHotKeyTable::CHotKeyTable() : CHotKeyTable(store::AnsiCodePage()) {}

CHotKeyTable::CHotKeyTable(unsigned codePage) : m_codePage(codePage) {}

int CHotKeyTable::Slot(signed char character)
{
    return character >= 'A' && character <= 'Z' ? character - 'A' : kLetters;
}

CHotKeyEntry& CHotKeyTable::GetEntry(signed char character) { return m_entries[Slot(character)]; }

const CHotKeyEntry& CHotKeyTable::GetEntry(signed char character) const { return m_entries[Slot(character)]; }

bool CHotKeyTable::LoadFromFile(const store::FilePath& path)
{
    CSettingsArchive archive;
    archive.Load(path);
    LoadFromArchive(archive);
    return archive.LastLoad() != CSettingsArchive::LoadOutcome::Unreadable;
}

void CHotKeyTable::SaveToFile(const store::FilePath& path, bool keepOld) const
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
        for (int field = 0; field < kFields; ++field) {
            const CSettingsArchive::StoredText stored = archive.GetStoredText(kFieldNames[field]);
            ReadValue& read = m_read[slot][field];
            read.narrow = !stored.wide;
            read.bytes = stored.wide ? std::string() : stored.bytes;
            read.text = stored.wide ? store::WideFromUnits(stored.bytes) : store::AnsiToWide(stored.bytes, m_codePage);
            m_entries[slot].*kFieldMembers[field] = read.text;
        }
        m_entries[slot].m_raise = archive.GetString(kRaiseName, "") == "1";
    }
}

void CHotKeyTable::SaveToArchive(CSettingsArchive& archive) const
{
    // The insertion order decides the file's pair order.
    for (int slot = 0; slot < kLetters; ++slot) {
        archive.SetSection(std::string(1, static_cast<char>('A' + slot)));
        for (int field = 0; field < kFields; ++field) {
            const std::wstring& text = m_entries[slot].*kFieldMembers[field];
            const ReadValue& read = m_read[slot][field];
            CSettingsArchive::StoredText stored;
            // Untouched 8-bit bytes stay as they were, whatever the code page makes of them.
            if (read.narrow && read.text == text)
                stored.bytes = read.bytes;
            else if (!store::WideToAnsiExact(text, stored.bytes, m_codePage))
                stored = CSettingsArchive::StoredText{store::UnitsFromWide(text), true};
            archive.PutStoredText(kFieldNames[field], stored);
        }
        // Only where set: a file without the choice keeps the bytes it always had.
        if (m_entries[slot].m_raise)
            archive.PutString(kRaiseName, "1");
    }
}
