// The registry of the application's forms: single instances, created once
// in registry order and kept until the process ends, reachable by the form
// object's name.
#pragma once

#include "toolkit/tform.h"

#include <QList>
#include <QPointer>
#include <QString>

class FormRegistry {
public:
    static FormRegistry& instance();

    // Creates a form, registers it and runs its creation (FormCreate, and
    // the show of a form that the layout marks visible). The first form
    // created is the main form.
    template <typename Form>
    Form* create() {
        auto* form = new Form();
        form->setMainForm(forms_.isEmpty());
        forms_.append(form);
        form->create();
        return form;
    }

    TForm* find(const QString& objectName) const;
    QList<TForm*> forms() const;
    int count() const { return forms_.size(); }

    // Destroys every form, last created first.
    void destroyAll();

private:
    QList<QPointer<TForm>> forms_;
};
