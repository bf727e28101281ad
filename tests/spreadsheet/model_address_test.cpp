#include "automation/Error.h"
#include "spreadsheet/model/Address.h"

#include <QTest>

using ss::Area;

Q_DECLARE_METATYPE(ss::Area)

class ModelAddressTest : public QObject {
    Q_OBJECT

private slots:
    void goodAddressesParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Area>("area");
        QTest::addColumn<QString>("address");
        const int lastRow = ss::MaxRows - 1;
        const int lastColumn = ss::MaxColumns - 1;
        QTest::newRow("cell") << "A1" << Area{0, 0, 0, 0} << "$A$1";
        QTest::newRow("lower case") << "c15" << Area{14, 2, 14, 2} << "$C$15";
        QTest::newRow("absolute cell") << "$B$7" << Area{6, 1, 6, 1} << "$B$7";
        QTest::newRow("absolute column only") << "$A3:$A3" << Area{2, 0, 2, 0} << "$A$3";
        QTest::newRow("area") << "A1:I12" << Area{0, 0, 11, 8} << "$A$1:$I$12";
        QTest::newRow("reversed area") << "I12:A1" << Area{0, 0, 11, 8} << "$A$1:$I$12";
        QTest::newRow("mixed markers") << "$A2:$I32769" << Area{1, 0, 32768, 8} << "$A$2:$I$32769";
        QTest::newRow("whole column") << "A:A" << Area{0, 0, lastRow, 0} << "$A:$A";
        QTest::newRow("whole columns") << "B:$D" << Area{0, 1, lastRow, 3} << "$B:$D";
        QTest::newRow("whole row") << "1:1" << Area{0, 0, 0, lastColumn} << "$1:$1";
        QTest::newRow("whole rows") << "$3:5" << Area{2, 0, 4, lastColumn} << "$3:$5";
        QTest::newRow("last cell") << "IV65536" << Area{lastRow, lastColumn, lastRow, lastColumn} << "$IV$65536";
        QTest::newRow("two letters") << "AA10" << Area{9, 26, 9, 26} << "$AA$10";
        QTest::newRow("whole sheet") << "1:65536" << Area::wholeSheet() << "$1:$65536";
        QTest::newRow("leading zero row") << "A01" << Area{0, 0, 0, 0} << "$A$1";
    }

    void goodAddressesParse()
    {
        QFETCH(QString, text);
        QFETCH(Area, area);
        QFETCH(QString, address);
        const Area parsed = ss::parseAddress(text);
        QCOMPARE(parsed, area);
        QCOMPARE(ss::addressText(parsed), address);
        // What the address text gives back names the same cells.
        QCOMPARE(ss::parseAddress(ss::addressText(parsed)), area);
    }

    void badAddressesFailWithTheReason_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        const QString outside = QStringLiteral(" is outside the sheet (256 columns, 65,536 rows)");
        QTest::newRow("row zero") << "A0" << "invalid address \"A0\"";
        QTest::newRow("empty") << "" << "invalid address \"\"";
        QTest::newRow("lone column") << "A" << "invalid address \"A\"";
        QTest::newRow("lone row") << "3" << "invalid address \"3\"";
        QTest::newRow("mixed kinds") << "A1:B" << "invalid address \"A1:B\"";
        QTest::newRow("column then row") << "A:1" << "invalid address \"A:1\"";
        QTest::newRow("digits before letters") << "1A" << "invalid address \"1A\"";
        QTest::newRow("three parts") << "A1:B2:C3" << "invalid address \"A1:B2:C3\"";
        QTest::newRow("space") << " A1" << "invalid address \" A1\"";
        QTest::newRow("double marker") << "$$A1" << "invalid address \"$$A1\"";
        QTest::newRow("trailing marker") << "A1$" << "invalid address \"A1$\"";
        QTest::newRow("two areas") << "A1,B2" << "invalid address \"A1,B2\"";
        QTest::newRow("sheet name") << "Sheet1!A1" << "invalid address \"Sheet1!A1\"";
        QTest::newRow("row 65537") << "A65537" << "address \"A65537\"" + outside;
        QTest::newRow("column IW") << "IW1" << "address \"IW1\"" + outside;
        QTest::newRow("huge row") << "A99999999999999999999" << "address \"A99999999999999999999\"" + outside;
        QTest::newRow("long letters") << "XFDXFD1:A1" << "address \"XFDXFD1:A1\"" + outside;
        QTest::newRow("rows past the end") << "1:70000" << "address \"1:70000\"" + outside;
    }

    void badAddressesFailWithTheReason()
    {
        QFETCH(QString, text);
        QFETCH(QString, description);
        try {
            ss::parseAddress(text);
            QFAIL("no error for a bad address");
        } catch (const quorvale::AutomationError& e) {
            QCOMPARE(e.description(), description);
        }
    }

    void columnNames()
    {
        QCOMPARE(ss::columnName(0), QStringLiteral("A"));
        QCOMPARE(ss::columnName(25), QStringLiteral("Z"));
        QCOMPARE(ss::columnName(26), QStringLiteral("AA"));
        QCOMPARE(ss::columnName(51), QStringLiteral("AZ"));
        QCOMPARE(ss::columnName(52), QStringLiteral("BA"));
        QCOMPARE(ss::columnName(255), QStringLiteral("IV"));
        for (int c = 0; c < ss::MaxColumns; ++c)
            QCOMPARE(ss::parseAddress(ss::columnName(c) + QStringLiteral("1")).left, c);
    }
};

QTEST_MAIN(ModelAddressTest)
#include "model_address_test.moc"
