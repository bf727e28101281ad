// The preview's printing: the print preview of the sheet's pages and their
// PDF, asked of the spreadsheet application that has the workbook open.
#include "preview/Form2.h"

#include "core/Error.h"
#include "shell/Services.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>

void Form2::createPrintActions()
{
    m_printAction = new QAction(QStringLiteral("Print\u2026"), this);
    m_printAction->setShortcut(QKeySequence::Print);
    m_printAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_printAction, &QAction::triggered, this, &Form2::printSheet);
    addAction(m_printAction);
    m_pdfAction = new QAction(QStringLiteral("Export as PDF\u2026"), this);
    connect(m_pdfAction, &QAction::triggered, this, &Form2::exportPdf);
    addAction(m_pdfAction);
}

// The picture's menu: a right click anywhere on the picture.
void Form2::contextMenuEvent(QContextMenuEvent* event)
{
    if (!Picture2->geometry().contains(event->pos()))
        return QWidget::contextMenuEvent(event);
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("PictureMenu"));
    menu.addAction(m_printAction);
    menu.addAction(m_pdfAction);
    menu.exec(event->globalPos());
}

void Form2::printSheet()
{
    try {
        if (!m_printing)
            throw quorvale::Error(QStringLiteral("the workbook is not open"));
        m_printing->printWithPreview();
    } catch (const quorvale::Error& e) {
        shell::MsgBox(QStringLiteral("The sheet cannot be printed: %1").arg(e.description()));
    }
}

void Form2::exportPdf()
{
    if (!m_printing)
        return void(shell::MsgBox(QStringLiteral("The sheet cannot be exported: the workbook is not open")));
    QString path = shell::Services::current().saveFileName(
        this, {QFileInfo(mExcelFile).completeBaseName() + QStringLiteral(".pdf"), QStringLiteral("Export as PDF"),
               QStringLiteral("PDF Files (*.pdf)|*.pdf|")});
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    if (QFileInfo::exists(path)
        && shell::MsgBox(QStringLiteral("%1 already exists.\r\nDo you want to replace it?").arg(path),
                         shell::MessageButtons::YesNo)
            != shell::MessageAnswer::Yes)
        return;
    try {
        m_printing->savePdf(path);
    } catch (const quorvale::Error& e) {
        shell::MsgBox(QStringLiteral("The PDF was not saved: %1").arg(e.description()));
    }
}
