#include "spreadsheet/objects/Instance.h"

#include <QFileInfo>

#include <algorithm>

namespace ss::objects {

namespace {

std::vector<std::weak_ptr<Instance>>& running()
{
    static std::vector<std::weak_ptr<Instance>> instances;
    return instances;
}

} // namespace

void unusable(const char* why) { throw quorvale::AutomationError(QString::fromLatin1(why)); }

QString Book::name() const
{
    return model.fullName.isEmpty() ? untitledName : QFileInfo(model.fullName).fileName();
}

int Book::indexOf(const Sheet* sheet) const
{
    for (std::size_t i = 0; i < model.sheets.size(); ++i)
        if (model.sheets[i].get() == sheet)
            return int(i);
    return -1;
}

void Instance::add(std::shared_ptr<Book> book)
{
    active = book;
    books.push_back(std::move(book));
}

void Book::release()
{
    closed = true;
    model.sheets.clear();
    model.formats = FormatTable();
    deletedSheets.clear();
}

void Instance::close(const Book* book)
{
    const auto open = std::find_if(books.begin(), books.end(), [&](const auto& b) { return b.get() == book; });
    if (open == books.end())
        return;
    const std::shared_ptr<Book> closed = *open;
    books.erase(open);
    if (active == closed)
        active = books.empty() ? nullptr : books.back();
    closed->release();
}

void Instance::closeAll()
{
    active.reset();
    for (const std::shared_ptr<Book>& book : books)
        book->release();
    books.clear();
}

std::shared_ptr<Book> Instance::newBook(int sheetCount)
{
    auto book = std::make_shared<Book>();
    book->untitledName = QStringLiteral("Book%1").arg(++untitledCount);
    for (int i = 1; i <= sheetCount; ++i)
        book->model.addSheet(QStringLiteral("Sheet%1").arg(i));
    return book;
}

void RangeRef::format(const std::function<void(CellFormat&)>& change, const ChangeKey& key) const
{
    sheet->applyFormat(area, change, model().formats, key);
}

automation::Variant RangeRef::uniform(const std::function<automation::Variant(const CellFormat&)>& project) const
{
    std::optional<automation::Variant> value;
    bool mixed = false;
    sheet->visitFormats(area, [&](FormatId id) {
        automation::Variant v = project(model().formats[id]);
        mixed = value && !(*value == v);
        if (!value)
            value = std::move(v);
        return !mixed;
    });
    return mixed || !value ? automation::Variant() : *value;
}

void registerRunning(const std::shared_ptr<Instance>& instance)
{
    std::erase_if(running(), [](const auto& w) { return w.expired(); });
    running().push_back(instance);
}

std::shared_ptr<Instance> firstRunning()
{
    for (const auto& weak : running())
        if (auto instance = weak.lock(); instance && !instance->quit)
            return instance;
    return nullptr;
}

} // namespace ss::objects
