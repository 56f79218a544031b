// The user's environment as it is now. Kestrava runs from sign-in to sign-out,
// and every program it launches inherits its environment: when Windows says
// the environment changed (an installer added to PATH, Settings changed a
// variable), Kestrava takes the change over, as Explorer does.
//
// Only what changed between two environments that Windows built for the user
// is applied: variables that Kestrava's own parent gave it (under Wine, DISPLAY
// and the WINE* variables) stay, unless the user's own environment had them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct EnvironmentChange {
    std::wstring name;
    std::wstring value;
    bool removed;
};

// What turns environment block `before` into `after` (NAME=value entries,
// each ending in a NUL, the block in another): every variable that `after`
// sets to a new value, and every one that `before` had and `after` has not.
// Names compare without case, as Windows does. Entries that start with '='
// (the current folders of drives) are no variables of the user's.
std::vector<EnvironmentChange> EnvironmentChanges(const wchar_t* before, const wchar_t* after);

// Block `after` with the variables named in `kept` as `before` had them (or
// without them, where it had none): the base for the next changes, in which a
// change that could not be applied is found again.
std::wstring KeepEntries(const wchar_t* before, const wchar_t* after, const std::vector<std::wstring>& kept);

class CUserEnvironment {
public:
    // Builds the user's environment once, as the base of later changes.
    void Start();
    // Builds it again and applies what changed since to this process. On any
    // failure the environment stays as it is; a variable that could not be
    // set (a value over 32,767 characters) is tried again at the next refresh.
    void Refresh();

private:
    static bool Build(std::wstring& block);
    std::wstring m_block;  // the last environment built
    bool m_started = false;
};
