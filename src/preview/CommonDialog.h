#pragma once

#include "shell/Services.h"

#include <QString>

class QWidget;

// The save dialog component of the preview window. ShowSave opens the
// platform's save dialog through the installed services with the file name,
// title and filter set beforehand, and leaves the chosen path in FileName:
// "" when the user cancelled.
struct CommonDialog {
    QString FileName;
    QString DialogTitle;
    QString Filter; // in the "Description|pattern|" form

    void ShowSave(QWidget* parent)
    {
        FileName = shell::Services::current().saveFileName(parent, {FileName, DialogTitle, Filter});
    }
};
