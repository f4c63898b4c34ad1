// Work a window does once, when it is first shown.
#pragma once

#include <functional>

class QWidget;

// Runs `action` when `window` is first shown, just before the window's own
// show handling and its first paint; at once when it is already visible. The
// watcher is a child object of the window, so a window never shown takes it
// along when it goes, and it removes itself after the show.
void atFirstShow(QWidget* window, std::function<void()> action);
