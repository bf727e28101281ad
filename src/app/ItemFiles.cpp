#include "app/ItemFiles.h"

#include "core/Files.h"
#include "records/Csv.h"
#include "records/Import.h"
#include "records/ListHistory.h"
#include "records/ListItems.h"
#include "shell/Services.h"
#include "shell/Title.h"
#include "workbook/WorkbookTable.h"

#include <QFileInfo>

namespace itemfiles {

const QString ImportTitle = QStringLiteral("Import Items");
const QString ExportTitle = QStringLiteral("Export Items");

namespace {

// The refused lines the box shows itself; a longer list is in its details.
constexpr std::size_t LinesShown = 10;

QString lineOf(const records::FileFault& fault)
{
    QString text;
    if (fault.line > 0)
        text = QStringLiteral("Line %1: ").arg(fault.line);
    if (!fault.field.isEmpty())
        text += fault.field + QStringLiteral(": ");
    return text + fault.what;
}

void tell(const QString& text, const QString& details = {})
{
    shell::Services::current().showMessage(
        shell::MessageRequest{text, Main::applicationTitle(), shell::MessageIcon::None, shell::MessageButtons::Ok, details});
}

void tellRefused(const QString& name, const std::vector<records::FileFault>& faults)
{
    QString text = QStringLiteral("Nothing was imported from %1:").arg(name);
    QStringList all;
    for (const records::FileFault& fault : faults)
        all << lineOf(fault);
    for (std::size_t i = 0; i < faults.size() && i < LinesShown; ++i)
        text += QStringLiteral("\r\n") + all[qsizetype(i)];
    if (faults.size() > LinesShown)
        text += QStringLiteral("\r\n\r\nand %1 more (see the details).").arg(faults.size() - LinesShown);
    tell(text, faults.size() > LinesShown ? all.join(QStringLiteral("\r\n")) : QString());
}

} // namespace

void importFile(ListHistory& history, ListItems& items, const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const records::ReadTable table = readItemsFile(path);
    const std::vector<records::FileFault> faults = records::importFaults(items.records(), table);
    if (!faults.empty())
        return tellRefused(name, faults);
    history.record(
        [&] {
            ListItems::Batch batch(items);
            for (const InventoryRecord& record : table.records) {
                const int position = batch.Add(record[0]);
                for (int n = 1; n < InventoryRecord::FieldCount; ++n)
                    batch.setSubItem(position, n, record[n]);
            }
        },
        [&](const ListHistory::Splices&) { return QStringLiteral("Import %1").arg(name); });
    tell(QStringLiteral("%1 imported.").arg(records::itemCount(table.records.size())));
}

QString chooseImportFile(QWidget* window)
{
    return shell::Services::current().openFileName(
        window, {ImportTitle, QStringLiteral("Items (*.csv *.xlsx *.ods *.xls)|*.csv;*.xlsx;*.ods;*.xls|All Files (*)|*|")});
}

void exportChosen(QWidget* window, const ListItems& items)
{
    const QString path = shell::chooseFileToWrite(
        window, {QStringLiteral("items.csv"), ExportTitle, QStringLiteral("CSV Files (*.csv)|*.csv|")},
        QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    try {
        quorvale::files::writeWhole(path, records::csvText(items.records()));
    } catch (const quorvale::files::FileError& e) {
        return tell(QStringLiteral("Nothing was exported: %1").arg(e.description()));
    }
    tell(QStringLiteral("%1 exported.").arg(records::itemCount(items.records().size())));
}

} // namespace itemfiles
