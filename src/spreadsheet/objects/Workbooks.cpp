#include "automation/ExcelConstants.h"
#include "spreadsheet/objects/Members.h"
#include "spreadsheet/objects/Objects.h"
#include "spreadsheet/ods/OdsReader.h"
#include "spreadsheet/xls/Xls.h"
#include "spreadsheet/xlsx/XlsxReader.h"
#include "spreadsheet/xlsx/XlsxWriter.h"
#include "spreadsheet/zip/ZipReader.h"

#include <QDir>
#include <QFileInfo>

namespace ss::objects {

namespace {

using automation::Object;

constexpr int NewBookSheets = 3;
constexpr qint64 MaxCompoundFileBytes = qint64(64) << 20;

// A path as the client gives it: "\" is the platform's separator.
QString filePath(const Variant& value)
{
    QString path = value.toString();
    if (path.isEmpty())
        throw quorvale::AutomationError(QStringLiteral("no file name given"));
    return QFileInfo(path.replace(QLatin1Char('\\'), QLatin1Char('/'))).absoluteFilePath();
}

} // namespace

std::unique_ptr<Workbook> readWorkbookFile(const QString& path)
{
    static constexpr char CompoundSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    static constexpr char ZipSignature[] = "PK\x03\x04";
    zip::OpenedFile file(path);
    const QByteArray start = file.start(8);
    if (start.isEmpty())
        zip::cannotOpen(path, QStringLiteral("the file is empty"));
    if (start == QByteArrayView(CompoundSignature, 8)) {
        // An Excel 97-2003 workbook is read whole: one larger than any that
        // holds the cells this application opens is refused before.
        if (file.size() > MaxCompoundFileBytes)
            zip::cannotOpen(path, QStringLiteral("the workbook is larger than %1 MiB, more than this application opens")
                                      .arg(MaxCompoundFileBytes >> 20));
        return xls::open(path, file.readAll());
    }
    if (start.startsWith(ZipSignature)) {
        std::unique_ptr<Workbook> book = zip::readArchive(file, [](const zip::ZipReader& archive) {
            if (archive.has(QStringLiteral("xl/workbook.xml")))
                return xlsx::read(archive);
            if (archive.head(QStringLiteral("mimetype"), 100).trimmed() == "application/vnd.oasis.opendocument.spreadsheet")
                return ods::read(archive);
            return std::unique_ptr<Workbook>();
        });
        if (book)
            return book;
    }
    throw quorvale::AutomationError(
        QStringLiteral("\"%1\" is not a workbook this application opens: it opens Excel 97-2003 (.xls), Excel (.xlsx) "
                       "and OpenDocument (.ods) spreadsheets")
            .arg(QDir::toNativeSeparators(path)));
}

namespace {

// Writes the workbook in the file format SaveAs was given: the Excel
// 97-2003 workbook, also when none is given, or the Open XML workbook.
void saveInFormat(const Workbook& book, const QString& path, const Variant* format)
{
    const int code = format ? oneOf(*format, {excel::xlExcel8, excel::xlWorkbookNormal, excel::xlOpenXMLWorkbook},
                                    "file format")
                            : excel::xlExcel8;
    if (code == excel::xlOpenXMLWorkbook)
        xlsx::save(book, path);
    else
        xls::save(book, path);
}

class Workbooks final : public automation::Dispatch {
public:
    explicit Workbooks(AppRef r) : ref(std::move(r)) {}

    QString className() const override { return QStringLiteral("Workbooks"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    AppRef ref;

private:
    BookRef added(std::shared_ptr<Book> book) const
    {
        ref.app->add(book);
        return BookRef{ref, std::move(book)};
    }

    static Variant add(Workbooks& self, const Call& call)
    {
        if (call.args.size() > 0)
            throw quorvale::AutomationError(QStringLiteral("templates are not supported"));
        return workbookObject(self.added(self.ref.app->newBook(NewBookSheets)));
    }

    static Variant open(Workbooks& self, const Call& call)
    {
        const QString path = filePath(call.positional(0));
        std::unique_ptr<Workbook> model = readWorkbookFile(path);
        if (model->sheets.empty())
            throw quorvale::AutomationError(QStringLiteral("\"%1\" holds no sheet").arg(path));
        auto book = std::make_shared<Book>();
        book->model = std::move(*model);
        book->model.fullName = path;
        return workbookObject(self.added(std::move(book)));
    }

    static Variant count(Workbooks& self, const Call&) { return std::int32_t(self.ref.app->books.size()); }
    static Variant item(Workbooks& self, const Call& call) { return workbookItem(self.ref, call.positional(0)); }

    static const automation::MemberTable<Workbooks>& members()
    {
        using Self = Workbooks;
        static const automation::MemberTable<Self> table{
            {"Add", &readOnly<Self, &add>},
            {"Open", &readOnly<Self, &open>},
            {"Count", &readOnly<Self, &count>},
            {"Item", &readOnly<Self, &item>},
            {"", &readOnly<Self, &item>},
        };
        return table;
    }
};

class WorkbookObject final : public automation::Dispatch {
public:
    explicit WorkbookObject(BookRef r) : ref(std::move(r)) {}

    QString className() const override { return QStringLiteral("Workbook"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    BookRef ref;

private:
    Workbook& model() const { return ref.model(); }

    static Variant saveAs(WorkbookObject& self, const Call& call)
    {
        const Variant* name = call.argument(0, "Filename");
        const QString path = filePath(name ? *name : Variant());
        saveInFormat(self.model(), path, call.argument(1, "FileFormat"));
        self.model().fullName = path;
        return {};
    }

    static Variant close(WorkbookObject& self, const Call& call)
    {
        // Nothing is saved on closing; asking for it would be lost silently.
        if (const Variant* save = call.argument(0, "SaveChanges"); save && save->toBool())
            throw quorvale::AutomationError(QStringLiteral("saving on closing is not supported; call SaveAs first"));
        self.ref.app->close(self.ref.book.get());
        return {};
    }

    static Variant activeSheet(WorkbookObject& self, const Call&)
    {
        return worksheetObject(SheetRef{self.ref, self.model().sheets[std::size_t(self.model().activeSheet)].get()});
    }

    static Variant sheets(WorkbookObject& self, const Call& call)
    {
        if (call.positionalCount() > 0)
            return sheetItem(self.ref, call.positional(0));
        return sheetsObject(self.ref);
    }

    static std::int32_t& colorSlot(WorkbookObject& self, const Call& call)
    {
        const int index = checkedInt(call.positional(0), 1, PaletteSize, "colour index");
        return self.model().colors[std::size_t(index - 1)];
    }
    static Variant getColor(WorkbookObject& self, const Call& call) { return colorSlot(self, call); }
    static void putColor(WorkbookObject& self, const Call& call, const Variant& value)
    {
        colorSlot(self, call) = checkedInt(value, 0, 0xFFFFFF, "colour");
    }

    static Variant name(WorkbookObject& self, const Call&) { return self.ref.book->name(); }
    // Whether the workbook counts its dates from 1904 rather than from 1900.
    static Variant date1904(WorkbookObject& self, const Call&) { return self.model().dates1904; }
    static Variant fullName(WorkbookObject& self, const Call&)
    {
        return self.model().fullName.isEmpty() ? self.ref.book->name() : self.model().fullName;
    }

    static const automation::MemberTable<WorkbookObject>& members()
    {
        using Self = WorkbookObject;
        static const automation::MemberTable<Self> table{
            {"SaveAs", &readOnly<Self, &saveAs>},
            {"Close", &readOnly<Self, &close>},
            {"ActiveSheet", &readOnly<Self, &activeSheet>},
            {"Sheets", &readOnly<Self, &sheets>},
            {"Colors", &property<Self, &getColor, &putColor>},
            {"Name", &readOnly<Self, &name>},
            {"FullName", &readOnly<Self, &fullName>},
            {"Date1904", &readOnly<Self, &date1904>},
        };
        return table;
    }
};

} // namespace

automation::Object workbooksObject(const AppRef& ref) { return Object(std::make_shared<Workbooks>(ref)); }

automation::Object workbookObject(const BookRef& ref) { return Object(std::make_shared<WorkbookObject>(ref)); }

Book* bookOf(const automation::Object& workbook)
{
    const auto* object = dynamic_cast<const WorkbookObject*>(workbook.dispatch().get());
    return object ? object->ref.book.get() : nullptr;
}

automation::Object workbookItem(const AppRef& ref, const Variant& index)
{
    const auto& books = ref.app->books;
    const std::size_t i = itemIndex(books, index, [](const auto& b) { return b->name(); }, "Workbooks", "workbook");
    return workbookObject(BookRef{ref, books[i]});
}

} // namespace ss::objects
