// Window sizes made from the windows' own layouts, so that no control is cut
// off whatever the font, and no hidden control leaves a hole.
#pragma once

class QLineEdit;
class QWidget;

// Gives a window the height its layout asks for with its controls visible,
// and at least the width it asks for. A fixed-size window calls it before it
// is first shown, once its controls are shown or hidden for good. A hidden
// window is measured when it is first shown, just before it takes its fixed
// size: measuring asks every label for its size in its own font, and the
// fonts of windows nobody has opened yet are not worth loading at start-up.
void fitWindowToLayout(QWidget* window);

// Makes a text field wide enough for a reply field of the given number of
// characters (digits, blanks and separators) in the field's own font.
void fitFieldToCharacters(QLineEdit* field, int characters);

// Makes a text field wide enough for the text it holds now, such as the
// sample text an input field starts with.
void fitFieldToText(QLineEdit* field);
