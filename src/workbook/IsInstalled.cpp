#include "workbook/IsInstalled.h"

#include "automation/Servers.h"
#include "shell/Services.h"
#include "workbook/Excel1.h"

#include <QStringList>

namespace IsInstalled {

namespace {

// What the user should check when no instance can be created: five
// paragraphs with an empty line between neighbours.
QString adviceText()
{
    const QStringList paragraphs{
        QStringLiteral("Error 842001. A normal instance of Excel could not be created."),
        QStringLiteral("1. Please make sure Excel is installed on this computer."),
        QStringLiteral("2. Please open Excel normally and make sure a blank spreadsheet opens immediately without any "
                       "interrupting window (such as an Excel file recovery window)."),
        QStringLiteral("3. Please make sure that when you double-click on a XLS or XLSX file that Excel opens "
                       "normally without any interrupting messages."),
        QStringLiteral("4. All versions of Excel are supported by this software except for the rare Excel Starter "
                       "and Student editions."),
    };
    return paragraphs.join(QStringLiteral("\r\n\r\n"));
}

bool instanceCanBeCreated()
{
    try {
        automation::Object probe = automation::Servers::createObject(QString::fromLatin1(Excel1::ProgId));
        // Only the reference is let go: nothing asks the probe to quit.
        probe.release();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

void CheckExcelInstalled()
{
    if (instanceCanBeCreated())
        return;
    try {
        shell::MsgBox(adviceText());
    } catch (...) {
        // The application ends whether or not the advice could be shown.
    }
    shell::Services::current().endApplication();
}

} // namespace IsInstalled
