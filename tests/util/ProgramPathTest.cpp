#include "util/ProgramPath.h"
#include <gtest/gtest.h>
#include <cwchar>
#include <map>
#include <string>

namespace {

// Windows compares names without case; the keys here are lower case.
std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// A made-up machine: its files, its App Paths keys and its shortcuts' targets.
ProgramSearch Machine()
{
    static const std::map<std::wstring, std::wstring> files = {
        {L"c:\\tools\\app.exe", L""}, {L"c:\\docs\\list.txt", L""}, {L"c:\\work\\sub\\app.exe", L""},
        {L"c:\\work\\both.exe", L""}, {L"c:\\windows\\both.exe", L""}, {L"c:\\windows\\notepad.exe", L""},
        {L"c:\\windows\\system32\\notepad.exe", L""}, {L"c:\\windows\\system32\\calc.exe", L""},
        {L"c:\\bin\\calc.exe", L""}, {L"c:\\bin\\tool.exe", L""}, {L"c:\\bin\\script.bat", L""},
        {L"c:\\more\\script.exe", L""}, {L"c:\\bin\\twice.com", L""}, {L"c:\\bin\\twice.exe", L""},
        {L"c:\\more\\shadow.exe", L""}, {L"c:\\apps\\editor\\ed.exe", L""},
        {L"c:\\links\\ed.lnk", L"C:\\Apps\\Editor\\ed.exe"}, {L"c:\\links\\doc.lnk", L"C:\\Docs\\list.txt"}};
    static const std::map<std::wstring, std::wstring> appPaths = {
        {L"editor.exe", L" \"C:\\Apps\\Editor\\ed.exe\""}, {L"shadow.exe", L"C:\\Apps\\Editor\\ed.exe"}};
    ProgramSearch search;
    search.currentFolder = L"C:\\Work";
    search.windowsFolder = L"C:\\Windows\\";
    search.systemFolder = L"C:\\Windows\\System32";
    search.path = L"C:\\Bin;;\"C:\\More\\\";";
    search.pathExt = L".COM;.EXE;.BAT";
    search.isFile = [](const std::wstring& path) { return files.count(Lower(path)) != 0; };
    auto lookUp = [](const std::map<std::wstring, std::wstring>& map, const std::wstring& key) {
        const auto found = map.find(Lower(key));
        return found == map.end() ? std::wstring() : found->second;
    };
    search.appPath = [=](const std::wstring& name) { return lookUp(appPaths, name); };
    search.shortcutTarget = [=](const std::wstring& path) { return lookUp(files, path); };
    return search;
}

TEST(ProgramPath, FoundAsTheShellFindsIt)
{
    const struct {
        const wchar_t* command;
        const wchar_t* program;
    } rows[] = {
        {L"C:\\Tools\\app.exe", L"C:\\Tools\\app.exe"},
        {L"  \"C:\\Tools\\app.exe\" ", L"C:\\Tools\\app.exe"},
        {L"C:\\Tools\\gone.exe", L""},
        {L"C:\\Docs\\list.txt", L""},  // a document
        {L"C:\\Tools", L""},           // a folder
        {L"https://example.org/app.exe", L""},
        {L"sub\\app.exe", L"C:\\Work\\sub\\app.exe"},
        {L"both.exe", L"C:\\Work\\both.exe"},  // the current folder first,
        {L"notepad.exe", L"C:\\Windows\\notepad.exe"},  // then Windows',
        {L"calc.exe", L"C:\\Windows\\System32\\calc.exe"},  // the system folder, PATH
        {L"tool", L"C:\\Bin\\tool.EXE"},
        {L"script", L""},  // PATH's first folder before its second: a batch file
        {L"twice", L""},   // .COM before .EXE
        {L"shadow.exe", L"C:\\More\\shadow.exe"},  // PATH before App Paths
        {L"editor.exe", L"C:\\Apps\\Editor\\ed.exe"},
        {L"editor", L"C:\\Apps\\Editor\\ed.exe"},
        {L"C:\\Links\\ed.lnk", L"C:\\Apps\\Editor\\ed.exe"},
        {L"C:\\Links\\doc.lnk", L""},
        {L"", L""},
    };
    const ProgramSearch search = Machine();
    for (const auto& row : rows)
        EXPECT_EQ(FindProgramFile(row.command, search), row.program) << row.command;
}

TEST(ProgramPath, AProgramIsAnExeDirectlyOrThroughAShortcut)
{
    const ProgramSearch search = Machine();
    for (const wchar_t* command : {L"C:\\Tools\\gone.exe", L"C:\\Links\\ed.lnk", L"tool", L"\"C:\\X\\A.EXE\""})
        EXPECT_TRUE(NamesProgram(command, search)) << command;
    for (const wchar_t* command : {L"C:\\Docs\\list.txt", L"C:\\Links\\doc.lnk", L"script", L"C:\\gone.lnk"})
        EXPECT_FALSE(NamesProgram(command, search)) << command;
}

}  // namespace
