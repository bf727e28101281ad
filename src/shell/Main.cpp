#include "shell/Main.h"

#include "automation/Servers.h"
#include "shell/Services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

namespace Main {

namespace {

void paintButtonFace(QWidget* w)
{
    QPalette p = w->palette();
    const QColor face = QApplication::palette().color(QPalette::Button);
    p.setColor(QPalette::Window, face);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}
} // namespace

bool FileExists(const QString& path)
{
    if (path.isEmpty() || path.contains(QLatin1Char('*')) || path.contains(QLatin1Char('?')))
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

void DeleteFileForced(const QString& path)
{
    QCoreApplication::processEvents();
    if (QFile::remove(path))
        return;
    try {
        automation::Servers::createObject(QStringLiteral("Scripting.FileSystemObject"))
            .call("DeleteFile", {automation::Variant(path), automation::Variant(true)});
    } catch (...) {
        // A file that cannot be deleted simply stays.
    }
}

void SetFormColours(QWidget* window)
{
    if (!window)
        return;
    paintButtonFace(window);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child)
            || qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child))
            paintButtonFace(child);
    }
}

QString applicationFile(const QString& name)
{
    return QDir(shell::Services::current().applicationFolder()).filePath(name);
}

void ApplySkin(QWidget* mainWindow)
{
    Q_UNUSED(mainWindow);
    // Without a skinning component the skin cannot be loaded, which is the
    // same as the skin file being absent: nothing changes.
}


} // namespace Main
