#include "automation/MemberTable.h"
#include "automation/Object.h"
#include "support/Recorder.h"
#include "automation/Servers.h"

#include <QTest>

using namespace automation;

namespace {

// A small server with a property, a method with a named argument and a
// child object, enough to exercise late binding end to end.
class Counter final : public Dispatch {
public:
    QString className() const override { return QStringLiteral("Counter"); }
    Variant invoke(const Call& call) override { return members().dispatch(*this, call); }

    std::int32_t total = 0;
    std::shared_ptr<Counter> child;

private:
    static Variant value(Counter& self, const Call& call)
    {
        if (call.kind == CallKind::Put)
            self.total = call.value->toInt32();
        return self.total;
    }
    static Variant add(Counter& self, const Call& call)
    {
        const Variant* by = call.argument(1, "By");
        self.total += call.positional(0).toInt32() * (by ? by->toInt32() : 1);
        return self.total;
    }
    static Variant childObject(Counter& self, const Call&)
    {
        if (!self.child)
            self.child = std::make_shared<Counter>();
        return Variant(self.child);
    }
    static Variant fail(Counter&, const Call&) { throw AutomationError(QStringLiteral("Counter: cannot fail well")); }

    static const MemberTable<Counter>& members()
    {
        static const MemberTable<Counter> table{
            {"Value", &value}, {"Add", &add}, {"Child", &childObject}, {"Fail", &fail}};
        return table;
    }
};

Object newCounter() { return Object(std::make_shared<Counter>()); }

// A server whose member table is built by one test alone, so that the test
// can number names before the table exists and after.
class Gauge final : public Dispatch {
public:
    QString className() const override { return QStringLiteral("Gauge"); }
    Variant invoke(const Call& call) override { return members().dispatch(*this, call); }

private:
    std::int32_t m_level = 0;

    static Variant level(Gauge& self, const Call& call)
    {
        if (call.kind == CallKind::Put)
            self.m_level = call.value->toInt32();
        return self.m_level;
    }

    static const MemberTable<Gauge>& members()
    {
        static const MemberTable<Gauge> table{{"Level", &level}};
        return table;
    }
};

} // namespace

class AutomationTest : public QObject {
    Q_OBJECT

private slots:
    void variantsCoerceAsAutomationDoes()
    {
        QCOMPARE(Variant(true).describe(), QStringLiteral("Boolean True"));
        QCOMPARE(Variant(true).toInt32(), -1);
        QCOMPARE(Variant(false).toInt32(), 0);
        QCOMPARE(Variant(std::int16_t(2)).type(), VarType::Integer);
        QCOMPARE(Variant(2).type(), VarType::Long);
        QCOMPARE(Variant(43.5).describe(), QStringLiteral("Double 43.5"));
        QCOMPARE(Variant("A:A").describe(), QStringLiteral("String \"A:A\""));

        // Halves go to the even neighbour.
        QCOMPARE(Variant(2.5).toInt16(), std::int16_t(2));
        QCOMPARE(Variant(3.5).toInt16(), std::int16_t(4));
        QCOMPARE(Variant(-2.5).toInt32(), -2);
        QCOMPARE(Variant("16.5").toInt16(), std::int16_t(16));

        QVERIFY_THROWS_EXCEPTION(AutomationError, Variant(32767.5).toInt16());
        QVERIFY_THROWS_EXCEPTION(AutomationError, Variant(3e9).toInt32());
        QVERIFY_THROWS_EXCEPTION(AutomationError, Variant("twelve").toDouble());
        QVERIFY_THROWS_EXCEPTION(AutomationError, Variant(1).toObject());

        QVERIFY(Variant("true").toBool());
        QVERIFY(!Variant("False").toBool());
        QCOMPARE(Variant().toString(), QString());
        QCOMPARE(Variant(std::int16_t(-7)).toString(), QStringLiteral("-7"));
    }

    void membersAreFoundWithoutRegardToCase()
    {
        Object c = newCounter();
        c.put("VALUE", 5);
        QCOMPARE(c.get("value").toInt32(), 5);
        QCOMPARE(c.call("aDD", {Variant(3), Arg::named("by", Variant(std::int16_t(2)))}).toInt32(), 11);

        try {
            c.get("Missing");
            QFAIL("an unknown member must raise");
        } catch (const AutomationError& e) {
            QVERIFY(e.description().contains(QStringLiteral("Counter.Missing")));
        }
    }

    void numberedNamesFindTheirMembersInAnySpelling()
    {
        const MemberName stranger{"NotAGaugeMember"};
        const MemberName early{"lEVEL"};
        Object gauge(std::make_shared<Gauge>());
        gauge.put(early, 5); // the first call builds the member table
        const MemberName late{"LEVEL"};
        QCOMPARE(late.id(), early.id());
        QVERIFY(stranger.id() != early.id());
        QCOMPARE(gauge.get(late).toInt32(), 5);
        QCOMPARE(gauge.get("level").toInt32(), 5);

        // Names the class lacks, numbered before its table and after it.
        const MemberName later{"AlsoNotAGaugeMember"};
        for (const MemberName* missing : {&stranger, &later}) {
            try {
                gauge.get(*missing);
                QFAIL("a member the class lacks must raise");
            } catch (const AutomationError& e) {
                QVERIFY(e.description().contains(QStringLiteral("Gauge.")
                                                 + QString::fromLatin1(missing->text().data(),
                                                                       qsizetype(missing->text().size()))));
            }
        }

        // What reaches the server is still the name as the caller spelt it.
        auto recorder = Recorder::create();
        recorder->wrap(gauge, QStringLiteral("Gauge")).put(early, 6);
        QCOMPARE(recorder->transcript(), QStringList{QStringLiteral("put Gauge.lEVEL = Long 6")});
        QCOMPARE(gauge.get(late).toInt32(), 6);
    }

    void callsOnNothingRaise()
    {
        Object nothing;
        QVERIFY(nothing.isNothing());
        QVERIFY_THROWS_EXCEPTION(AutomationError, nothing.get("Value"));
        Object c = newCounter();
        c.release();
        QVERIFY_THROWS_EXCEPTION(AutomationError, c.call("Add", {Variant(1)}));
    }

    void serversCreateAndFindByProgrammaticIdentifier()
    {
        Servers::clear();
        QVERIFY_THROWS_EXCEPTION(AutomationError, Servers::createObject(QStringLiteral("Test.Counter")));

        std::shared_ptr<Counter> running;
        Servers::registerServer(
            QStringLiteral("Test.Counter"), [] { return newCounter(); },
            [&]() -> Object {
                if (!running)
                    throw AutomationError(QStringLiteral("none running"));
                return Object(running);
            });
        Object a = Servers::createObject(QStringLiteral("test.counter"));
        Object b = Servers::createObject(QStringLiteral("Test.Counter"));
        QVERIFY(!(a == b));
        QVERIFY_THROWS_EXCEPTION(AutomationError, Servers::getObject(QStringLiteral("Test.Counter")));
        running = std::make_shared<Counter>();
        QVERIFY(Servers::getObject(QStringLiteral("TEST.COUNTER")).dispatch() == running);

        Servers::unregisterServer(QStringLiteral("Test.Counter"));
        QVERIFY_THROWS_EXCEPTION(AutomationError, Servers::createObject(QStringLiteral("Test.Counter")));
    }

    void recorderLogsEveryCallWithTypesAndPaths()
    {
        auto recorder = Recorder::create();
        Object app = recorder->wrap(newCounter(), QStringLiteral("Counter"));

        app.put("Value", std::int16_t(4));
        app.object("Child").call("Add", {Arg::byReference(Variant(2)), Arg::named("By", Variant(1.5))});
        try {
            app.call("Fail");
        } catch (const AutomationError&) {
        }
        recorder->setShowResults(true);
        app.get("Value");

        const QStringList expected = {
            QStringLiteral("put Counter.Value = Integer 4"),
            QStringLiteral("get Counter.Child"),
            QStringLiteral("call Counter.Child.Add(ByRef Long 2, By:=Double 1.5)"),
            QStringLiteral("call Counter.Fail() -> error"),
            QStringLiteral("get Counter.Value -> Long 4"),
        };
        QCOMPARE(recorder->transcript(), expected);
    }
};

QTEST_GUILESS_MAIN(AutomationTest)
#include "automation_test.moc"
