// Start-up of meu_proj: the application title and the registry of its 27
// windows, created once in registry order.
#pragma once

// Sets the title and creates every window, the main window first.
void createApplicationForms();

// Destroys every window and returns the shared values to those of a new
// process.
void destroyApplicationForms();
