// A radio group as the form toolkit has it: a captioned box whose radio
// buttons are its items, numbered from 0 in the order of the layout, with
// the number of the checked one as the group's item index.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>

class RadioGroup : public QObject {
    Q_OBJECT
public:
    // Takes the radio buttons inside the box as its items.
    explicit RadioGroup(QGroupBox* box);

    // The checked item, -1 when none is.
    int itemIndex() const;

signals:
    // The operator clicked an item (the item index is already the new one).
    void clicked();

private:
    QButtonGroup group_;
};
