#include "preview/PrintActions.h"

#include "core/Error.h"
#include "shell/Services.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>

PrintActions::PrintActions(QWidget* window)
    : QObject(window), m_window(window), m_print(new QAction(QStringLiteral("Print\u2026"), window)),
      m_pdf(new QAction(QStringLiteral("Export as PDF\u2026"), window))
{
    m_print->setShortcut(QKeySequence::Print);
    m_print->setShortcutContext(Qt::WindowShortcut);
    connect(m_print, &QAction::triggered, this, &PrintActions::print);
    connect(m_pdf, &QAction::triggered, this, &PrintActions::exportPdf);
    window->addAction(m_print);
    window->addAction(m_pdf);
}

void PrintActions::setPrinting(std::shared_ptr<shell::SheetPrinting> printing, const QString& workbookPath)
{
    m_printing = std::move(printing);
    m_workbookPath = workbookPath;
}

void PrintActions::showMenu(const QPoint& at)
{
    QMenu menu(m_window);
    menu.setObjectName(QStringLiteral("PictureMenu"));
    menu.addAction(m_print);
    menu.addAction(m_pdf);
    menu.exec(at);
}

void PrintActions::print()
{
    try {
        if (!m_printing)
            throw quorvale::Error(QStringLiteral("the workbook is not open"));
        m_printing->printWithPreview();
    } catch (const quorvale::Error& e) {
        shell::MsgBox(QStringLiteral("The sheet cannot be printed: %1").arg(e.description()));
    }
}

void PrintActions::exportPdf()
{
    if (!m_printing)
        return void(shell::MsgBox(QStringLiteral("The sheet cannot be exported: the workbook is not open")));
    const QString path = shell::chooseFileToWrite(
        m_window,
        {QFileInfo(m_workbookPath).completeBaseName() + QStringLiteral(".pdf"), QStringLiteral("Export as PDF"),
         QStringLiteral("PDF Files (*.pdf)|*.pdf|")},
        QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    try {
        m_printing->savePdf(path);
    } catch (const quorvale::Error& e) {
        shell::MsgBox(QStringLiteral("The PDF was not saved: %1").arg(e.description()));
    }
}
