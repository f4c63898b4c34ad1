// The status windows that show one reply in text fields: each field of a
// good reply goes into its text field as received, blanks included.
#pragma once

#include "driver/reply.h"

#include <QByteArray>
#include <initializer_list>

class QLineEdit;

// Where one field of a reply is shown.
struct FieldPlacement {
    QLineEdit* edit;
    ReplyField field;
};

// A good reply fills the text fields and gives true. A failure reply shows
// "Ocorreu o erro de número nnn" in a message and gives false; the text
// fields keep what they showed before.
bool showReplyFields(const QByteArray& reply, std::initializer_list<FieldPlacement> placements);
