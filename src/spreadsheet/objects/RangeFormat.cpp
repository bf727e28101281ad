// The formatting objects of a range: Font, Interior and a border edge.
#include "automation/ExcelConstants.h"
#include "spreadsheet/model/Limits.h"
#include "spreadsheet/objects/Members.h"
#include "spreadsheet/objects/Objects.h"

namespace ss::objects {

namespace {

using automation::Object;

// The model's colours of the special automation ColorIndex values; a
// palette slot 1..56 is the same number in both.
const std::initializer_list<std::pair<int, int>> SpecialColorCodes = {
    {excel::xlColorIndexAutomatic, ColorAutomatic}, {excel::xlColorIndexNone, ColorNone}};

bool inPalette(int index) { return index >= 1 && index <= PaletteSize; }

// The model colour of an automation ColorIndex: a palette slot 1..56, or one
// of the given special indexes.
int colorIndex(const Variant& value, std::initializer_list<int> specials)
{
    const int index = value.toInt32();
    if (inPalette(index))
        return index;
    if (std::find(specials.begin(), specials.end(), index) == specials.end())
        notValid("colour index", index);
    return fromCode(value, SpecialColorCodes, "colour index");
}

// The automation ColorIndex of a model colour.
Variant automationColor(int index) { return inPalette(index) ? index : toCode(index, SpecialColorCodes); }

struct FontStyle {
    const char* name;
    bool bold;
    bool italic;
};
constexpr FontStyle FontStyles[] = {
    {"Regular", false, false}, {"Bold", true, false}, {"Italic", false, true}, {"Bold Italic", true, true}};

class FontObject final : public automation::Dispatch {
public:
    explicit FontObject(RangeRef r) : ref(std::move(r)) {}

    QString className() const override { return QStringLiteral("Font"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    RangeRef ref;

private:
    static Variant getName(FontObject& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) { return Variant(f.font.name); });
    }
    static void putName(FontObject& self, const Call&, const Variant& value)
    {
        const QString name = value.toString();
        if (name.isEmpty() || name.size() > MaxFontName)
            throw quorvale::AutomationError(
                QStringLiteral("a font name must have 1 to %1 characters").arg(MaxFontName));
        self.ref.format([&](CellFormat& f) { f.font.name = name; });
    }

    static Variant getSize(FontObject& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) { return Variant(f.font.size); });
    }
    static void putSize(FontObject& self, const Call&, const Variant& value)
    {
        const double size = checkedDouble(value, MinFontSize, MaxFontSize, "font size");
        self.ref.format([size](CellFormat& f) { f.font.size = size; });
    }

    static Variant getStyle(FontObject& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) {
            for (const FontStyle& style : FontStyles)
                if (style.bold == f.font.bold && style.italic == f.font.italic)
                    return Variant(style.name);
            return Variant();
        });
    }
    static void putStyle(FontObject& self, const Call&, const Variant& value)
    {
        const QString text = value.toString();
        for (const FontStyle& style : FontStyles)
            if (text.compare(QLatin1String(style.name), Qt::CaseInsensitive) == 0) {
                self.ref.format([&](CellFormat& f) {
                    f.font.bold = style.bold;
                    f.font.italic = style.italic;
                });
                return;
            }
        throw quorvale::AutomationError(QStringLiteral("font style \"%1\" is not valid").arg(text));
    }

    template <bool Font::*Flag>
    static Variant getFlag(FontObject& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) { return Variant(f.font.*Flag); });
    }
    template <bool Font::*Flag>
    static void putFlag(FontObject& self, const Call&, const Variant& value)
    {
        const bool on = value.toBool();
        self.ref.format([on](CellFormat& f) { f.font.*Flag = on; });
    }

    static Variant getColor(FontObject& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) { return automationColor(f.font.colorIndex); });
    }
    static void putColor(FontObject& self, const Call&, const Variant& value)
    {
        const int index = colorIndex(value, {excel::xlColorIndexAutomatic});
        self.ref.format([index](CellFormat& f) { f.font.colorIndex = index; });
    }

    static const automation::MemberTable<FontObject>& members()
    {
        using Self = FontObject;
        static const automation::MemberTable<Self> table{
            {"Name", &property<Self, &getName, &putName>},
            {"Size", &property<Self, &getSize, &putSize>},
            {"FontStyle", &property<Self, &getStyle, &putStyle>},
            {"Bold", &property<Self, &getFlag<&Font::bold>, &putFlag<&Font::bold>>},
            {"Italic", &property<Self, &getFlag<&Font::italic>, &putFlag<&Font::italic>>},
            {"ColorIndex", &property<Self, &getColor, &putColor>},
        };
        return table;
    }
};

class Interior final : public automation::Dispatch {
public:
    explicit Interior(RangeRef r) : ref(std::move(r)) {}

    QString className() const override { return QStringLiteral("Interior"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    RangeRef ref;

private:
    static Variant getColor(Interior& self, const Call&)
    {
        return self.ref.uniform([](const CellFormat& f) { return automationColor(f.fillColorIndex); });
    }
    static void putColor(Interior& self, const Call&, const Variant& value)
    {
        // An automatic fill is no fill.
        const int given = colorIndex(value, {excel::xlColorIndexNone, excel::xlColorIndexAutomatic});
        const int index = given == ColorAutomatic ? ColorNone : given;
        self.ref.format([index](CellFormat& f) { f.fillColorIndex = index; }, changeOf(Formatted::Fill, index));
    }

    static const automation::MemberTable<Interior>& members()
    {
        static const automation::MemberTable<Interior> table{
            {"ColorIndex", &property<Interior, &getColor, &putColor>},
        };
        return table;
    }
};

const std::initializer_list<std::pair<int, LineStyle>> LineStyleCodes = {{excel::xlContinuous, LineStyle::Continuous},
                                                                           {excel::xlDash, LineStyle::Dash},
                                                                           {excel::xlDot, LineStyle::Dot},
                                                                           {excel::xlDouble, LineStyle::Double},
                                                                           {excel::xlLineStyleNone, LineStyle::None}};
const std::initializer_list<std::pair<int, LineWeight>> WeightCodes = {{excel::xlHairline, LineWeight::Hairline},
                                                                       {excel::xlThin, LineWeight::Thin},
                                                                       {excel::xlMedium, LineWeight::Medium},
                                                                       {excel::xlThick, LineWeight::Thick}};

// One edge of a range: Borders(edge).
class Border final : public automation::Dispatch {
public:
    Border(RangeRef r, RangeEdge e) : ref(std::move(r)), edge(e) {}

    QString className() const override { return QStringLiteral("Border"); }
    Variant invoke(const Call& call) override { return serve(members(), *this, call); }

    RangeRef ref;
    RangeEdge edge;

private:
    void change(const std::function<void(BorderLine&)>& set) const
    {
        ref.sheet->applyBorder(ref.area, edge, set, ref.model().formats);
    }

    // What project gives for the line on every cell along the edge, or
    // Empty when they differ; project(nullptr) for an edge the range lacks.
    Variant uniform(const std::function<Variant(const BorderLine*)>& project) const
    {
        const std::optional<EdgeCells> along = edgeCells(ref.area, edge);
        if (!along)
            return project(nullptr);
        return RangeRef{ref, along->cells}.uniform(
            [&](const CellFormat& f) { return project(&f.borders[along->side]); });
    }

    static Variant getStyle(Border& self, const Call&)
    {
        return self.uniform([](const BorderLine* line) {
            return Variant(toCode(line ? line->style : LineStyle::None, LineStyleCodes));
        });
    }
    static void putStyle(Border& self, const Call&, const Variant& value)
    {
        const LineStyle style = fromCode(value, LineStyleCodes, "line style");
        self.change([style](BorderLine& line) { line.style = style; });
    }

    // A weight or a colour given to an edge without a line draws one.
    static void drawIfNone(BorderLine& line)
    {
        if (!line.present())
            line.style = LineStyle::Continuous;
    }

    static Variant getWeight(Border& self, const Call&)
    {
        return self.uniform([](const BorderLine* line) {
            return Variant(toCode(line ? line->weight : LineWeight::Thin, WeightCodes));
        });
    }
    static void putWeight(Border& self, const Call&, const Variant& value)
    {
        const LineWeight weight = fromCode(value, WeightCodes, "line weight");
        self.change([weight](BorderLine& line) {
            drawIfNone(line);
            line.weight = weight;
        });
    }

    static Variant getColor(Border& self, const Call&)
    {
        return self.uniform(
            [](const BorderLine* line) { return automationColor(line ? line->colorIndex : ColorAutomatic); });
    }
    static void putColor(Border& self, const Call&, const Variant& value)
    {
        const int index = colorIndex(value, {excel::xlColorIndexAutomatic});
        self.change([index](BorderLine& line) {
            drawIfNone(line);
            line.colorIndex = index;
        });
    }

    static const automation::MemberTable<Border>& members()
    {
        using Self = Border;
        static const automation::MemberTable<Self> table{
            {"LineStyle", &property<Self, &getStyle, &putStyle>},
            {"Weight", &property<Self, &getWeight, &putWeight>},
            {"ColorIndex", &property<Self, &getColor, &putColor>},
        };
        return table;
    }
};

} // namespace

automation::Object fontObject(const RangeRef& ref) { return Object(std::make_shared<FontObject>(ref)); }

automation::Object interiorObject(const RangeRef& ref) { return Object(std::make_shared<Interior>(ref)); }

automation::Object borderObject(const RangeRef& ref, RangeEdge edge)
{
    return Object(std::make_shared<Border>(ref, edge));
}

} // namespace ss::objects
