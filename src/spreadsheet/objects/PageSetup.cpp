#include "automation/ExcelConstants.h"
#include "spreadsheet/model/Address.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/objects/Members.h"
#include "spreadsheet/objects/Objects.h"

namespace ss::objects {

namespace {

using automation::Object;

// Margins in points; no page is larger than this many inches.
constexpr double WidestMargin = 50 * PointsPerInch;

// The automation constants of PrintComments and Orientation for the model's.
const std::initializer_list<std::pair<int, CommentPrinting>> CommentCodes = {
    {excel::xlPrintNoComments, CommentPrinting::None},
    {excel::xlPrintSheetEnd, CommentPrinting::AtEnd},
    {excel::xlPrintInPlace, CommentPrinting::InPlace}};
const std::initializer_list<std::pair<int, Orientation>> OrientationCodes = {
    {excel::xlPortrait, Orientation::Portrait}, {excel::xlLandscape, Orientation::Landscape}};

class PageSetupObject final : public automation::Dispatch {
public:
    explicit PageSetupObject(SheetRef r) : ref(std::move(r)) {}

    QString className() const override { return QStringLiteral("PageSetup"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    SheetRef ref;

private:
    PageSetup& setup() const { return ref.sheet->pageSetup; }

    static Variant getPrintArea(PageSetupObject& self, const Call&)
    {
        const QString& area = self.setup().printArea;
        return area.isEmpty() ? QString() : addressText(parseAddress(area));
    }
    static void putPrintArea(PageSetupObject& self, const Call&, const Variant& value)
    {
        const QString area = value.toString();
        if (!area.isEmpty())
            parseAddress(area);
        self.setup().printArea = area;
    }

    template <double PageSetup::*Margin>
    static Variant getMargin(PageSetupObject& self, const Call&)
    {
        return self.setup().*Margin;
    }
    template <double PageSetup::*Margin>
    static void putMargin(PageSetupObject& self, const Call&, const Variant& value)
    {
        self.setup().*Margin = checkedDouble(value, 0, WidestMargin, "margin");
    }
    template <double PageSetup::*Margin>
    static Variant margin(PageSetupObject& self, const Call& call)
    {
        return property<PageSetupObject, &getMargin<Margin>, &putMargin<Margin>>(self, call);
    }

    // A whole-number setting, kept as it is given when it is in range.
    template <int PageSetup::*Setting, int Low, int High>
    static Variant number(PageSetupObject& self, const Call& call)
    {
        if (call.kind != CallKind::Put)
            return self.setup().*Setting;
        self.setup().*Setting = checkedInt(*call.value, Low, High, "value");
        return {};
    }

    static Variant getPrintComments(PageSetupObject& self, const Call&)
    {
        return toCode(self.setup().printComments, CommentCodes);
    }
    static void putPrintComments(PageSetupObject& self, const Call&, const Variant& value)
    {
        self.setup().printComments = fromCode(value, CommentCodes, "print comments setting");
    }

    static Variant getOrientation(PageSetupObject& self, const Call&)
    {
        return toCode(self.setup().orientation, OrientationCodes);
    }
    static void putOrientation(PageSetupObject& self, const Call&, const Variant& value)
    {
        // Refused as out of range, like the other whole-number settings.
        checkedInt(value, excel::xlPortrait, excel::xlLandscape, "value");
        self.setup().orientation = fromCode(value, OrientationCodes, "orientation");
    }

    static Variant getZoom(PageSetupObject& self, const Call&)
    {
        const std::optional<int>& zoom = self.setup().zoom;
        return zoom ? Variant(*zoom) : Variant(automation::False);
    }
    static void putZoom(PageSetupObject& self, const Call&, const Variant& value)
    {
        // False: the fit-to-pages values decide the scale.
        if (value.type() == automation::VarType::Boolean && !value.toBool())
            self.setup().zoom.reset();
        else
            self.setup().zoom = checkedInt(value, MinZoom, MaxZoom, "zoom");
    }

    static const automation::MemberTable<PageSetupObject>& members()
    {
        using Self = PageSetupObject;
        static const automation::MemberTable<Self> table{
            {"PrintArea", &property<Self, &getPrintArea, &putPrintArea>},
            {"LeftMargin", &margin<&PageSetup::leftMargin>},
            {"RightMargin", &margin<&PageSetup::rightMargin>},
            {"TopMargin", &margin<&PageSetup::topMargin>},
            {"BottomMargin", &margin<&PageSetup::bottomMargin>},
            {"HeaderMargin", &margin<&PageSetup::headerMargin>},
            {"FooterMargin", &margin<&PageSetup::footerMargin>},
            {"PrintComments", &property<Self, &getPrintComments, &putPrintComments>},
            {"Orientation", &property<Self, &getOrientation, &putOrientation>},
            // The paper sizes of the xlPaper constants, xlPaperUser included.
            {"PaperSize", &number<&PageSetup::paperSize, excel::xlPaperLetter, excel::xlPaperUser>},
            {"Zoom", &property<Self, &getZoom, &putZoom>},
            // 0 (False) leaves that direction free.
            {"FitToPagesWide", &number<&PageSetup::fitToPagesWide, 0, MaxFitToPages>},
            {"FitToPagesTall", &number<&PageSetup::fitToPagesTall, 0, MaxFitToPages>},
        };
        return table;
    }
};

} // namespace

automation::Object pageSetupObject(const SheetRef& ref) { return Object(std::make_shared<PageSetupObject>(ref)); }

} // namespace ss::objects
