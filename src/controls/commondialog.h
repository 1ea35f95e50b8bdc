#pragma once

#include "dialogs.h"

#include <QRgb>
#include <QString>

namespace platform {

// The main window's one common dialog: its properties persist from call to call,
// and a cancelled dialog is a failure of the call (CancelError).
class CommonDialog {
public:
    explicit CommonDialog(Dialogs& dialogs)
        : dialogs_(dialogs) {}

    QString fileName;
    QString initDir;
    QString dialogTitle;
    // "description|patterns|description|patterns", patterns separated by ";".
    QString filter;
    QString defaultExt;
    QRgb color = 0xFF000000;

    void showOpen();
    // Adds the default extension to a name that has none.
    void showSave();
    void showColor();

    // The filter text as a list of entries.
    static QList<FileFilter> parseFilter(const QString& filter);

private:
    void showFile(FileRequest::Kind kind);

    Dialogs& dialogs_;
};

} // namespace platform
