#pragma once

#include "framework/Form.h"

// Makes a layout's edit the field the forms need: no length limit but the platform's, the
// control's typed-character filter on WM_CHAR, Enter acting on its release (the key-up goes to
// the control's handler), and the text in the middle of a tall field. The behaviour comes
// from a subclass of the common controls; without them the edit stays a plain one.
void MakeFilteredEdit(TControl& control);
