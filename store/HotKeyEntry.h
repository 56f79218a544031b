// What one Win + letter launches. Empty when the command is empty.
#pragma once
#include <string>

class CHotKeyEntry {
public:
    std::wstring m_command;    // archive name "Target"
    std::wstring m_arguments;  // archive name "Args"
    std::wstring m_directory;  // archive name "Dir": the initial directory
    // Archive name "Raise", "1" when set: a running copy of the program comes
    // to the front instead of a second one starting.
    bool m_raise = false;

    bool IsEmpty() const { return m_command.empty(); }
};
