#pragma once

// Shared by the tests of the spreadsheet's automation objects.

#include "automation/Error.h"

#include <QString>

// The description of the error that body raises, "<no error>" when it
// raises none.
template <class Body>
QString errorOf(Body body)
{
    try {
        body();
    } catch (const quorvale::AutomationError& e) {
        return e.description();
    }
    return QStringLiteral("<no error>");
}
