#include "UserEnvironment.h"
#include <userenv.h>
#include <cwchar>
#include <map>
#include <utility>
#include "framework/Handle.h"
#include "util/GuardedCall.h"

namespace {

// By the name in capitals: the name as written, and the value.
using Variables = std::map<std::wstring, std::pair<std::wstring, std::wstring>>;

Variables Parse(const wchar_t* block)
{
    Variables variables;
    for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        const wchar_t* equals = std::wcschr(entry, L'=');
        if (equals == nullptr || equals == entry)
            continue;
        std::wstring name(entry, equals);
        std::wstring key = name;
        CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
        variables[key] = {std::move(name), equals + 1};
    }
    return variables;
}

}  // namespace

std::vector<EnvironmentChange> EnvironmentChanges(const wchar_t* before, const wchar_t* after)
{
    const Variables old = Parse(before);
    const Variables now = Parse(after);
    std::vector<EnvironmentChange> changes;
    for (const auto& [key, variable] : now) {
        const auto was = old.find(key);
        if (was == old.end() || was->second.second != variable.second)
            changes.push_back({variable.first, variable.second, false});
    }
    for (const auto& [key, variable] : old) {
        if (now.find(key) == now.end())
            changes.push_back({variable.first, L"", true});
    }
    return changes;
}

std::wstring KeepEntries(const wchar_t* before, const wchar_t* after, const std::vector<std::wstring>& kept)
{
    const Variables old = Parse(before);
    Variables next = Parse(after);
    for (const std::wstring& name : kept) {
        std::wstring key = name;
        CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
        const auto was = old.find(key);
        if (was != old.end())
            next[key] = was->second;
        else
            next.erase(key);
    }
    std::wstring block;
    for (const auto& [key, variable] : next)
        block += variable.first + L'=' + variable.second + L'\0';
    return block + L'\0';
}

bool CUserEnvironment::Build(std::wstring& block)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &token))
        return false;
    const fw::KernelHandle owner(token);
    // userenv is loaded at the first call: a failure to load it is a failure here.
    void* environment = nullptr;
    if (!InvokeGuarded([&] {
            if (!CreateEnvironmentBlock(&environment, token, FALSE))
                environment = nullptr;
        }) ||
        environment == nullptr)
        return false;
    const wchar_t* const first = static_cast<const wchar_t*>(environment);
    const wchar_t* last = first;
    while (*last != L'\0')
        last += std::wcslen(last) + 1;
    block.assign(first, last + 1);
    InvokeGuarded([&] { DestroyEnvironmentBlock(environment); });
    return true;
}

void CUserEnvironment::Start() { m_started = Build(m_block); }

void CUserEnvironment::Refresh()
{
    std::wstring now;
    if (!m_started || !Build(now))
        return;
    std::vector<std::wstring> refused;
    for (const EnvironmentChange& change : EnvironmentChanges(m_block.c_str(), now.c_str())) {
        if (!SetEnvironmentVariableW(change.name.c_str(), change.removed ? nullptr : change.value.c_str()))
            refused.push_back(change.name);
    }
    m_block = refused.empty() ? std::move(now) : KeepEntries(m_block.c_str(), now.c_str(), refused);
}
