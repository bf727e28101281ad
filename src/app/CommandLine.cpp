#include "app/CommandLine.h"

#include "core/Files.h"
#include "records/Csv.h"
#include "records/Import.h"
#include "records/ListItems.h"
#include "records/RecordStore.h"
#include "records/RecoveryFile.h"
#include "shell/Options.h"
#include "shell/Services.h"
#include "shell/Trace.h"
#include "workbook/InventoryList.h"
#include "workbook/WorkbookTable.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <optional>
#include <cstdio>

namespace CommandLine {

namespace {

constexpr int Done = 0;
constexpr int BadInput = 1;
constexpr int Usage = 2;

const char HelpText[] = R"(Usage: quorvale [COMMAND ...]
Keeps a list of inventory items and makes an Excel workbook of it.
Without a command, the window opens.

Commands:
  generate OUT [--items FILE] [--zoom Z]
      Lays out the inventory sheet as "Start Creating Template" does, from the
      stored list or from FILE, and saves it by OUT's extension: OUT.xls the
      workbook (Excel 97-2003), OUT.xlsx the same workbook in the Open XML
      format of Excel 2007 and later, OUT.pdf its printed pages (as its page
      set-up says: A4 landscape, fitted to one page, never below 10 %), OUT.png
      its picture at the zoom Z (0.25 to 3, 1 when not given). OUT is replaced
      only by a complete file.
  import FILE [--replace]
      Adds the records of FILE to the stored list, or with --replace puts them
      in its place, under the rules of the window's editor: every record or
      none. Every refused line is named with the reason.
  export FILE.csv
      Writes the stored list as CSV ("-" for standard output).

FILE is a CSV file (UTF-8, commas or semicolons, a header line of the sheet's
captions: Inventory ID, Name, Description, Unit Price, Quantity in Stock,
Reorder Level, Reorder Time in Days, Quantity in Reorder, Discontinued?, which
may stand below a title line) or a workbook (.xlsx, .ods or Excel 97-2003
.xls, known by its content), whose first sheet that is not hidden is read
below the first row holding the Inventory ID caption; that row may hold any
of the other captions in any order. A workbook's cells come in as shown: a
number to 15 significant digits without an exponent, a date or time as ISO
8601 text (2021-08-31T13:45:00), TRUE or FALSE, an error as its text
(#DIV/0!), a formula as its saved result; a workbook whose formulas carry no
saved result is refused. "-" reads FILE from standard input.
The window and the commands share one stored list and store it one at a
time: an import made while the window is open comes into the window's list.

Options:
  -h, --help     shows this text
  -V, --version  shows the version

Exit status: 0 done, 1 bad input (named on standard error), 2 a usage error.

Examples:
  quorvale generate stock.xls
  quorvale generate stock.xls --items items.csv
  quorvale generate stock.xlsx
  quorvale generate stock.pdf
  quorvale generate stock.png --zoom 2
  quorvale import items.csv
  quorvale import last-week.xls --replace
  some-report | quorvale import -
  quorvale export items.csv
)";

void print(std::FILE* to, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
    std::fflush(to);
}

void say(const QString& text) { print(stderr, QStringLiteral("quorvale: %1\n").arg(text)); }

int usage(const QString& problem)
{
    say(problem);
    print(stderr, QStringLiteral("Try 'quorvale --help'.\n"));
    return Usage;
}

// The boxes of the traced steps, on standard error: nobody is there to
// press a button, and a question is answered No, which changes nothing.
class ConsoleServices final : public shell::Services {
public:
    shell::MessageAnswer showMessage(const shell::MessageRequest& request) override
    {
        QString text = request.text;
        text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        say(text.trimmed());
        if (request.buttons != shell::MessageButtons::YesNo)
            return shell::MessageAnswer::Ok;
        print(stderr, QStringLiteral("(Nothing is asked on the command line: the answer is No.)\n"));
        return shell::MessageAnswer::No;
    }
    QString saveFileName(QWidget*, const shell::SaveDialogRequest&) override { return {}; }
    void endApplication() override {}
};

QString where(const QString& file, const records::FileFault& fault)
{
    QString text = file;
    if (fault.line > 0)
        text += QStringLiteral(":%1").arg(fault.line);
    if (!fault.field.isEmpty())
        text += QStringLiteral(": %1").arg(fault.field);
    return text + QStringLiteral(": ") + fault.what;
}

bool sayFaults(const QString& file, const std::vector<records::FileFault>& faults)
{
    const QString shown = file == QLatin1String("-") ? QStringLiteral("standard input") : file;
    for (const records::FileFault& fault : faults)
        say(where(shown, fault));
    return !faults.empty();
}

// The stored list, read as the window's start reads it.
std::vector<InventoryRecord> storedList()
{
    ListItems items;
    shell::Trace t{"Form1", "Form_Load"};
    records::restoreList(t, items, records::RecoveredListOffer::Leave);
    return items.records();
}

// Qt's notes about the desktop it runs on (no runtime folder in cron, say)
// are no news on the command line.
void quietQtNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: ")))
        return;
    qt_message_output(type, context, message);
}

// What a kind of output is called in a message.
QString madeOf(InventoryList::Output::Kind kind)
{
    switch (kind) {
    case InventoryList::Output::Kind::Workbook:
    case InventoryList::Output::Kind::OpenXmlWorkbook: return QStringLiteral("workbook");
    case InventoryList::Output::Kind::Pdf: return QStringLiteral("PDF");
    case InventoryList::Output::Kind::Picture: return QStringLiteral("picture");
    }
    return {};
}

// Saves the workbook as out, which the file writer replaces only by a
// complete workbook.
int generate(const QString& out, const std::vector<InventoryRecord>& items, InventoryList::Output output)
{
    Options::FillWorkbookPalette(); // as the window's start does
    if (!InventoryList::SaveInventoryWorkbook(items, QDir::toNativeSeparators(out), output))
        return say(QStringLiteral("%1: the %2 was not made; %1 is left as it was").arg(out, madeOf(output.kind))),
               BadInput;
    return Done;
}

// What OUT's extension asks for; nothing for one not known. A name without
// one is a workbook, as every name was before pictures and PDFs were made.
std::optional<InventoryList::Output::Kind> outputKindOf(const QString& out)
{
    const QString extension = QFileInfo(out).suffix().toLower();
    if (extension == QLatin1String("xls") || extension.isEmpty())
        return InventoryList::Output::Kind::Workbook;
    if (extension == QLatin1String("xlsx"))
        return InventoryList::Output::Kind::OpenXmlWorkbook;
    if (extension == QLatin1String("pdf"))
        return InventoryList::Output::Kind::Pdf;
    if (extension == QLatin1String("png"))
        return InventoryList::Output::Kind::Picture;
    return std::nullopt;
}

int generateCommand(const QStringList& arguments)
{
    QString out;
    QString itemsFile;
    QString zoom;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--items") && i + 1 < arguments.size())
            itemsFile = arguments[++i];
        else if (arguments[i] == QLatin1String("--zoom") && i + 1 < arguments.size())
            zoom = arguments[++i];
        else if (out.isEmpty() && !arguments[i].startsWith(QLatin1Char('-')))
            out = arguments[i];
        else
            return usage(QStringLiteral("generate: unexpected argument '%1'").arg(arguments[i]));
    }
    if (out.isEmpty())
        return usage(QStringLiteral("generate: what to make? quorvale generate OUT.xls|OUT.xlsx|OUT.pdf|OUT.png [--items FILE]"));
    InventoryList::Output output;
    if (const auto kind = outputKindOf(out))
        output.kind = *kind;
    else
        return usage(QStringLiteral("generate: %1: the extensions known are .xls (the workbook), .xlsx (the workbook "
                                    "in the Open XML format), .pdf (its printed pages) and .png (its picture)")
                         .arg(out));
    if (!zoom.isEmpty()) {
        bool number = false;
        output.zoom = zoom.toDouble(&number);
        if (output.kind != InventoryList::Output::Kind::Picture)
            return usage(QStringLiteral("generate: --zoom is for a picture (.png)"));
        if (!number || !(output.zoom >= 0.25 && output.zoom <= 3.0))
            return usage(QStringLiteral("generate: --zoom %1: a zoom is a number from 0.25 to 3").arg(zoom));
    }
    if (itemsFile.isEmpty())
        return generate(out, storedList(), output);
    const records::ReadTable table = readItemsFile(itemsFile);
    if (sayFaults(itemsFile, table.faults))
        return BadInput;
    return generate(out, table.records, output);
}

int importCommand(const QStringList& arguments)
{
    QString file;
    bool replace = false;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--replace"))
            replace = true;
        else if (file.isEmpty() && (argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))))
            file = argument;
        else
            return usage(QStringLiteral("import: unexpected argument '%1'").arg(argument));
    }
    if (file.isEmpty())
        return usage(QStringLiteral("import: which file? quorvale import FILE [--replace]"));
    const records::ReadTable table = readItemsFile(file);
    if (std::any_of(table.faults.begin(), table.faults.end(), [](const records::FileFault& f) { return f.line == 0; }))
        return sayFaults(file, table.faults), BadInput;
    // The stored list is read and written under the store lock, so that an
    // import at the same time, or the window's store, is never written over.
    std::optional<records::StoreLock> lock;
    try {
        lock.emplace(std::chrono::minutes(1));
    } catch (const quorvale::Error& e) {
        say(e.description());
        return BadInput;
    }
    if (records::recoveredListWaiting())
        say(QStringLiteral("a list kept when the window could not store it is waiting in %1; the window offers it at "
                           "its next start, and this import leaves it as it is")
                .arg(QDir::toNativeSeparators(records::recoveryFilePath())));
    std::vector<InventoryRecord> list = replace ? std::vector<InventoryRecord>() : storedList();
    if (sayFaults(file, records::importFaults(list, table))) {
        say(QStringLiteral("nothing was imported; the stored list is as it was"));
        return BadInput;
    }
    list.insert(list.end(), table.records.begin(), table.records.end());
    try {
        records::writeStoredList(records::storedTextOf(list));
    } catch (const quorvale::Error& e) {
        say(e.description());
        return BadInput;
    }
    print(stdout, QStringLiteral("%1 imported; the list holds %2.\n")
                      .arg(records::itemCount(table.records.size()), records::itemCount(list.size())));
    return Done;
}

int exportCommand(const QStringList& arguments)
{
    if (arguments.size() != 1 || (arguments[0].startsWith(QLatin1String("--")) && arguments[0] != QLatin1String("-")))
        return usage(QStringLiteral("export: which file? quorvale export FILE.csv"));
    const QByteArray csv = records::csvText(storedList());
    try {
        if (arguments[0] == QLatin1String("-"))
            quorvale::files::writeStandardOutput(csv);
        else
            quorvale::files::writeWhole(arguments[0], csv);
    } catch (const quorvale::files::FileError& e) {
        return say(e.description()), BadInput;
    }
    return Done;
}

// Told to stop (Ctrl-C, a hang-up, kill), the program takes away the file
// it was writing and then stops as the signal would have stopped it.
void stopWriting(int signal)
{
    quorvale::files::removePendingFiles();
    ::raise(signal); // the handler was reset on entry
}

void removeNewFilesWhenStopped()
{
    struct sigaction action {};
    action.sa_handler = stopWriting;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace

bool wanted(int argc, char* argv[]) { return argc > 1 && argv[1][0] != '\0'; }

int run(int argc, char* argv[])
{
    // No window ever shows: no display is needed, over SSH or from cron.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    removeNewFilesWhenStopped();
    const QtMessageHandler earlier = qInstallMessageHandler(quietQtNotes);
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tallowind"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvale"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVALE_VERSION));
    ConsoleServices services;
    shell::Services::install(&services);

    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString command = arguments.takeFirst();
    int status = Usage;
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        print(stdout, QString::fromLatin1(HelpText));
        status = Done;
    } else if (command == QLatin1String("--version") || command == QLatin1String("-V")) {
        print(stdout, QStringLiteral("quorvale %1\n").arg(QCoreApplication::applicationVersion()));
        status = Done;
    } else if (command == QLatin1String("generate")) {
        status = generateCommand(arguments);
    } else if (command == QLatin1String("import")) {
        status = importCommand(arguments);
    } else if (command == QLatin1String("export")) {
        status = exportCommand(arguments);
    } else {
        status = usage(QStringLiteral("unknown command '%1'").arg(command));
    }
    shell::Services::install(nullptr);
    qInstallMessageHandler(earlier);
    return status;
}

} // namespace CommandLine
