#include "toolkit/form_registry.h"

#include "toolkit/activation.h"

FormRegistry& FormRegistry::instance() {
    static FormRegistry registry;
    return registry;
}

TForm* FormRegistry::find(const QString& objectName) const {
    for (const QPointer<TForm>& form : forms_) {
        if (form && form->objectName() == objectName) {
            return form;
        }
    }
    return nullptr;
}

QList<TForm*> FormRegistry::forms() const {
    QList<TForm*> result;
    for (const QPointer<TForm>& form : forms_) {
        if (form) {
            result.append(form);
        }
    }
    return result;
}

void FormRegistry::destroyAll() {
    ActivationTracker::instance().reset();
    while (!forms_.isEmpty()) {
        delete forms_.takeLast().data();
    }
    ActivationTracker::instance().reset();
}
