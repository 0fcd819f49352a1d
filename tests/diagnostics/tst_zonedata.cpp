// Reading the "ZONE DATA" reply and the "skip" reply.
#include "diagnostics/ZoneData.h"
#include "support/ZoneReplies.h"

#include <QTest>

using namespace ZoneData;
using Values = QList<qint64>;   // 24 counts: zone 1 TX, RX, errors, zone 2 TX, ...

namespace {
Values sequence()
{
    Values v;
    for (int i = 0; i < 24; ++i)
        v << 1000 * i + 7;
    return v;
}

Values readAll(const Counts &counts)
{
    Values v;
    for (const auto &zone : counts.value)
        for (const auto &field : zone)
            v << field.value_or(-1);
    return v;
}
} // namespace

class TestZoneData : public QObject
{
    Q_OBJECT
private slots:
    void completeReplyHasItsFullLength()
    {
        QCOMPARE(zoneDataReply(sequence()).size(), CompleteLength);
        QVERIFY(looksComplete(zoneDataReply(sequence())));
    }

    void completeness_data()
    {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<bool>("complete");
        const QString full = zoneDataReply(sequence());
        QTest::newRow("516 characters with the last line") << full << true;
        QTest::newRow("515 characters with the last line") << full.right(515) << false;
        QTest::newRow("longer, with text in front") << QStringLiteral("  ") + full << true;
        QTest::newRow("full length without zone 8 errors")
            << QString(full).replace(QStringLiteral("8:RX ERROR"), QStringLiteral("8:RX_ERROR")) << false;
        QTest::newRow("last line in lower case") << full.toLower() << false;
    }

    void completeness()
    {
        QFETCH(QString, buffer);
        QFETCH(bool, complete);
        QCOMPARE(looksComplete(buffer), complete);
    }

    void countsOfEveryZone_data()
    {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<Values>("expected");
        QTest::addColumn<bool>("complete");
        const Values all = sequence();
        QTest::newRow("blank separator") << zoneDataReply(all) << all << true;
        QTest::newRow("colon separator") << zoneDataReply(all, QLatin1Char(':')) << all << true;
        QString leftAligned = zoneDataReply(all);
        leftAligned.replace(QStringLiteral("    2007"), QStringLiteral("2007    "));
        QTest::newRow("count with blanks behind it") << leftAligned << all << true;

        Values cut = all.mid(0, 13);
        while (cut.size() < 24)
            cut << -1;
        const QString full = zoneDataReply(all);
        QTest::newRow("reply cut inside zone 5 RX TOTAL")
            << full.left(full.indexOf(QStringLiteral("5:RX TOTAL")) + 14) << cut << false;

        QString garbled = full;
        garbled.replace(QStringLiteral("   13007"), QStringLiteral("   13O07"));
        Values upToGarbled = all.mid(0, 13);
        while (upToGarbled.size() < 24)
            upToGarbled << -1;
        QTest::newRow("count that is not a number stops the read") << garbled << upToGarbled << false;

        QString noZone3 = full;
        noZone3.replace(QStringLiteral("3:"), QStringLiteral("3;"));
        Values twoZones = all.mid(0, 6);
        while (twoZones.size() < 24)
            twoZones << -1;
        QTest::newRow("missing zone 3 stops before it") << noZone3 << twoZones << false;
    }

    void countsOfEveryZone()
    {
        QFETCH(QString, buffer);
        QFETCH(Values, expected);
        QFETCH(bool, complete);
        const Counts counts = readCounts(buffer, {TxTotal, RxTotal, RxError});
        QCOMPARE(readAll(counts), expected);
        QCOMPARE(counts.complete, complete);
    }

    void receiveFieldsOnly()
    {
        const Counts counts = readCounts(zoneDataReply(sequence()), {RxTotal, RxError});
        QVERIFY(counts.complete);
        QVERIFY(!counts.value[0][TxTotal]);
        QCOMPARE(*counts.value[7][RxTotal], 22007);
        QCOMPARE(*counts.value[7][RxError], 23007);
    }

    void skippedZones_data()
    {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QList<int>>("zones");
        QTest::newRow("two zones behind the echo") << "skip\r\nSKIP 2,7\r\n>" << true << QList<int>{2, 7};
        QTest::newRow("none skipped") << " skip\r\nSKIP NONE\r\n>" << true << QList<int>{};
        QTest::newRow("two digits mark the first only") << "skip\r\nSKIP 12\r\n>" << true << QList<int>{1};
        QTest::newRow("a blank after a comma marks nothing") << "skip\r\nSKIP 2, 7\r\n>" << true << QList<int>{2};
        QTest::newRow("zones 0 and 9 do not exist") << "skip\r\nSKIP 0,9,3\r\n>" << true << QList<int>{3};
        QTest::newRow("SKIP only in the first four characters") << "SKIP 3\r\n>" << false << QList<int>{};
        QTest::newRow("lower-case echo alone") << "  skip\r\n" << false << QList<int>{};
    }

    void skippedZones()
    {
        QFETCH(QString, buffer);
        QFETCH(bool, found);
        QFETCH(QList<int>, zones);
        const SkipReply reply = readSkip(buffer);
        QCOMPARE(reply.found, found);
        QCOMPARE(reply.zones, zones);
    }
};

QTEST_APPLESS_MAIN(TestZoneData)
#include "tst_zonedata.moc"
