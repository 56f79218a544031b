#include "HotKeyTable.h"

#include <algorithm>
#include "CodePage.h"
#include "SettingsArchive.h"

namespace {

// The archive names of an entry's fields, in the order they are written.
constexpr const char* kFieldNames[] = {"Target", "Dir", "Args"};
std::wstring CHotKeyEntry::*const kFieldMembers[] = {&CHotKeyEntry::m_command, &CHotKeyEntry::m_directory,
                                                     &CHotKeyEntry::m_arguments};
constexpr const char kRaiseName[] = "Raise";

// The 8-bit text of codePage that stands for text exactly. Under UTF-8 as the
// ANSI code page (65001) that is ASCII alone: the same bytes read back as
// other text once that setting is off again.
bool StoresExactly(const std::wstring& text, std::string& bytes, unsigned codePage)
{
    if (codePage == 65001 && std::any_of(text.begin(), text.end(), [](wchar_t c) { return c > 0x7F; }))
        return false;
    return store::WideToAnsiExact(text, bytes, codePage);
}

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
    const LoadOutcome outcome = Load(path, true);
    return outcome == LoadOutcome::Read || outcome == LoadOutcome::NoFile;
}

CHotKeyTable::LoadOutcome CHotKeyTable::Load(const store::FilePath& path, bool reportUnavailable)
{
    CSettingsArchive archive;
    archive.Load(path, reportUnavailable);
    LoadFromArchive(archive);
    return archive.LastLoad();
}

bool CHotKeyTable::SaveToFile(const store::FilePath& path, bool keepOld) const
{
    CSettingsArchive archive;
    SaveToArchive(archive);
    return keepOld ? archive.SaveKeepingBackup(path, BackupPath(path)) : archive.Save(path);
}

void CHotKeyTable::LoadFromArchive(CSettingsArchive& archive)
{
    for (int slot = 0; slot < kLetters; ++slot) {
        archive.SetSection(std::string(1, static_cast<char>('A' + slot)));
        for (int field = 0; field < kFields; ++field) {
            ReadValue& read = m_read[slot][field];
            read.stored = archive.GetStoredText(kFieldNames[field]);
            const std::string& bytes = read.stored.bytes;
            read.text = read.stored.wide ? store::WideFromUnits(bytes) : store::AnsiToWide(bytes, m_codePage);
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
            // An untouched value goes back as it came, 8-bit or wide, whatever
            // the code page makes of it now: the code page may have changed
            // since it was written, and may change back.
            CSettingsArchive::StoredText stored = read.stored;
            if (read.text != text) {
                stored.wide = !StoresExactly(text, stored.bytes, m_codePage);
                if (stored.wide)
                    stored.bytes = store::UnitsFromWide(text);
            }
            archive.PutStoredText(kFieldNames[field], stored);
        }
        // Only where set: a file without the choice keeps the bytes it always had.
        if (m_entries[slot].m_raise)
            archive.PutString(kRaiseName, "1");
    }
}
