// Tinteye: shows a side-by-side stereo window as a live red/cyan anaglyph.
#include <windows.h>

#include "Forms.h"
#include "MainFormSource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    TApplication* app = nullptr;
    try {
        app = new TApplication(nullptr);
        Application->Initialize();
        Application->CreateForm(MainForm);
        Application->Run();
    } catch (...) {
        // Escaped start-up or the loop: toolkit errors show their message, others an empty one.
        try {
            throw;
        } catch (const Exception& e) {
            if (Application)
                Application->ShowException(e);
        } catch (...) {
            if (Application)
                Application->ShowException(Exception(L""));
        }
    }
    delete app;
    return 0;
}
