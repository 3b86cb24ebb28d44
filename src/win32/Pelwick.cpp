// The entry function: the ticker and, through it, the wizard. Takes nothing from its
// arguments and always ends with exit code 0.

#include "Unitmain.h"
#include "app/Program.h"
#include "framework/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunProgram(*Application, FormMain);
}
