#pragma once

#include <cstdint>

// The published constants of the spreadsheet application's automation
// object model, under their published names. The program passes them and
// the built-in spreadsheet application accepts them; both take them from
// here, so client and server cannot disagree on a number.
namespace excel {

// XlHAlign, and the general constants that serve as horizontal alignments.
inline constexpr std::int32_t xlHAlignGeneral = 1;
inline constexpr std::int32_t xlLeft = -4131;
inline constexpr std::int32_t xlCenter = -4108;
inline constexpr std::int32_t xlRight = -4152;

// XlVAlign.
inline constexpr std::int32_t xlTop = -4160;
inline constexpr std::int32_t xlBottom = -4107;
// xlCenter centres down as well.

// XlLineStyle.
inline constexpr std::int32_t xlContinuous = 1;
inline constexpr std::int32_t xlDash = -4115;
inline constexpr std::int32_t xlDot = -4118;
inline constexpr std::int32_t xlDouble = -4119;
inline constexpr std::int32_t xlLineStyleNone = -4142;

// XlBorderWeight.
inline constexpr std::int32_t xlHairline = 1;
inline constexpr std::int32_t xlThin = 2;
inline constexpr std::int32_t xlMedium = -4138;
inline constexpr std::int32_t xlThick = 4;

// XlBordersIndex.
inline constexpr std::int32_t xlEdgeLeft = 7;
inline constexpr std::int32_t xlEdgeTop = 8;
inline constexpr std::int32_t xlEdgeBottom = 9;
inline constexpr std::int32_t xlEdgeRight = 10;
inline constexpr std::int32_t xlInsideVertical = 11;
inline constexpr std::int32_t xlInsideHorizontal = 12;

// XlColorIndex.
inline constexpr std::int32_t xlColorIndexAutomatic = -4105;
inline constexpr std::int32_t xlColorIndexNone = -4142;

// XlPrintLocation (PageSetup.PrintComments).
inline constexpr std::int32_t xlPrintNoComments = -4142;
inline constexpr std::int32_t xlPrintSheetEnd = 1;
inline constexpr std::int32_t xlPrintInPlace = 16;

// XlPageOrientation.
inline constexpr std::int32_t xlPortrait = 1;
inline constexpr std::int32_t xlLandscape = 2;

// XlPaperSize: the paper codes run from 1 (xlPaperLetter) to 256 (xlPaperUser).
inline constexpr std::int32_t xlPaperLetter = 1;
inline constexpr std::int32_t xlPaperA4 = 9;

// XlFixedFormatType: ExportAsFixedFormat's Type.
inline constexpr std::int32_t xlTypePDF = 0;
inline constexpr std::int32_t xlPaperUser = 256;

// XlFileFormat: the Excel 97-2003 workbook, as versions 12 and later and as
// earlier versions name it; the workbook of versions 12 and later (.xlsx).
inline constexpr std::int32_t xlExcel8 = 56;
inline constexpr std::int32_t xlWorkbookNormal = -4143;
inline constexpr std::int32_t xlOpenXMLWorkbook = 51;

// XlSheetVisibility.
inline constexpr std::int32_t xlSheetVisible = -1;
inline constexpr std::int32_t xlSheetHidden = 0;
inline constexpr std::int32_t xlSheetVeryHidden = 2;

// XlCVError: a cell's error value as CVErr gives it, 2000 and the code
// the cell's error has in a file.
inline constexpr std::int32_t xlErrNull = 2000;
inline constexpr std::int32_t xlErrDiv0 = 2007;
inline constexpr std::int32_t xlErrValue = 2015;
inline constexpr std::int32_t xlErrRef = 2023;
inline constexpr std::int32_t xlErrName = 2029;
inline constexpr std::int32_t xlErrNum = 2036;
inline constexpr std::int32_t xlErrNA = 2042;

// XlEnableCancelKey.
inline constexpr std::int32_t xlDisabled = 0;
inline constexpr std::int32_t xlInterrupt = 1;
inline constexpr std::int32_t xlErrorHandler = 2;

// XlMousePointer (Application.Cursor).
inline constexpr std::int32_t xlDefault = -4143;
inline constexpr std::int32_t xlNorthwestArrow = 1;
inline constexpr std::int32_t xlWait = 2;
inline constexpr std::int32_t xlIBeam = 3;

} // namespace excel
