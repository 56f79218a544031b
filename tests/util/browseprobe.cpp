// Shows the folder browser opened at argv[1] and writes to argv[2] whether a
// folder was chosen and what the result string holds afterwards.
#include <windows.h>
#include <objbase.h>
#include <cstdio>
#include <string>
#include "util/PathHelpers.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    CoInitialize(nullptr);
    std::string result = "untouched";
    const bool chosen = BrowseForFolder("Pick a folder", result, argv[1], nullptr);
    CoUninitialize();
    FILE* out = std::fopen(argv[2], "w");
    if (!out)
        return 3;
    std::fprintf(out, "%d\n%s\n", chosen ? 1 : 0, result.c_str());
    std::fclose(out);
    return 0;
}
