// Records the message boxes that the code under test raises through the
// application object, instead of showing them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "framework/Application.h"
#include "tests/common/Utf8.h"

class CMessageBoxRecorder : public fw::CApplication {
public:
    CMessageBoxRecorder() : fw::CApplication(GetModuleHandleA(nullptr)) {}
    int MessageBox(const std::wstring& text, UINT type, HWND owner) override
    {
        texts.push_back(Utf8(text));  // so that tests compare with plain literals
        types.push_back(type);
        owners.push_back(owner);
        return IDOK;
    }

    std::vector<std::string> texts;
    std::vector<UINT> types;
    std::vector<HWND> owners;  // as asked for: null means the main window
};
