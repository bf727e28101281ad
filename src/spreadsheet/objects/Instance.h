#pragma once

#include "automation/Dispatch.h"
#include "automation/ExcelConstants.h"
#include "spreadsheet/model/Sheet.h"

#include <QString>

#include <memory>
#include <vector>

namespace ss::objects {

// A workbook open in an instance.
struct Book {
    Workbook model;
    QString untitledName; // "Book1": the name until the workbook has a file
    // Deleted sheets stay here while the book lives, so that no new sheet
    // takes the place of one that an object still refers to.
    std::vector<std::unique_ptr<Sheet>> deletedSheets;
    bool closed = false; // from Close or Quit on, its objects fail

    // Workbook.Name: the file name, or the untitled name.
    QString name() const;
    // Marks the workbook closed and lets go of its sheets and formats.
    // Every call on an object of a closed workbook fails before it reaches
    // them, so nothing can tell, and a large workbook's memory is free at
    // once rather than when the last object of it goes.
    void release();
    // The 0-based position of sheet in the workbook, or -1.
    int indexOf(const Sheet* sheet) const;
    bool holds(const Sheet* sheet) const
    {
        for (const std::unique_ptr<Sheet>& s : model.sheets)
            if (s.get() == sheet)
                return true;
        return false;
    }
};

// The application settings a client sets and reads back.
struct Settings {
    bool visible = false;
    bool screenUpdating = true;
    bool displayAlerts = true;
    bool enableEvents = true;
    int enableCancelKey = excel::xlInterrupt;
    int cursor = excel::xlDefault;
    int windowZoom = 100; // ActiveWindow.Zoom, percent: the scale of the pictures of ranges
};

// One running instance of the spreadsheet application: its open workbooks
// and its settings, shared by every object reached through it.
struct Instance {
    std::vector<std::shared_ptr<Book>> books;
    std::shared_ptr<Book> active; // the active workbook, one of books, or none
    Settings settings;
    int untitledCount = 0;
    bool quit = false;

    // Adds an open workbook and makes it the active one.
    void add(std::shared_ptr<Book> book);
    // Takes a workbook out and releases it; the last one left becomes
    // active.
    void close(const Book* book);
    // Closes every workbook (Application.Quit).
    void closeAll();
    // A new workbook with sheets "Sheet1".."SheetN", not yet added.
    std::shared_ptr<Book> newBook(int sheetCount);
};

// Raises the error of a call on an object that can no longer be used.
[[noreturn]] void unusable(const char* why);

// What an object of an instance refers to. check() raises the error of the
// call when the object can no longer be used: the instance has quit. The
// checks come before every call, so they are cheap enough to be made inline.
struct AppRef {
    std::shared_ptr<Instance> app;

    void check() const
    {
        if (app->quit)
            unusable("the spreadsheet application has quit");
    }
};

// ... and of one workbook, which also fails once the workbook is closed.
struct BookRef : AppRef {
    std::shared_ptr<Book> book;

    void check() const
    {
        AppRef::check();
        if (book->closed)
            unusable("the workbook has been closed");
    }
    Workbook& model() const { return book->model; }
};

// ... and an object of one sheet, which also fails once the sheet is deleted.
struct SheetRef : BookRef {
    Sheet* sheet = nullptr;

    void check() const
    {
        BookRef::check();
        if (!book->holds(sheet))
            unusable("the sheet has been deleted");
    }
};

// The properties of a format whose changes the objects name by key, so
// that a change made cell by cell is worked out once (see ChangeKey): each
// such change sets the property alone, to the value of the key.
enum class Formatted : std::uint32_t { Nothing, Wrap, Horizontal, Vertical, Fill };

inline ChangeKey changeOf(Formatted what, std::int64_t value) { return ChangeKey{std::uint32_t(what), value}; }

// ... and of a range of cells of that sheet.
struct RangeRef : SheetRef {
    Area area;

    // Changes the format of every cell of the range; key names the change
    // when it sets one property of those above.
    void format(const std::function<void(CellFormat&)>& change, const ChangeKey& key = {}) const;
    // The format value project gives for every cell of the range, or Empty
    // when the cells differ.
    automation::Variant uniform(const std::function<automation::Variant(const CellFormat&)>& project) const;
};

// The instances of this process that clients still hold, for the running
// lookup: the first one that has not quit, or nullptr.
void registerRunning(const std::shared_ptr<Instance>& instance);
std::shared_ptr<Instance> firstRunning();

} // namespace ss::objects
