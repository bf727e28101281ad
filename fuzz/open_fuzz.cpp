// Workbooks.Open of the built-in spreadsheet application on any bytes. The
// bytes go into one file, re-used by every run, and the Open member reads it
// as a client's call would. Either the file opens, or Open raises the
// AutomationError that names the file and says what is wrong. A workbook that
// opened must be one the application can keep: SaveAs writes it and the
// written file opens again with the same sheets, values and formats.
// A critical of GLib (a check of libgsf on how it is called, or on its own
// state) stops the run like a crash; libgsf's warnings about damaged
// documents, which it goes on from, are not shown.
// With QUORVALE_FUZZ_VERBOSE set, each run prints what became of its input.
// GLib before Qt, whose keywords it uses as names.
#include <glib.h>

#include "automation/Error.h"
#include "automation/Object.h"
#include "automation/Servers.h"
#include "spreadsheet/objects/Server.h"

#include "support/XlsCompare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

using automation::Object;
using automation::Variant;
using quorvale::AutomationError;

struct Place {
    // /dev/shm keeps the file in memory where there is one.
    QTemporaryDir dir{QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                          ? QStringLiteral("/dev/shm/quorvale-open-fuzz-XXXXXX")
                          : QDir::temp().filePath(QStringLiteral("quorvale-open-fuzz-XXXXXX"))};
    QString input = dir.filePath(QStringLiteral("input.xls"));
    QString resaved = dir.filePath(QStringLiteral("resaved.xls"));
    Object workbooks;
};

Place* place = nullptr;
bool verbose = false;

[[noreturn]] void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "open_fuzz: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

void writeInput(const std::uint8_t* data, std::size_t size)
{
    QFile file(place->input);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        fail("cannot write the input file", file.errorString());
}

// What xlscompare::compareEquivalent checks, visiting only the rows that
// hold something in either workbook and one row that holds nothing: every
// such row shows the same. (compareEquivalent visits all 65,536 rows of a
// sheet that uses its last row, seconds a run under the sanitizers.)
QString compareShown(const ss::Workbook& a, const ss::Workbook& b)
{
    if (QString d = xlscompare::compareWorkbookCommon(a, b); !d.isEmpty())
        return d;
    std::map<std::pair<ss::FormatId, ss::FormatId>, bool> same;
    const auto sameFormat = [&](ss::FormatId fa, ss::FormatId fb) {
        const auto [it, added] = same.try_emplace({fa, fb}, false);
        if (added)
            it->second = xlscompare::sameFormat(a, fa, b, fb);
        return it->second;
    };
    const auto holdsSomething = [](const ss::Row* row) {
        return row && (row->format != ss::NoFormat || !row->cells.empty());
    };
    for (std::size_t s = 0; s < a.sheets.size(); ++s) {
        const ss::Sheet& sa = *a.sheets[s];
        const ss::Sheet& sb = *b.sheets[s];
        if (QString d = xlscompare::compareSheetCommon(sa, sb); !d.isEmpty())
            return d;
        const int past = int(std::max(sa.rows.size(), sb.rows.size()));
        for (int r = 0; r <= past; ++r) {
            if (r < past && !holdsSomething(sa.row(r)) && !holdsSomething(sb.row(r)))
                continue;
            for (int c = 0; c < ss::MaxColumns; ++c) {
                const ss::Cell* ca = sa.cell(r, c);
                const ss::Cell* cb = sb.cell(r, c);
                const auto at = [&] { return ss::addressText(ss::Area::cell(r, c)); };
                if (bool(ca) != bool(cb) || (ca && ca->value != cb->value))
                    return QStringLiteral("cell %1 of %2: value or presence differs").arg(at(), sa.name);
                if (!sameFormat(sa.effectiveFormat(r, c), sb.effectiveFormat(r, c)))
                    return QStringLiteral("format of %1 of %2").arg(at(), sa.name);
            }
        }
    }
    return {};
}

// The error of a refused Open names the file it could not open.
void checkRefusal(const AutomationError& e, const QString& path)
{
    if (!e.description().contains(QDir::toNativeSeparators(path)))
        fail("Open raised an error that does not name the file", e.description());
}

void onGLibMessage(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL)) {
        std::fprintf(stderr, "open_fuzz: GLib critical (%s): %s\n", domain ? domain : "", message);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_log_set_default_handler(onGLibMessage, nullptr);
    ss::registerExcelApplication();
    static Place p;
    if (!p.dir.isValid())
        fail("cannot make a working folder", p.dir.errorString());
    p.workbooks = automation::Servers::createObject(QStringLiteral("Excel.Application")).object("Workbooks");
    place = &p;
    verbose = qEnvironmentVariableIsSet("QUORVALE_FUZZ_VERBOSE");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    writeInput(data, size);
    Object book;
    try {
        book = place->workbooks.call("Open", {Variant(place->input)}).toObject();
    } catch (const AutomationError& e) {
        checkRefusal(e, place->input);
        if (verbose)
            std::fprintf(stderr, "refused: %s\n", qPrintable(e.description()));
        if (place->workbooks.get("Count").toInt32() != 0)
            fail("a refused file stays open", e.description());
        return 0;
    }

    const ss::Workbook* opened = ss::workbookModel(book);
    if (!opened || opened->sheets.empty())
        fail("Open gave a workbook without sheets", place->input);
    try {
        book.call("SaveAs", {Variant(place->resaved)});
    } catch (const AutomationError& e) {
        fail("an opened workbook cannot be saved", e.description());
    }
    Object again;
    try {
        again = place->workbooks.call("Open", {Variant(place->resaved)}).toObject();
    } catch (const AutomationError& e) {
        fail("a saved workbook does not open", e.description());
    }
    if (const QString d = compareShown(*opened, *ss::workbookModel(again)); !d.isEmpty())
        fail("the saved workbook differs from the opened one", d);

    if (verbose)
        std::fprintf(stderr, "opened: %zu sheets, saved and opened again alike\n", opened->sheets.size());
    book.call("Close");
    again.call("Close");
    if (place->workbooks.get("Count").toInt32() != 0)
        fail("closed workbooks stay open", place->input);
    return 0;
}
