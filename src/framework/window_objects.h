// The object of each of the framework's windows, kept beside the window's own
// data: a message never misses its object because reading that data failed.
// Few such windows live at once, all made and used by one thread.
#pragma once

#include <windows.h>

namespace window_objects {

// When the table is full the window has only its own data.
void Remember(HWND hwnd, void* object);
void* Recall(HWND hwnd);  // nullptr when not remembered
void Forget(HWND hwnd);

}  // namespace window_objects
