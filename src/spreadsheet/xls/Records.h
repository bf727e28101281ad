#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Record identifiers, their fields' flags and the limits of the Excel 97-2003
// (BIFF8) workbook stream, for the writer and the reader alike.
namespace ss::xls::rec {

inline constexpr std::uint16_t Formula = 0x0006;
inline constexpr std::uint16_t Eof = 0x000A;
inline constexpr std::uint16_t CalcCount = 0x000C;
inline constexpr std::uint16_t CalcMode = 0x000D;
inline constexpr std::uint16_t Precision = 0x000E;
inline constexpr std::uint16_t RefMode = 0x000F;
inline constexpr std::uint16_t Delta = 0x0010;
inline constexpr std::uint16_t Iteration = 0x0011;
inline constexpr std::uint16_t Protect = 0x0012;
inline constexpr std::uint16_t Header = 0x0014;
inline constexpr std::uint16_t Footer = 0x0015;
inline constexpr std::uint16_t Password = 0x0013;
inline constexpr std::uint16_t ExternSheet = 0x0017;
inline constexpr std::uint16_t Name = 0x0018;
inline constexpr std::uint16_t WindowProtect = 0x0019;
inline constexpr std::uint16_t Selection = 0x001D;
inline constexpr std::uint16_t DateMode = 0x0022;
inline constexpr std::uint16_t LeftMargin = 0x0026;
inline constexpr std::uint16_t RightMargin = 0x0027;
inline constexpr std::uint16_t TopMargin = 0x0028;
inline constexpr std::uint16_t BottomMargin = 0x0029;
inline constexpr std::uint16_t PrintHeaders = 0x002A;
inline constexpr std::uint16_t PrintGridlines = 0x002B;
inline constexpr std::uint16_t FilePass = 0x002F;
inline constexpr std::uint16_t Font = 0x0031;
inline constexpr std::uint16_t Continue = 0x003C;
inline constexpr std::uint16_t Window1 = 0x003D;
inline constexpr std::uint16_t Backup = 0x0040;
inline constexpr std::uint16_t CodePage = 0x0042;
inline constexpr std::uint16_t DefColWidth = 0x0055;
inline constexpr std::uint16_t WriteAccess = 0x005C;
inline constexpr std::uint16_t SaveRecalc = 0x005F;
inline constexpr std::uint16_t Guts = 0x0080;
inline constexpr std::uint16_t WsBool = 0x0081;
inline constexpr std::uint16_t GridSet = 0x0082;
inline constexpr std::uint16_t HCenter = 0x0083;
inline constexpr std::uint16_t VCenter = 0x0084;
inline constexpr std::uint16_t BoundSheet = 0x0085;
inline constexpr std::uint16_t Country = 0x008C;
inline constexpr std::uint16_t HideObj = 0x008D;
inline constexpr std::uint16_t Palette = 0x0092;
inline constexpr std::uint16_t FnGroupCount = 0x009C;
inline constexpr std::uint16_t Setup = 0x00A1;
inline constexpr std::uint16_t MulRk = 0x00BD;
inline constexpr std::uint16_t MulBlank = 0x00BE;
inline constexpr std::uint16_t Mms = 0x00C1;
inline constexpr std::uint16_t RString = 0x00D6;
inline constexpr std::uint16_t DbCell = 0x00D7;
inline constexpr std::uint16_t BookBool = 0x00DA;
inline constexpr std::uint16_t Xf = 0x00E0;
inline constexpr std::uint16_t InterfaceHdr = 0x00E1;
inline constexpr std::uint16_t InterfaceEnd = 0x00E2;
inline constexpr std::uint16_t MergedCells = 0x00E5;
inline constexpr std::uint16_t Sst = 0x00FC;
inline constexpr std::uint16_t LabelSst = 0x00FD;
inline constexpr std::uint16_t ExtSst = 0x00FF;
inline constexpr std::uint16_t TabId = 0x013D;
inline constexpr std::uint16_t UsesElfs = 0x0160;
inline constexpr std::uint16_t Dsf = 0x0161;
inline constexpr std::uint16_t SupBook = 0x01AE;
inline constexpr std::uint16_t Prot4Rev = 0x01AF;
inline constexpr std::uint16_t RefreshAll = 0x01B7;
inline constexpr std::uint16_t Prot4RevPass = 0x01BC;
inline constexpr std::uint16_t Dimensions = 0x0200;
inline constexpr std::uint16_t Blank = 0x0201;
inline constexpr std::uint16_t Number = 0x0203;
inline constexpr std::uint16_t Label = 0x0204;
inline constexpr std::uint16_t BoolErr = 0x0205;
inline constexpr std::uint16_t RecalcId = 0x01C1;
inline constexpr std::uint16_t String = 0x0207;
inline constexpr std::uint16_t Row = 0x0208;
inline constexpr std::uint16_t Array = 0x0221;
inline constexpr std::uint16_t Table = 0x0236;
inline constexpr std::uint16_t Index = 0x020B;
inline constexpr std::uint16_t DefaultRowHeight = 0x0225;
inline constexpr std::uint16_t Window2 = 0x023E;
inline constexpr std::uint16_t Rk = 0x027E;
inline constexpr std::uint16_t Style = 0x0293;
inline constexpr std::uint16_t Format = 0x041E;
inline constexpr std::uint16_t ShrFmla = 0x04BC;
inline constexpr std::uint16_t ColInfo = 0x007D;
inline constexpr std::uint16_t Bof = 0x0809;

// The records that messages call by name, "the FONT record at offset 1234"
// or "the TABID record would hold ..."; they give any other by its number,
// "the 0x0006 record".
struct RecordName {
    std::uint16_t id;
    std::string_view name;
};
inline constexpr RecordName RecordNames[] = {
    {Bof, "BOF"},
    {Font, "FONT"},
    {Xf, "XF"},
    {Format, "FORMAT"},
    {Palette, "PALETTE"},
    {BoundSheet, "BOUNDSHEET"},
    {Window1, "WINDOW1"},
    {ExternSheet, "EXTERNSHEET"},
    {Name, "NAME"},
    {Sst, "SST"},
    {Continue, "CONTINUE"},
    {DefaultRowHeight, "DEFAULTROWHEIGHT"},
    {DefColWidth, "DEFCOLWIDTH"},
    {ColInfo, "COLINFO"},
    {Row, "ROW"},
    {LabelSst, "LABELSST"},
    {Label, "LABEL"},
    {Number, "NUMBER"},
    {Rk, "RK"},
    {MulRk, "MULRK"},
    {Blank, "BLANK"},
    {MulBlank, "MULBLANK"},
    {MergedCells, "MERGEDCELLS"},
    {Selection, "SELECTION"},
    {WsBool, "WSBOOL"},
    {Header, "HEADER"},
    {Footer, "FOOTER"},
    {Setup, "SETUP"},
    {Window2, "WINDOW2"},
    {LeftMargin, "LEFTMARGIN"},
    {RightMargin, "RIGHTMARGIN"},
    {TopMargin, "TOPMARGIN"},
    {BottomMargin, "BOTTOMMARGIN"},
    {TabId, "TABID"},
    {SupBook, "SUPBOOK"},
    {ExtSst, "EXTSST"},
    {Index, "INDEX"},
    {DbCell, "DBCELL"},
    {Dimensions, "DIMENSIONS"},
    {WriteAccess, "WRITEACCESS"},
    {Formula, "FORMULA"},
    {String, "STRING"},
    {RString, "RSTRING"},
    {DateMode, "DATEMODE"},
};

// The name of a record in RecordNames; empty for any other.
constexpr std::string_view recordName(std::uint16_t id)
{
    for (const RecordName& record : RecordNames)
        if (record.id == id)
            return record.name;
    return {};
}

// The name of a record, or its number ("0x0006") when RecordNames lacks it.
inline std::string recordLabel(std::uint16_t id)
{
    if (const std::string_view name = recordName(id); !name.empty())
        return std::string(name);
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string label = "0x0000";
    for (std::size_t i = 0; i < 4; ++i)
        label[5 - i] = Digits[id >> (4 * i) & 0xF];
    return label;
}

// BOF fields.
inline constexpr std::uint16_t Biff8Version = 0x0600;
inline constexpr std::uint16_t BofGlobals = 0x0005;
inline constexpr std::uint16_t BofWorksheet = 0x0010;

// The most data one record carries; longer contents go on in CONTINUE records.
inline constexpr std::size_t MaxRecordData = 8224;
inline constexpr std::size_t HeaderSize = 4;

// The option flags of a stored string: two-byte characters, an extension
// block and formatting runs.
inline constexpr std::uint8_t StringWide = 0x01;
inline constexpr std::uint8_t StringExtended = 0x04;
inline constexpr std::uint8_t StringRich = 0x08;
// A formatting run of a rich text: the first character, the font.
inline constexpr std::size_t FormatRunSize = 4;

// FONT: the option bits and the weights. Bold shows in the weight; older
// readers look at the first option bit. A weight from 600 up is bold.
inline constexpr std::uint16_t FontBold = 0x0001;
inline constexpr std::uint16_t FontItalic = 0x0002;
inline constexpr std::uint16_t FontWeightNormal = 400;
inline constexpr std::uint16_t FontWeightBold = 700;
inline constexpr std::uint16_t FontWeightBoldFrom = 600;
// Font index 4 does not exist: the fifth FONT record is font 5.
inline constexpr std::uint16_t SkippedFontIndex = 4;

// FORMAT: codes below this one are built-in number formats.
inline constexpr std::uint16_t FirstCustomNumberFormat = 164;

// XF flags: locked; a style XF has the style bit and parent 0xFFF.
inline constexpr std::uint16_t CellXfFlags = 0x0001;
inline constexpr std::uint16_t StyleXfFlags = 0xFFF5;
// Attribute groups a cell XF sets itself: font, alignment, border, pattern, protection.
inline constexpr std::uint8_t CellXfAttributes = 0xF8;
// The alignment byte: the horizontal alignment in bits 0 to 2, the wrap
// flag, the vertical alignment in bits 4 to 6.
inline constexpr std::uint8_t XfHorizontalMask = 0x07;
inline constexpr std::uint8_t XfWrap = 0x08;
inline constexpr int XfVerticalShift = 4;
inline constexpr std::uint8_t XfVerticalMask = 0x07;
// The first border word: the line styles of the left, right, top and bottom
// edges, four bits each, then the colours of the left and right lines.
inline constexpr int XfLeftLineShift = 0;
inline constexpr int XfRightLineShift = 4;
inline constexpr int XfTopLineShift = 8;
inline constexpr int XfBottomLineShift = 12;
inline constexpr int XfLeftColorShift = 16;
inline constexpr int XfRightColorShift = 23;
inline constexpr std::uint32_t XfLineMask = 0x0F;
// The second border word: the colours of the top and bottom lines, then the
// fill pattern.
inline constexpr int XfTopColorShift = 0;
inline constexpr int XfBottomColorShift = 7;
inline constexpr int XfPatternShift = 26;
inline constexpr std::uint32_t XfPatternMask = 0x3F;
inline constexpr std::uint8_t XfSolidPattern = 1;
// The pattern colours: the foreground, then the background.
inline constexpr int XfBackgroundShift = 7;
// Every colour of an XF takes seven bits.
inline constexpr std::uint32_t XfColorMask = 0x7F;

// STYLE: the flag of a built-in style, and the level of one that is no
// outline style.
inline constexpr std::uint16_t StyleBuiltIn = 0x8000;
inline constexpr std::uint8_t StyleNoLevel = 0xFF;

// BOUNDSHEET: whether the sheet shows (visible, hidden, very hidden, in the
// low two bits of its field), and the kinds of sheet.
inline constexpr std::uint8_t SheetVisible = 0;
inline constexpr std::uint8_t SheetHidden = 1;
inline constexpr std::uint8_t SheetVeryHidden = 2;
inline constexpr std::uint8_t SheetVisibilityMask = 0x03;
inline constexpr std::uint8_t SheetWorksheet = 0;
inline constexpr std::uint8_t SheetChart = 2;

// DATEMODE: dates counted from 1904 rather than from 1900.
inline constexpr std::uint16_t Dates1904 = 1;

// FORMULA: the last result when it is no number: bytes 6 and 7 of the
// result field are 0xFFFF, and byte 0 says what it is. A text result
// follows in a STRING record.
inline constexpr std::uint16_t FormulaNotNumber = 0xFFFF;
inline constexpr std::uint8_t FormulaText = 0;
inline constexpr std::uint8_t FormulaBoolean = 1;
inline constexpr std::uint8_t FormulaError = 2;
inline constexpr std::uint8_t FormulaBlank = 3;
// FORMULA's options: the formula asks to be calculated when the file opens
// (its result is then a placeholder).
inline constexpr std::uint16_t FormulaCalcOnLoad = 0x0002;

// SUPBOOK of the workbook itself.
inline constexpr std::uint16_t InternalSupBook = 0x0401;
// EXTERNSHEET: a count, then XTI structures of a SUPBOOK index and the first
// and last sheet they refer to. TABID: one 16-bit sheet identifier a sheet.
inline constexpr std::size_t XtiSize = 6;
inline constexpr std::size_t SheetIdSize = 2;
// NAME: a built-in name, the one of a print area, and its formula: one 3-D
// area token in the reference class. The low five bits give a token's kind
// in any class.
inline constexpr std::uint16_t NameBuiltIn = 0x0020;
inline constexpr char16_t PrintAreaName = 0x06;
inline constexpr std::uint8_t PtgArea3d = 0x3B;
inline constexpr std::uint8_t PtgKindMask = 0x1F;
inline constexpr std::uint16_t Area3dSize = 11;
// A column field of a reference: the column in the low byte, flags above.
inline constexpr std::uint16_t RefColumnMask = 0x00FF;

// ROW options: always set, a height of its own, a format of its own. The
// height takes the low 15 bits of its field, the XF the low 12 of its own.
inline constexpr std::uint16_t RowFlagsAlways = 0x0100;
inline constexpr std::uint16_t RowCustomHeight = 0x0040;
inline constexpr std::uint16_t RowFormatted = 0x0080;
inline constexpr std::uint16_t RowHeightMask = 0x7FFF;
inline constexpr std::uint16_t RowXfMask = 0x0FFF;

// COLINFO options: the width was set.
inline constexpr std::uint16_t ColumnWidthSet = 0x0002;

// RK: the two low bits say that the stored value is a 30-bit integer (else
// the high bits of a double) and that the number is a hundredth of it; the
// value lies above them.
inline constexpr std::uint32_t RkInteger = 0x2;
inline constexpr std::uint32_t RkHundredths = 0x1;
inline constexpr int RkValueShift = 2;

// WSBOOL: the options a sheet has, and fitting to pages.
inline constexpr std::uint16_t WsBoolDefault = 0x04C1;
inline constexpr std::uint16_t WsBoolFitToPage = 0x0100;

// SETUP options.
inline constexpr std::uint16_t SetupPortrait = 0x0002;
inline constexpr std::uint16_t SetupNoPrinterData = 0x0004;
inline constexpr std::uint16_t SetupComments = 0x0020;
inline constexpr std::uint16_t SetupNoOrientation = 0x0040;
inline constexpr std::uint16_t SetupCommentsAtEnd = 0x0200;

// WINDOW1 options: scroll bars and sheet tabs shown.
inline constexpr std::uint16_t Window1Default = 0x0038;

// WINDOW2 options: grid, headers, zeros and outline symbols shown; the
// sheet selected and shown.
inline constexpr std::uint16_t Window2Default = 0x00B6;
inline constexpr std::uint16_t Window2Active = 0x0600;

// SELECTION: the pane of a sheet without split panes.
inline constexpr std::uint8_t PaneMain = 3;

// The first cell XF: the default format of cells, rows and columns.
inline constexpr std::uint16_t DefaultCellXf = 15;

} // namespace ss::xls::rec
