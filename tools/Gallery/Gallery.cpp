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
        form->Show();
        Application->Run();
    } catch (const Exception& e) {
        if (Application)
            Application->ShowException(e);
    }
    delete app;
    return 0;
}
