#include "util/ProgramPath.h"
#include <gtest/gtest.h>
#include <cwctype>
#include <map>
#include <string>

namespace {

// A made-up machine, names in lower case (Windows ignores case): its files
// (a shortcut's with its target), and its App Paths keys.
const std::map<std::wstring, std::wstring> kFiles = {
    {L"c:\\tools\\app.exe", L""}, {L"c:\\docs\\list.txt", L""}, {L"c:\\work\\sub\\app.exe", L""},
    {L"c:\\work\\both.exe", L""}, {L"c:\\windows\\both.exe", L""}, {L"c:\\windows\\notepad.exe", L""},
    {L"c:\\windows\\system32\\notepad.exe", L""}, {L"c:\\windows\\system32\\calc.exe", L""},
    {L"c:\\bin\\calc.exe", L""}, {L"c:\\bin\\tool.exe", L""}, {L"c:\\bin\\script.bat", L""},
    {L"c:\\more\\script.exe", L""}, {L"c:\\bin\\twice.com", L""}, {L"c:\\bin\\twice.exe", L""},
    {L"c:\\more\\shadow.exe", L""}, {L"c:\\apps\\ed.exe", L""},
    {L"c:\\links\\ed.lnk", L"C:\\Apps\\ed.exe"}, {L"c:\\links\\doc.lnk", L"C:\\Docs\\list.txt"}};
const std::map<std::wstring, std::wstring> kAppPaths = {{L"editor.exe", L" \"C:\\Apps\\ed.exe\""},
                                                        {L"shadow.exe", L"C:\\Apps\\ed.exe"}};

std::wstring Find(const std::map<std::wstring, std::wstring>& map, std::wstring key)
{
    for (wchar_t& c : key)
        c = static_cast<wchar_t>(std::towlower(c));
    const auto found = map.find(key);
    return found == map.end() ? L"?" : found->second;
}

ProgramSearch Machine()
{
    return {L"C:\\Work", L"C:\\Windows\\", L"C:\\Windows\\System32", L"C:\\Bin;;\"C:\\More\\\";", L".COM;.EXE;.BAT",
            [](const std::wstring& path) { return Find(kFiles, path) != L"?"; },
            [](const std::wstring& name) { return Find(kAppPaths, name) == L"?" ? L"" : Find(kAppPaths, name); },
            [](const std::wstring& path) { return Find(kFiles, path); }};
}

TEST(ProgramPath, FoundAsTheShellFindsIt)
{
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {L"C:\\Tools\\app.exe", L"C:\\Tools\\app.exe"}, {L"  \"C:\\Tools\\app.exe\" ", L"C:\\Tools\\app.exe"},
        {L"C:\\Tools\\gone.exe", L""}, {L"C:\\Docs\\list.txt", L""}, {L"C:\\Tools", L""},
        {L"https://example.org/app.exe", L""}, {L"sub\\app.exe", L"C:\\Work\\sub\\app.exe"},
        {L"both.exe", L"C:\\Work\\both.exe"},                // the current folder, then
        {L"notepad.exe", L"C:\\Windows\\notepad.exe"},       // the Windows folder,
        {L"calc.exe", L"C:\\Windows\\System32\\calc.exe"},   // the system folder, PATH
        {L"tool", L"C:\\Bin\\tool.EXE"}, {L"script", L""},   // PATH's folders in turn: a batch file
        {L"twice", L""},                                     // .COM before .EXE
        {L"shadow.exe", L"C:\\More\\shadow.exe"},            // PATH before App Paths
        {L"editor.exe", L"C:\\Apps\\ed.exe"}, {L"editor", L"C:\\Apps\\ed.exe"},
        {L"C:\\Links\\ed.lnk", L"C:\\Apps\\ed.exe"}, {L"C:\\Links\\doc.lnk", L""}, {L"", L""}};
    for (const auto& [command, program] : rows)
        EXPECT_EQ(FindProgramFile(command, Machine()), program) << command;
}

TEST(ProgramPath, AProgramIsAnExeDirectlyOrThroughAShortcut)
{
    for (const wchar_t* command : {L"C:\\Tools\\gone.exe", L"C:\\Links\\ed.lnk", L"tool", L"\"C:\\X\\A.EXE\""})
        EXPECT_TRUE(NamesProgram(command, Machine())) << command;
    for (const wchar_t* command : {L"C:\\Docs\\list.txt", L"C:\\Links\\doc.lnk", L"script", L"C:\\gone.lnk"})
        EXPECT_FALSE(NamesProgram(command, Machine())) << command;
}

}  // namespace
