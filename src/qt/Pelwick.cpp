// The entry function: the ticker and, through it, the wizard. Always ends with exit code 0.

#include "Unitmain.h"
#include "app/Program.h"
#include "framework/Application.h"

int main() {
    return RunProgram(*Application, FormMain);
}
