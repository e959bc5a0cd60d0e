// Toolbar gallery: shows the framework's docks and tool windows in their looks.
#include <windows.h>

#include "Forms.h"
#include "GalleryForm.h"
#include "TB97.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    TApplication* app = nullptr;
    try {
        app = new TApplication(nullptr);
        Application->Initialize();
        RegisterToolbarClasses();
        TGalleryForm* form = nullptr;
        Application->CreateForm(form);
        // The layout saved last time, when there is one; a bad file is reported and the
        // gallery starts as designed.
        if (GetFileAttributesW(TGalleryForm::LayoutFile().c_str()) != INVALID_FILE_ATTRIBUTES) {
            try {
                form->LoadLayout(false);
            } catch (const Exception& e) {
                Application->ShowException(e);
            }
        }
        form->Show();
        Application->Run();
    } catch (const Exception& e) {
        if (Application)
            Application->ShowException(e);
    }
    delete app;
    return 0;
}
