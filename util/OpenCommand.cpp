#include "OpenCommand.h"
#include <windows.h>
#include <cstring>

namespace {

std::string::size_type FindQuotedPlaceholder(const std::string& text)
{
    const char* begin = text.c_str();
    for (const char* p = begin; *p; p = CharNextA(p))
        if (std::strncmp(p, "\"%1\"", 4) == 0)
            return static_cast<std::string::size_type>(p - begin);
    return std::string::npos;
}

}  // namespace

bool ComposeOpenCommand(const std::string& openCommand, const std::string& argument, std::string& line)
{
    std::string composed = openCommand.substr(0, openCommand.find('\0'));
    auto placeholder = FindQuotedPlaceholder(composed);
    if (placeholder == std::string::npos)
        placeholder = composed.find("%1");
    if (placeholder != std::string::npos)
        composed.erase(placeholder);
    composed += ' ';
    composed += argument;
    if (composed.size() >= kOpenCommandCapacity)
        return false;
    line = std::move(composed);
    return true;
}
