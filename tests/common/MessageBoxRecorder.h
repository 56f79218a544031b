// Records the message boxes that the code under test raises through the
// application object, instead of showing them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Application.h"

class CMessageBoxRecorder : public fw::CApplication {
public:
    CMessageBoxRecorder() : fw::CApplication(GetModuleHandleA(nullptr)) {}
    int MessageBox(const std::wstring& text, UINT type, HWND owner) override
    {
        texts.push_back(Utf8(text));
        types.push_back(type);
        owners.push_back(owner);
        return IDOK;
    }

    // As UTF-8, so that tests compare with plain literals.
    static std::string Utf8(const std::wstring& text)
    {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], size, nullptr, nullptr);
        utf8.resize(utf8.size() - 1);
        return utf8;
    }

    std::vector<std::string> texts;
    std::vector<UINT> types;
    std::vector<HWND> owners;  // as asked for: null means the main window
};
