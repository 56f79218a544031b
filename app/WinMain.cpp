// Kestrava: Win + A ... Win + Z start what the user assigned to the letter.
#include <windows.h>
#include "HotKeyApplet.h"
#include "framework/Application.h"

namespace {
// The one applet, index 0 of the applet list, alive for the whole process.
CHotKeyApplet g_applet;
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    fw::CApplication app(instance);
    return QuindleTools::CQuindleTaskBarApplet::Run(instance, commandLine ? commandLine : "");
}
