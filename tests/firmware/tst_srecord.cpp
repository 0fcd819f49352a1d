// Firmware files: the header checks, the version questions, and the check of every record that
// keeps a damaged file away from a radio whose firmware is about to be erased. The .s28 files
// beside this test come from make_s28.py.
#include "firmware/SRecord.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

namespace {
QByteArray fixture(const QString &name)
{
    QFile f(QFINDTESTDATA(QStringLiteral("data/") + name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// "A:new", "B:current": what each letter question is about, in the order asked.
QStringList describe(const QList<SRecord::LetterQuestion> &questions)
{
    QStringList out;
    for (const auto &q : questions)
        out << QString(q.letter) + (q.inCurrent ? QStringLiteral(":current") : QStringLiteral(":new"));
    return out;
}
} // namespace

class TestSRecord : public QObject
{
    Q_OBJECT
private slots:
    void headerChecks_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("typeOk");
        QTest::addColumn<bool>("partOk");
        QTest::addColumn<QString>("version");   // "-": no version can be decoded

        QTest::newRow("valid file") << fixture("valid.s28") << true << true << "3.3.0";
        QTest::newRow("s0 and lower-case hex pass") << fixture("lowercase.s28") << true << true << "3.3.0";
        QTest::newRow("wrong part number fails only the part check") << fixture("wrong_part.s28") << true << false
                                                                     << "3.3.0";
        QTest::newRow("letter in the version decodes as a letter") << fixture("letter.s28") << true << true << "1.2.A";
        QTest::newRow("a count record first is no header") << QByteArray("S5030003F9") << false << false << "-";
        QTest::newRow("version field not hexadecimal gives no version")
            << QByteArray("S013000031372D3238353141303120332E3G2E30D3") << true << true << "-";
        QTest::newRow("file ending inside the version field") << QByteArray("S013000031372D3238353141303120332E")
                                                              << true << true << "-";
    }

    void headerChecks()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, typeOk);
        QFETCH(bool, partOk);
        QFETCH(QString, version);
        QVERIFY(!file.isEmpty());
        const QByteArrayView head = QByteArrayView(file).first(qMin<qsizetype>(60, file.size()));
        QCOMPARE(SRecord::hasHeaderType(head), typeOk);
        QCOMPARE(SRecord::hasPartNumber(head), partOk);
        const std::optional<QString> decoded = SRecord::versionOf(head);
        QCOMPARE(decoded.value_or(QStringLiteral("-")), version);
    }

    void versionComparison_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("incoming");
        QTest::addColumn<bool>("older");
        QTest::addColumn<bool>("same");

        QTest::newRow("1.2.0 against 1.3.0 is older") << "1.3.0" << "1.2.0" << true << false;
        QTest::newRow("1.2.0 against 1.2.0 is the same") << "1.2.0" << "1.2.0" << false << true;
        QTest::newRow("1.2.0 against 2.0.0 is older by its major") << "2.0.0" << "1.2.0" << true << false;
        QTest::newRow("2.0.0 against 1.2.0 is newer") << "1.2.0" << "2.0.0" << false << false;
        QTest::newRow("1.2.0 against 1.2.1 is older by its patch") << "1.2.1" << "1.2.0" << true << false;
        QTest::newRow("a newer minor wins over a lower patch") << "1.2.5" << "1.3.0" << false << false;
        QTest::newRow("a newer major wins over a lower minor") << "1.9.9" << "2.0.0" << false << false;
        QTest::newRow("letters compare without regard to case") << "1.2.a" << "1.2.A" << false << true;
        QTest::newRow("no current version is neither older nor the same") << "" << "1.2.0" << false << false;
    }

    void versionComparison()
    {
        QFETCH(QString, current);
        QFETCH(QString, incoming);
        QFETCH(bool, older);
        QFETCH(bool, same);
        QCOMPARE(SRecord::isOlder(current, incoming), older);
        QCOMPARE(SRecord::isSame(current, incoming), same);
    }

    void letterQuestions_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("incoming");
        QTest::addColumn<QStringList>("asked");

        QTest::newRow("1.2.A asks the install question once") << "1.1.0" << "1.2.A" << QStringList{"A:new"};
        QTest::newRow("a letter of the current version is asked about it only")
            << "3.B.0" << "3.B.1" << QStringList{"B:current"};
        QTest::newRow("letters are asked A to Z") << "Z.0.0" << "1.C.0" << QStringList{"C:new", "Z:current"};
        QTest::newRow("lower-case letters count") << "1.0.0" << "1.0.b" << QStringList{"B:new"};
        QTest::newRow("digits only ask nothing") << "3.2.0" << "3.3.0" << QStringList{};
        QTest::newRow("no current version asks only about the new one") << "" << "X.0.0" << QStringList{"X:new"};
    }

    void letterQuestions()
    {
        QFETCH(QString, current);
        QFETCH(QString, incoming);
        QFETCH(QStringList, asked);
        QCOMPARE(describe(SRecord::letterQuestions(current, incoming)), asked);
    }

    void records_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("fault");   // empty: a good record

        QTest::newRow("S1 data record") << QByteArray("S1130000285F245F2212226A000424290008237C2A") << "";
        QTest::newRow("S2 data record") << QByteArray("S21401000000070E151C232A31383F464D545B6269A2") << "";
        QTest::newRow("S3 data record") << QByteArray("S30D") + QByteArray(24, '0') + "F2" << "";
        QTest::newRow("S5 count record") << QByteArray("S5030003F9") << "";
        QTest::newRow("S6 count record") << QByteArray("S604000003F8") << "";
        QTest::newRow("S8 end record") << QByteArray("S804010000FA") << "";
        QTest::newRow("S9 end record") << QByteArray("S9030000FC") << "";
        QTest::newRow("lower-case hex digits") << QByteArray("S21401000000070e151c232a31383f464d545b6269a2") << "";
        QTest::newRow("a lower-case s") << QByteArray("s21401000000070e151c232a31383f464d545b6269a2")
                                        << "it begins with a lower-case \"s\"";
        QTest::newRow("S5 count record with data") << QByteArray("S5050003AABB92") << "a count record carries no data";
        QTest::newRow("S6 count record with data") << QByteArray("S605000003AA4D") << "a count record carries no data";
        QTest::newRow("checksum off by one") << QByteArray("S21401000000070E151C232A31383F464D545B6269A3")
                                             << "its checksum is wrong";
        QTest::newRow("S4 is no record type") << QByteArray("S5030003F9").replace(1, 1, "4")
                                              << "its record type is not one of S0-S3 or S5-S9";
        QTest::newRow("byte count longer than the line") << QByteArray("S2150100000007")
                                                         << "its length does not match its byte count";
        QTest::newRow("odd number of digits") << QByteArray("S21401000000070E151C232A31383F464D545B6269A")
                                              << "its length does not match its byte count";
        QTest::newRow("a blank inside") << QByteArray("S2140100000 070E151C232A31383F464D545B6269A2")
                                        << "it holds characters that are not hexadecimal digits";
        QTest::newRow("S3 with a 3-byte address") << QByteArray("S304010000FA") << "it is too short for its record type";
        QTest::newRow("not a record") << QByteArray("CLOS") << "it does not begin with \"S\"";
        QTest::newRow("empty line") << QByteArray() << "the line is empty";
    }

    void records()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, fault);
        QCOMPARE(SRecord::recordFault(line).value_or(QString()), fault);
    }

    void wholeFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");         // 0: the file is good
        QTest::addColumn<QString>("reason");

        const QByteArray valid = fixture("valid.s28");
        QByteArray lfOnly = valid;
        lfOnly.replace("\r\n", "\n");
        QByteArray crOnly = valid;
        crOnly.replace("\r\n", "\r");
        const QList<QByteArray> lines = valid.split('\n');   // 42 records and the empty rest
        QByteArray cutAtLineEnd;
        for (int i = 0; i < 20; ++i)
            cutAtLineEnd += lines[i] + '\n';

        QTest::newRow("valid file") << valid << 0 << "";
        QByteArray lowerHex = fixture("lowercase.s28");
        for (qsizetype at = lowerHex.indexOf('s'); at >= 0; at = lowerHex.indexOf('s', at + 1))
            lowerHex[at] = 'S';
        QTest::newRow("lower-case hex digits") << lowerHex << 0 << "";
        QTest::newRow("wrong part number is still a good file") << fixture("wrong_part.s28") << 0 << "";
        QTest::newRow("LF line ends") << lfOnly << 0 << "";
        QTest::newRow("CR line ends") << crOnly << 0 << "";
        QTest::newRow("last line without a line end") << valid.chopped(2) << 0 << "";
        QTest::newRow("bad checksum names its line") << fixture("bad_checksum.s28") << 7 << "its checksum is wrong";
        QTest::newRow("cut in the middle of a line") << valid.left(valid.indexOf("\r\n", 500) - 6) << 11
                                                     << "its length does not match its byte count";
        QTest::newRow("cut at a line end lacks the end record")
            << cutAtLineEnd << 20 << "the file ends here without an end record (S7, S8 or S9)";
        QTest::newRow("a record after the end record") << valid + lines[1] + '\n' << 43 << "it follows the end record";
        // What editors and old tools leave in good files: accepted, the file itself is sent unchanged.
        QByteArray crCrLf = valid;
        crCrLf.replace("\r\n", "\r\r\n");
        QByteArray trailingBlank = valid;
        trailingBlank.replace(lines[5] + '\n', lines[5].chopped(1) + " \r\n");
        QTest::newRow("an empty line after the end record") << valid + "\r\n" << 0 << "";
        QTest::newRow("CR CR LF line ends") << crCrLf << 0 << "";
        QTest::newRow("an empty line between records") << QByteArray(valid).insert(valid.indexOf('\n') + 1, "\r\n")
                                                       << 0 << "";
        QTest::newRow("^Z after the end record") << valid + '\x1a' << 0 << "";
        QTest::newRow("^Z right behind the end record") << valid.chopped(2) + '\x1a' << 0 << "";
        QTest::newRow("white space and ^Z after the end record") << valid + "  \r\n\t\r\n\x1a\x1a" << 0 << "";
        // Damage is still refused, empty lines or not.
        QTest::newRow("an empty line, then a bad checksum")
            << QByteArray(fixture("bad_checksum.s28")).insert(0, "\r\n") << 8 << "its checksum is wrong";
        QTest::newRow("bad record type") << QByteArray(valid).replace(lines[3], "S4" + lines[3].mid(2)) << 4
                                         << "its record type is not one of S0-S3 or S5-S9";
        QTest::newRow("bad length") << QByteArray(valid).replace(lines[3], lines[3].left(2) + "FF" + lines[3].mid(4))
                                    << 4 << "its length does not match its byte count";
        QTest::newRow("a non-hex digit") << QByteArray(valid).replace(lines[3], lines[3].left(10) + "G" + lines[3].mid(11))
                                         << 4 << "it holds characters that are not hexadecimal digits";
        // What a loader that reads a record to its line end refuses, after the radio was erased.
        const QString blanks = QStringLiteral("it has white space before or after the record");
        QTest::newRow("a leading blank on a record") << QByteArray(valid).replace(lines[3], " " + lines[3]) << 4
                                                     << blanks;
        QTest::newRow("a trailing blank on a record") << trailingBlank << 6 << blanks;
        QTest::newRow("trailing tabs on the end record") << valid.chopped(2) + "\t\t\r\n" << 42 << blanks;
        QTest::newRow("a line of blanks between records")
            << QByteArray(valid).insert(valid.indexOf('\n') + 1, " \t \r\n") << 2 << "it holds only white space";
        QTest::newRow("s records") << fixture("lowercase.s28") << 1 << "it begins with a lower-case \"s\"";
        QTest::newRow("one lower-case record") << QByteArray(valid).replace(lines[3], "s" + lines[3].mid(1)) << 4
                                               << "it begins with a lower-case \"s\"";
        QTest::newRow("a count record with data") << QByteArray(valid).replace(lines[3], "S5050003AABB92\r") << 4
                                                  << "a count record carries no data";
        QTest::newRow("a header and an end record only") << lines[0] + '\n' + lines[41] + '\n' << 2
                                                         << "the file holds no data record (S1, S2 or S3)";
        QTest::newRow("a count record is no data") << lines[0] + "\nS5030000FC\r\n" + lines[41] + '\n' << 3
                                                   << "the file holds no data record (S1, S2 or S3)";
        QTest::newRow("^Z before the end record") << cutAtLineEnd + '\x1a' << 21 << "it does not begin with \"S\"";
        QTest::newRow("empty lines only after a cut") << cutAtLineEnd + "\r\n\r\n"
                                                      << 20 << "the file ends here without an end record (S7, S8 or S9)";
        QTest::newRow("a record after the end record and an empty line")
            << valid + "\r\n" + lines[1] + '\n' << 44 << "it follows the end record";
        QTest::newRow("text after ^Z") << valid + "\x1aS9030000FC" << 43 << "it follows the end record";
        QTest::newRow("only empty lines") << QByteArray("\r\n\r\n") << 1 << "the file holds no records";
        QTest::newRow("empty file") << QByteArray() << 1 << "the file holds no records";
        QTest::newRow("not S-records at all") << QByteArray("hello\r\nworld\r\n") << 1 << "it does not begin with \"S\"";
    }

    void wholeFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        QFETCH(QString, reason);
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const std::optional<SRecord::Fault> fault = SRecord::findFault(buffer);
        QCOMPARE(fault ? fault->line : 0, line);
        QCOMPARE(fault ? fault->reason : QString(), reason);
    }
};

QTEST_MAIN(TestSRecord)
#include "tst_srecord.moc"
