// A temporary working directory for one test: entered on construction, left
// and removed on destruction.
#pragma once

#include <QDir>
#include <QTemporaryDir>

class TemporaryWorkingDirectory {
public:
    TemporaryWorkingDirectory() : previous_(QDir::currentPath()) {
        if (directory_.isValid()) {
            entered_ = QDir::setCurrent(directory_.path());
        }
    }
    ~TemporaryWorkingDirectory() { QDir::setCurrent(previous_); }
    TemporaryWorkingDirectory(const TemporaryWorkingDirectory&) = delete;
    TemporaryWorkingDirectory& operator=(const TemporaryWorkingDirectory&) = delete;

    bool isValid() const { return entered_; }
    QString path() const { return directory_.path(); }
    QString filePath(const QString& name) const { return directory_.filePath(name); }

private:
    QTemporaryDir directory_;
    QString previous_;
    bool entered_ = false;
};
