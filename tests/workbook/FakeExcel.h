#pragma once

// A small stand-in for the spreadsheet application, enough for the
// workbook module to run against: it hands out objects for every member the
// module reaches, keeps the sheet and workbook counts, writes a file on
// SaveAs, puts a picture on the (test) clipboard on CopyPicture, and fails
// chosen members on request. It keeps no cells; transcripts show the calls.

#include "support/Recorder.h"
#include "automation/Servers.h"
#include "support/TestServices.h"

#include <QFile>
#include <QImage>
#include <QStringList>

#include <deque>
#include <memory>

namespace fake {

using automation::Call;
using automation::CallKind;
using automation::Object;
using automation::Variant;

// A member that fails: on objects of the given class (any when empty), the
// given number of times (every time when negative).
struct Failure {
    QString member;
    QString receiver;
    int times = -1;
};

// What every instance of one test shares: the configuration and what the
// instances were asked to do.
struct World {
    QString version = QStringLiteral("16.0");
    QString defaultValue = QStringLiteral("Microsoft Excel");
    bool running = false;  // whether the running lookup finds an instance
    int sheetsOfNewWorkbook = 3;
    int usedRows = 3;
    int usedColumns = 9;
    QImage picture = defaultPicture(); // what CopyPicture puts on the clipboard
    TestServices* clipboard = nullptr;
    std::vector<Failure> failures;

    int created = 0;
    int quits = 0;
    int deletions = 0;
    int copyPictures = 0;
    QStringList savedPaths;
    std::vector<Variant> saveFormats;
    QStringList openedPaths;

    static QImage defaultPicture()
    {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        return image;
    }

    void failOn(const QString& member, const QString& receiver = {}, int times = -1)
    {
        failures.push_back(Failure{member, receiver, times});
    }

    void throwIfFailing(const QString& receiver, const QString& member)
    {
        for (Failure& f : failures) {
            if (f.times == 0 || member.compare(f.member, Qt::CaseInsensitive) != 0
                || (!f.receiver.isEmpty() && f.receiver != receiver))
                continue;
            if (f.times > 0)
                --f.times;
            throw automation::AutomationError(QStringLiteral("Test failure of %1.%2").arg(receiver, member));
        }
    }
};

struct Instance {
    std::shared_ptr<World> world;
    int sheets = 0;
    int workbooks = 0;
    bool quit = false;
};

class Node final : public automation::Dispatch {
public:
    Node(std::shared_ptr<Instance> instance, QString kind) : m_instance(std::move(instance)), m_kind(std::move(kind)) {}

    QString className() const override { return m_kind; }

    Variant invoke(const Call& call) override
    {
        const QString member = QString::fromLatin1(call.member.data(), qsizetype(call.member.size())).toLower();
        if (m_instance->quit)
            throw automation::AutomationError(QStringLiteral("The application has quit"));
        world().throwIfFailing(m_kind, QString::fromLatin1(call.member.data(), qsizetype(call.member.size())));
        if (call.kind == CallKind::Put)
            return {};
        if (call.kind == CallKind::Method)
            return method(member, call);
        return property(member, call);
    }

private:
    World& world() { return *m_instance->world; }

    Variant child(const QString& kind) { return Variant(std::make_shared<Node>(m_instance, kind)); }

    Variant property(const QString& member, const Call& call)
    {
        const bool indexed = call.positionalCount() > 0;
        if (member.isEmpty())
            return world().defaultValue;
        if (member == QLatin1String("version"))
            return world().version;
        if (member == QLatin1String("name"))
            return QStringLiteral("Sheet1");
        if (member == QLatin1String("count"))
            return count();
        if (member == QLatin1String("row"))
            return std::int32_t(world().usedRows);
        if (member == QLatin1String("column"))
            return std::int32_t(world().usedColumns);
        if (member == QLatin1String("sheets"))
            return indexed ? sheet(call.positional(0).toInt32()) : child(QStringLiteral("Sheets"));
        if (member == QLatin1String("workbooks"))
            return child(indexed ? QStringLiteral("Workbook") : QStringLiteral("Workbooks"));
        if (member == QLatin1String("rows"))
            return child(QStringLiteral("Rows"));
        if (member == QLatin1String("columns"))
            return child(QStringLiteral("Columns"));
        if (member == QLatin1String("activesheet"))
            return child(QStringLiteral("Worksheet"));
        if (member == QLatin1String("activeworkbook"))
            return child(QStringLiteral("Workbook"));
        if (member == QLatin1String("font") || member == QLatin1String("interior") || member == QLatin1String("pagesetup"))
            return child(member.at(0).toUpper() + member.mid(1));
        if (member == QLatin1String("borders"))
            return child(QStringLiteral("Border"));
        if (member == QLatin1String("range") || member == QLatin1String("cells") || member == QLatin1String("selection")
            || member == QLatin1String("activecell") || member == QLatin1String("usedrange"))
            return child(QStringLiteral("Range"));
        return {};
    }

    Variant count()
    {
        if (m_kind == QLatin1String("Sheets"))
            return std::int32_t(m_instance->sheets);
        if (m_kind == QLatin1String("Workbooks"))
            return std::int32_t(m_instance->workbooks);
        if (m_kind == QLatin1String("Columns"))
            return std::int32_t(world().usedColumns);
        return std::int32_t(world().usedRows);
    }

    Variant sheet(std::int32_t index)
    {
        if (index < 1 || index > m_instance->sheets)
            throw automation::AutomationError(QStringLiteral("Subscript out of range"));
        return child(QStringLiteral("Worksheet"));
    }

    Variant method(const QString& member, const Call& call)
    {
        if (member == QLatin1String("add")) {
            ++m_instance->workbooks;
            m_instance->sheets = world().sheetsOfNewWorkbook;
            return child(QStringLiteral("Workbook"));
        }
        if (member == QLatin1String("delete")) {
            if (m_instance->sheets <= 1)
                throw automation::AutomationError(QStringLiteral("A workbook must keep at least one sheet"));
            --m_instance->sheets;
            ++world().deletions;
        } else if (member == QLatin1String("quit")) {
            m_instance->quit = true;
            ++world().quits;
        } else if (member == QLatin1String("saveas")) {
            saveAs(call);
        } else if (member == QLatin1String("open")) {
            world().openedPaths << call.positional(0).toString();
            ++m_instance->workbooks;
        } else if (member == QLatin1String("copypicture")) {
            ++world().copyPictures;
            if (world().clipboard)
                world().clipboard->clipboardImages.push_back(world().picture);
        } else if (member == QLatin1String("inchestopoints")) {
            return call.positional(0).toDouble() * 72;
        }
        return {};
    }

    void saveAs(const Call& call)
    {
        const QString path = call.positional(0).toString();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("test workbook") < 0)
            throw automation::AutomationError(QStringLiteral("SaveAs cannot write %1").arg(path));
        world().savedPaths << path;
        const Variant* format = call.argument(1, "FileFormat");
        world().saveFormats.push_back(format ? *format : Variant());
    }

    std::shared_ptr<Instance> m_instance;
    QString m_kind;
};

inline Object newInstance(const std::shared_ptr<World>& world)
{
    ++world->created;
    auto instance = std::make_shared<Instance>();
    instance->world = world;
    return Object(std::make_shared<Node>(instance, QStringLiteral("Application")));
}

// Registers the stand-in as "Excel.Application". With a recorder, the n-th
// instance created is recorded under the n-th of names ("Application",
// "Snapshot", ...); the running instance, when there is one, is never
// recorded.
inline void registerServer(const std::shared_ptr<World>& world,
                           const std::shared_ptr<automation::Recorder>& recorder = {},
                           QStringList names = {QStringLiteral("Application"), QStringLiteral("Snapshot")})
{
    auto pending = std::make_shared<std::deque<QString>>(names.begin(), names.end());
    automation::Servers::registerServer(
        QStringLiteral("Excel.Application"),
        [world, recorder, pending]() {
            Object o = newInstance(world);
            if (!recorder)
                return o;
            const QString name = pending->empty() ? QStringLiteral("Instance%1").arg(world->created) : pending->front();
            if (!pending->empty())
                pending->pop_front();
            return recorder->wrap(o, name);
        },
        [world]() {
            if (!world->running)
                throw automation::AutomationError(QStringLiteral("No running instance"));
            auto instance = std::make_shared<Instance>();
            instance->world = world;
            return Object(std::make_shared<Node>(instance, QStringLiteral("Application")));
        });
}

} // namespace fake
