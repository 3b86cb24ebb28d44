#pragma once

// The program's run, the same for every front-end: the process-wide settings first, then the
// application object creates the ticker (and through it the wizard) and takes messages until
// the ticker is closed. A failure that escapes is shown in the message box, anything that is
// not an Exception as one without text; the exit code is 0 on every path.

#include "conversions/StartupSettings.h"
#include "runtime/Exceptions.h"

template <typename TApplicationType, typename TMainForm>
int RunProgram(TApplicationType& application, TMainForm*& mainForm) {
    InitializeStartupSettings();
    try {
        application.Initialize();
        application.CreateForm(mainForm);
        application.Run();
    } catch (const Exception& e) {
        application.ShowException(e);
    } catch (...) {
        application.ShowException(Exception(u""));
    }
    application.DestroyComponents();
    return 0;
}
