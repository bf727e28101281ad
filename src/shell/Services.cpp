#include "shell/Services.h"

#include "shell/Title.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QRandomGenerator>
#include <QWidget>

namespace shell {

namespace {
Services g_default;
Services* g_current = nullptr;
bool g_ended = false;
QPointer<QWidget> g_locked;

// "\r\n" and a lone "\r" both break the line in a message box.
QString displayText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// "Excel Files (*.xls)|*.xls|" becomes "Excel Files (*.xls)" for Qt, whose
// filters carry their patterns in the description.
QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (%1)").arg(parts[i + 1]);
        entries << description;
    }
    return entries.join(QStringLiteral(";;"));
}
} // namespace

MessageAnswer Services::showMessage(const MessageRequest& request)
{
    QMessageBox box(request.icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    request.title, displayText(request.text));
    box.setTextFormat(Qt::PlainText);
    if (!request.details.isEmpty())
        box.setDetailedText(displayText(request.details));
    if (request.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

QString Services::saveFileName(QWidget* parent, const SaveDialogRequest& request)
{
    QFileDialog dialog(parent, request.title, QString(), qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks its own question about existing files.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString Services::openFileName(QWidget* parent, const OpenDialogRequest& request)
{
    QFileDialog dialog(parent, request.title, QString(), qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void Services::endApplication()
{
    g_ended = true;
    QCoreApplication::exit(0);
}

QImage Services::clipboardImage()
{
    return QGuiApplication::clipboard()->image();
}

int Services::randomDigit()
{
    return int(QRandomGenerator::system()->bounded(1, 10));
}

QString Services::applicationFolder() { return QCoreApplication::applicationDirPath(); }

Services& Services::current() { return g_current ? *g_current : g_default; }

void Services::install(Services* s) { g_current = s; }

bool Services::applicationEnded() { return g_ended; }
void Services::resetApplicationEnded() { g_ended = false; }

MessageAnswer MsgBox(const QString& text, MessageButtons buttons)
{
    return Services::current().showMessage(
        MessageRequest{text, Main::applicationTitle(), MessageIcon::None, buttons, {}});
}

QString chooseFileToWrite(QWidget* parent, const SaveDialogRequest& request, const QString& extension)
{
    QString path = Services::current().saveFileName(parent, request);
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + extension;
    if (QFileInfo::exists(path)
        && MsgBox(QStringLiteral("%1 already exists.\r\nDo you want to replace it?").arg(path), MessageButtons::YesNo)
            != MessageAnswer::Yes)
        return {};
    return path;
}

void LockWindowUpdate(QWidget* window)
{
    if (g_locked)
        g_locked->setUpdatesEnabled(true);
    g_locked = window;
    if (window)
        window->setUpdatesEnabled(false);
}

QWidget* lockedWindow() { return g_locked; }

} // namespace shell
