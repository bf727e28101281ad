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
