#include "automation/Error.h"
#include "automation/ExcelConstants.h"
#include "core/Files.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/objects/Members.h"
#include "spreadsheet/objects/Objects.h"
#include "spreadsheet/render/Print.h"

namespace ss::objects {

namespace {

using automation::Object;

QString faultText(const SheetNameFault& fault)
{
    switch (fault.rule) {
    case SheetNameFault::Length: return QStringLiteral("a sheet name must have 1 to %1 characters").arg(MaxSheetName);
    case SheetNameFault::Character: return QStringLiteral("a sheet name cannot contain %1").arg(fault.character);
    case SheetNameFault::Apostrophe: return QStringLiteral("a sheet name cannot begin or end with an apostrophe");
    }
    return {};
}

// Why name cannot name a sheet of book beside sheet itself, or nothing.
QString sheetNameProblem(const Book& book, const Sheet* sheet, const QString& name)
{
    if (const std::optional<SheetNameFault> fault = sheetNameFault(name))
        return faultText(*fault);
    for (const auto& other : book.model.sheets)
        if (other.get() != sheet && other->name.compare(name, Qt::CaseInsensitive) == 0)
            return QStringLiteral("a sheet named \"%1\" already exists").arg(other->name);
    return {};
}

class Sheets final : public automation::Dispatch {
public:
    explicit Sheets(BookRef r) : ref(std::move(r)) {}

    QString className() const override { return QStringLiteral("Sheets"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    BookRef ref;

private:
    static Variant count(Sheets& self, const Call&) { return std::int32_t(self.ref.model().sheets.size()); }
    static Variant item(Sheets& self, const Call& call) { return sheetItem(self.ref, call.positional(0)); }

    static const automation::MemberTable<Sheets>& members()
    {
        using Self = Sheets;
        static const automation::MemberTable<Self> table{
            {"Count", &readOnly<Self, &count>},
            {"Item", &readOnly<Self, &item>},
            {"", &readOnly<Self, &item>},
        };
        return table;
    }
};

class Worksheet final : public automation::Dispatch {
public:
    explicit Worksheet(SheetRef r) : ref(std::move(r)) {}

    QString className() const override { return QStringLiteral("Worksheet"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    SheetRef ref;

private:
    Workbook& model() const { return ref.model(); }
    int index() const { return ref.book->indexOf(ref.sheet); }

    static Variant deleteSheet(Worksheet& self, const Call&)
    {
        Workbook& book = self.model();
        if (book.sheets.size() == 1)
            throw quorvale::AutomationError(QStringLiteral("a workbook must keep at least one sheet"));
        const int deleted = self.index();
        self.ref.book->deletedSheets.push_back(std::move(book.sheets[std::size_t(deleted)]));
        book.sheets.erase(book.sheets.begin() + deleted);
        if (book.activeSheet > deleted || book.activeSheet == int(book.sheets.size()))
            --book.activeSheet;
        return {};
    }

    static Variant getName(Worksheet& self, const Call&) { return self.ref.sheet->name; }
    static void putName(Worksheet& self, const Call&, const Variant& value)
    {
        const QString name = value.toString();
        if (const QString problem = sheetNameProblem(*self.ref.book, self.ref.sheet, name); !problem.isEmpty())
            throw quorvale::AutomationError(problem);
        self.ref.sheet->name = name;
    }

    static Variant select(Worksheet& self, const Call&)
    {
        self.model().activeSheet = self.index();
        return {};
    }

    // Visible: xlSheetVisible, xlSheetHidden or xlSheetVeryHidden.
    static Variant getVisible(Worksheet& self, const Call&)
    {
        switch (self.ref.sheet->visibility) {
        case SheetVisibility::Visible: return excel::xlSheetVisible;
        case SheetVisibility::Hidden: return excel::xlSheetHidden;
        case SheetVisibility::VeryHidden: return excel::xlSheetVeryHidden;
        }
        return excel::xlSheetVisible;
    }
    static void putVisible(Worksheet& self, const Call&, const Variant& value)
    {
        const std::int32_t code = value.type() == automation::VarType::Boolean
                                      ? (value.toBool() ? excel::xlSheetVisible : excel::xlSheetHidden)
                                      : oneOf(value, {excel::xlSheetVisible, excel::xlSheetHidden, excel::xlSheetVeryHidden},
                                              "sheet visibility");
        self.ref.sheet->visibility = code == excel::xlSheetVisible ? SheetVisibility::Visible
                                     : code == excel::xlSheetHidden ? SheetVisibility::Hidden
                                                                     : SheetVisibility::VeryHidden;
    }

    static Variant usedRange(Worksheet& self, const Call&)
    {
        const std::optional<Area> used = self.ref.sheet->usedArea();
        return rangeObject(RangeRef{self.ref, used.value_or(Area::cell(0, 0))});
    }

    static Variant pageSetup(Worksheet& self, const Call&) { return pageSetupObject(self.ref); }

    // ExportAsFixedFormat(Type, Filename): the sheet as it prints, as a PDF
    // (xlTypePDF, the only type there is here).
    static Variant exportAsFixedFormat(Worksheet& self, const Call& call)
    {
        const Variant* type = call.argument(0, "Type");
        if (!type || type->toInt32() != excel::xlTypePDF)
            throw quorvale::AutomationError(QStringLiteral("only xlTypePDF (0) can be exported"));
        const Variant* name = call.argument(1, "Filename");
        const QString path = name ? name->toString() : QString();
        if (path.isEmpty())
            throw quorvale::AutomationError(QStringLiteral("ExportAsFixedFormat needs a file name"));
        const QByteArray pdf = render::pdfOf(self.ref.model(), *self.ref.sheet);
        try {
            quorvale::files::writeWhole(path, pdf);
        } catch (const quorvale::files::FileError& e) {
            throw quorvale::AutomationError(QStringLiteral("Cannot export to %1: %2").arg(path, e.reason()));
        }
        return {};
    }

    // PrintOut(From, To, Copies, Preview): only with Preview, which shows the
    // pages and prints them on the user's word.
    static Variant printOut(Worksheet& self, const Call& call)
    {
        const Variant* preview = call.argument(3, "Preview");
        if (!preview || !preview->toBool())
            throw quorvale::AutomationError(QStringLiteral("printing goes through the print preview: pass Preview:=True"));
        render::printWithPreview(self.ref.model(), *self.ref.sheet);
        return {};
    }
    static Variant range(Worksheet& self, const Call& call) { return rangeOf(self.ref, call); }
    static Variant rows(Worksheet& self, const Call& call) { return rowsOf(self.ref, call); }
    static Variant columns(Worksheet& self, const Call& call) { return columnsOf(self.ref, call); }
    static Variant cells(Worksheet& self, const Call& call) { return cellsOf(self.ref, call); }

    static const automation::MemberTable<Worksheet>& members()
    {
        using Self = Worksheet;
        static const automation::MemberTable<Self> table{
            {"Delete", &readOnly<Self, &deleteSheet>},
            {"Name", &property<Self, &getName, &putName>},
            {"Select", &readOnly<Self, &select>},
            {"UsedRange", &readOnly<Self, &usedRange>},
            {"Visible", &property<Self, &getVisible, &putVisible>},
            {"PageSetup", &readOnly<Self, &pageSetup>},
            {"ExportAsFixedFormat", &readOnly<Self, &exportAsFixedFormat>},
            {"PrintOut", &readOnly<Self, &printOut>},
            {"Range", &readOnly<Self, &range>},
            {"Rows", &readOnly<Self, &rows>},
            {"Columns", &readOnly<Self, &columns>},
            {"Cells", &readOnly<Self, &cells>},
        };
        return table;
    }
};

} // namespace

automation::Object sheetsObject(const BookRef& ref) { return Object(std::make_shared<Sheets>(ref)); }

automation::Object worksheetObject(const SheetRef& ref) { return Object(std::make_shared<Worksheet>(ref)); }

automation::Object sheetItem(const BookRef& ref, const Variant& index)
{
    const auto& sheets = ref.model().sheets;
    const std::size_t i = itemIndex(sheets, index, [](const auto& s) { return s->name; }, "Sheets", "sheet");
    return worksheetObject(SheetRef{ref, sheets[i].get()});
}

} // namespace ss::objects
