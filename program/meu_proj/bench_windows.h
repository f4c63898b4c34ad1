// The bench's 27 windows: created once in registry order, with the title and
// the icon they carry, and destroyed when the program ends.
#pragma once

#include <QIcon>

// The bench's icon, in the sizes of the desktop's icon theme (16 to 256).
QIcon applicationIcon();

// Sets the title and the icon every window carries, and creates every window,
// the main window first.
void createApplicationForms();

// Destroys every window and returns the shared values to those of a new
// process.
void destroyApplicationForms();
