// Tinteye: shows a side-by-side stereo window as a live red/cyan anaglyph.
#include <windows.h>

#include "Forms.h"
#include "MainFormSource.h"
#include "Settings.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    TApplication* app = nullptr;
    try {
        app = new TApplication(nullptr);
        Application->Initialize();
        SetSettingsKey(HKEY_CURRENT_USER, DefaultSettingsKey);  // the program's alone: tests name their own
        Application->CreateForm(MainForm);
        Application->Run();
    } catch (...) {
        // Escaped start-up or the loop: shown as the loop shows an error from a handler.
        if (Application)
            Application->HandleException();
    }
    delete app;
    return 0;
}
