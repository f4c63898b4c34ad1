// Controls that take their fonts from the window's layout file, but lay
// their text out in those fonts only when the window is first shown.
#pragma once

#include <QWidget>

// Holds, while it lives, what the controls of a window do when the window's
// layout gives them a font, and has them do it when the window is first
// shown. Each control's font() is the layout's from the start, so sizes and
// font questions answer as before; what waits is a text field or text
// panel laying its text out again, which loads the font's face: a face that
// only a window nobody has opened yet uses is not worth loading at
// start-up. Meant for the span of a window's setupUi.
class FontLayoutOnFirstShow {
public:
    explicit FontLayoutOnFirstShow(QWidget* window);
    ~FontLayoutOnFirstShow();
    FontLayoutOnFirstShow(const FontLayoutOnFirstShow&) = delete;
    FontLayoutOnFirstShow& operator=(const FontLayoutOnFirstShow&) = delete;

private:
    class Holder;
    Holder* holder_;
};

// Builds a window from its layout file, its controls' fonts taking effect
// when the window is first shown (see FontLayoutOnFirstShow).
template <class Ui, class Window>
void setupUiWithFontsAtFirstShow(Ui& ui, Window* window) {
    const FontLayoutOnFirstShow hold(window);
    ui.setupUi(window);
}
