#include "shell/Title.h"

namespace Main {

namespace {
QString g_title = QString::fromLatin1(ProductName);
} // namespace

QString trimmedApplicationTitle(const QString& displayName)
{
    QString title = displayName;
    if (!title.contains(QLatin1Char(' ')))
        return title;
    do {
        const qsizetype space = title.lastIndexOf(QLatin1Char(' '));
        if (space < 0)
            break;
        title.truncate(space);
    } while (title.size() > 40);
    return title;
}

void SetApplicationTitle()
{
    // Only the boxes take the title: a display name given to the platform
    // would be added to every window's title.
    g_title = trimmedApplicationTitle(QString::fromLatin1(ProductName));
}

QString applicationTitle() { return g_title; }

} // namespace Main
