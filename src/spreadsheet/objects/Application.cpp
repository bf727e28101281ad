#include "automation/ExcelConstants.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/objects/Members.h"
#include "spreadsheet/objects/Objects.h"

namespace ss::objects {

namespace {

using automation::Object;

const QString ApplicationName = QStringLiteral("Microsoft Excel");

class Application final : public automation::Dispatch {
public:
    explicit Application(std::shared_ptr<Instance> app) : ref{std::move(app)} {}

    QString className() const override { return QStringLiteral("Application"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    AppRef ref;

private:
    RangeCache m_ranges;
    SheetRef m_activeSheet; // as activeSheet() gave it last

    Instance& app() const { return *ref.app; }
    Settings& settings() const { return ref.app->settings; }

    BookRef activeBook() const
    {
        if (!app().active)
            throw quorvale::AutomationError(QStringLiteral("no workbook is open"));
        return BookRef{{ref.app}, app().active};
    }

    // The active sheet. The reference is made anew only when another
    // workbook or sheet has become active, so the many calls on the active
    // sheet do not each count their references to it up and down. The
    // workbooks are compared first: the sheets of the one kept may be gone
    // once it is closed.
    const SheetRef& activeSheet()
    {
        const std::shared_ptr<Book>& book = app().active;
        if (!book)
            throw quorvale::AutomationError(QStringLiteral("no workbook is open"));
        Sheet* sheet = book->model.sheets[std::size_t(book->model.activeSheet)].get();
        if (m_activeSheet.book != book || m_activeSheet.sheet != sheet)
            m_activeSheet = SheetRef{BookRef{{ref.app}, book}, sheet};
        return m_activeSheet;
    }

    static Variant name(Application&, const Call&) { return ApplicationName; }
    static Variant version(Application&, const Call&) { return QStringLiteral("16.0"); }

    // The settings, kept and read back.
    template <bool Settings::*Flag>
    static Variant getFlag(Application& self, const Call&)
    {
        return self.settings().*Flag;
    }
    template <bool Settings::*Flag>
    static void putFlag(Application& self, const Call&, const Variant& value)
    {
        self.settings().*Flag = value.toBool();
    }
    template <bool Settings::*Flag>
    static Variant flag(Application& self, const Call& call)
    {
        return property<Application, &getFlag<Flag>, &putFlag<Flag>>(self, call);
    }

    static Variant getCancelKey(Application& self, const Call&) { return self.settings().enableCancelKey; }
    static void putCancelKey(Application& self, const Call&, const Variant& value)
    {
        self.settings().enableCancelKey =
            checkedInt(value, excel::xlDisabled, excel::xlErrorHandler, "cancel key setting");
    }

    static Variant getCursor(Application& self, const Call&) { return self.settings().cursor; }
    static void putCursor(Application& self, const Call&, const Variant& value)
    {
        self.settings().cursor =
            oneOf(value, {excel::xlDefault, excel::xlNorthwestArrow, excel::xlWait, excel::xlIBeam}, "cursor");
    }

    static Variant workbooks(Application& self, const Call& call)
    {
        if (call.positionalCount() > 0)
            return workbookItem(self.ref, call.positional(0));
        return workbooksObject(self.ref);
    }

    static Variant activeWorkbook(Application& self, const Call&)
    {
        return self.app().active ? workbookObject(self.activeBook()) : Object();
    }

    static Variant activeSheetMember(Application& self, const Call&)
    {
        return self.app().active ? worksheetObject(self.activeSheet()) : Object();
    }

    static Variant sheets(Application& self, const Call& call)
    {
        if (call.positionalCount() > 0)
            return sheetItem(self.activeBook(), call.positional(0));
        return sheetsObject(self.activeBook());
    }

    // The ranges of the active sheet come from the range cache, which gives
    // the object of the same range again.
    static Variant range(Application& self, const Call& call)
    {
        const SheetRef& sheet = self.activeSheet();
        return self.m_ranges.get(sheet, rangeArea(call));
    }
    static Variant rows(Application& self, const Call& call)
    {
        const SheetRef& sheet = self.activeSheet();
        return self.m_ranges.get(sheet, linesArea(call, RangeMode::Rows), RangeMode::Rows);
    }
    static Variant columns(Application& self, const Call& call)
    {
        const SheetRef& sheet = self.activeSheet();
        return self.m_ranges.get(sheet, linesArea(call, RangeMode::Columns), RangeMode::Columns);
    }
    static Variant cells(Application& self, const Call& call)
    {
        const SheetRef& sheet = self.activeSheet();
        return self.m_ranges.get(sheet, cellsArea(call));
    }

    static Variant selection(Application& self, const Call&)
    {
        const SheetRef& sheet = self.activeSheet();
        return self.m_ranges.get(sheet, sheet.sheet->selection);
    }

    static Variant activeCell(Application& self, const Call&)
    {
        const SheetRef& sheet = self.activeSheet();
        return self.m_ranges.get(sheet, Area::cell(sheet.sheet->activeRow, sheet.sheet->activeColumn));
    }

    static Variant activeWindow(Application& self, const Call&) { return windowObject(self.ref); }

    static Variant inchesToPoints(Application&, const Call& call)
    {
        return call.positional(0).toDouble() * PointsPerInch;
    }

    static Variant quit(Application& self, const Call&)
    {
        self.app().quit = true;
        self.app().closeAll();
        self.m_ranges = {};
        self.m_activeSheet = {};
        return {};
    }

    static const automation::MemberTable<Application>& members()
    {
        using Self = Application;
        static const automation::MemberTable<Self> table{
            {"", &readOnly<Self, &name>},
            {"Version", &readOnly<Self, &version>},
            {"Visible", &flag<&Settings::visible>},
            {"ScreenUpdating", &flag<&Settings::screenUpdating>},
            {"DisplayAlerts", &flag<&Settings::displayAlerts>},
            {"EnableEvents", &flag<&Settings::enableEvents>},
            {"EnableCancelKey", &property<Self, &getCancelKey, &putCancelKey>},
            {"Cursor", &property<Self, &getCursor, &putCursor>},
            {"Workbooks", &readOnly<Self, &workbooks>},
            {"ActiveWorkbook", &readOnly<Self, &activeWorkbook>},
            {"ActiveSheet", &readOnly<Self, &activeSheetMember>},
            {"Sheets", &readOnly<Self, &sheets>},
            {"Range", &readOnly<Self, &range>},
            {"Rows", &readOnly<Self, &rows>},
            {"Columns", &readOnly<Self, &columns>},
            {"Cells", &readOnly<Self, &cells>},
            {"Selection", &readOnly<Self, &selection>},
            {"ActiveCell", &readOnly<Self, &activeCell>},
            {"ActiveWindow", &readOnly<Self, &activeWindow>},
            {"InchesToPoints", &readOnly<Self, &inchesToPoints>},
            {"Quit", &readOnly<Self, &quit>},
        };
        return table;
    }
};

// The application's one window. Its zoom is the scale that pictures of
// ranges are drawn at, as the sheet shows on screen.
class Window final : public automation::Dispatch {
public:
    explicit Window(AppRef r) : ref(std::move(r)) {}

    QString className() const override { return QStringLiteral("Window"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    AppRef ref;

private:
    static Variant getZoom(Window& self, const Call&) { return self.ref.app->settings.windowZoom; }
    static void putZoom(Window& self, const Call&, const Variant& value)
    {
        self.ref.app->settings.windowZoom = checkedInt(value, MinZoom, MaxZoom, "zoom");
    }

    static const automation::MemberTable<Window>& members()
    {
        static const automation::MemberTable<Window> table{
            {"Zoom", &property<Window, &getZoom, &putZoom>},
        };
        return table;
    }
};

} // namespace

automation::Object windowObject(const AppRef& ref) { return Object(std::make_shared<Window>(ref)); }

automation::Object applicationObject(const std::shared_ptr<Instance>& app)
{
    return Object(std::make_shared<Application>(app));
}

} // namespace ss::objects
