#pragma once

#include <QString>

namespace shell {

// A sheet printed as its page set-up says, through the spreadsheet
// application that has it open. The workbook floor gives it (SheetBands),
// the preview asks for it; the top floor hands one to the other.
class SheetPrinting {
public:
    virtual ~SheetPrinting() = default;

    // Shows the print preview of the pages, from which the user prints.
    // Throws quorvale::Error when the sheet cannot be printed.
    virtual void printWithPreview() = 0;
    // Saves the pages as a PDF at path, whole or not at all. Throws
    // quorvale::Error.
    virtual void savePdf(const QString& path) = 0;
};

} // namespace shell
