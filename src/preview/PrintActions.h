#pragma once

#include "shell/SheetPrinting.h"

#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QPoint;
class QWidget;

// The preview's printing: Ctrl+P and "Print…" show the print preview of the
// sheet's pages, "Export as PDF…" saves them under a name the user picks;
// both asked of the spreadsheet application that has the workbook open.
class PrintActions : public QObject {
    Q_OBJECT

public:
    // The actions go on window, whose shortcuts they are.
    explicit PrintActions(QWidget* window);

    // What prints the sheet of the workbook at workbookPath; nullptr for
    // nothing (it cannot be printed).
    void setPrinting(std::shared_ptr<shell::SheetPrinting> printing, const QString& workbookPath);

    // The picture's menu of the two, at a point of the screen.
    void showMenu(const QPoint& at);

    void print();
    void exportPdf();

private:
    QWidget* m_window;
    QAction* m_print;
    QAction* m_pdf;
    std::shared_ptr<shell::SheetPrinting> m_printing;
    QString m_workbookPath;
};
