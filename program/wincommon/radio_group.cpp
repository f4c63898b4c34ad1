#include "wincommon/radio_group.h"

#include <QLayout>

namespace {

// The box's radio buttons in the order its layout shows them; those the
// layout does not hold follow in the order they were created.
QList<QRadioButton*> itemsOf(QGroupBox* box) {
    QList<QRadioButton*> items;
    const QList<QRadioButton*> all = box->findChildren<QRadioButton*>();
    if (QLayout* layout = box->layout()) {
        for (int i = 0; i < layout->count(); ++i) {
            if (auto* button = qobject_cast<QRadioButton*>(layout->itemAt(i)->widget())) {
                items.append(button);
            }
        }
    }
    for (QRadioButton* button : all) {
        if (!items.contains(button)) {
            items.append(button);
        }
    }
    return items;
}

}  // namespace

RadioGroup::RadioGroup(QGroupBox* box) : QObject(box) {
    const QList<QRadioButton*> items = itemsOf(box);
    for (int i = 0; i < items.size(); ++i) {
        group_.addButton(items[i], i);
    }
    connect(&group_, &QButtonGroup::idClicked, this, &RadioGroup::clicked);
}

int RadioGroup::itemIndex() const {
    return group_.checkedId();
}
