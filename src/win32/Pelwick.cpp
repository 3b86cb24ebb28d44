// The entry function: the ticker and, through it, the wizard. Takes nothing from its
// arguments and always ends with exit code 0.

#include "Unitmain.h"
#include "conversions/StartupSettings.h"
#include "framework/Application.h"
#include "runtime/Exceptions.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitializeStartupSettings();
    try {
        Application->Initialize();
        Application->CreateForm(FormMain);
        Application->Run();
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (...) {
        // Anything else is shown as a failure without text.
        try {
            throw Exception(u"");
        } catch (const Exception& e) {
            Application->ShowException(e);
        }
    }
    Application->DestroyComponents();
    return 0;
}
