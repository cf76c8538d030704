#include "core/download/header.h"

#include "tests/support/test_home.h"

#include <QBuffer>
#include <QTest>

class TstHeader : public QObject
{
    Q_OBJECT
private slots:
    void headerCodes_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<bool>("board");
        QTest::addColumn<int>("check");
        QTest::addColumn<QByteArray>("code");
        QTest::newRow("firmware to the board with checksum") << 0 << true << 1 << QByteArray("3");
        QTest::newRow("firmware to the board without checksum") << 0 << true << 0 << QByteArray("4");
        QTest::newRow("firmware, greyed check box counts as unchecked") << 0 << true << 2 << QByteArray("4");
        QTest::newRow("firmware to the RAM card ignores the check box") << 0 << false << 1 << QByteArray("2");
        QTest::newRow("standard fonts to the board with checksum") << 1 << true << 1 << QByteArray("8");
        QTest::newRow("standard fonts to the board without checksum") << 1 << true << 0 << QByteArray("1");
        QTest::newRow("standard fonts to the RAM card ignores the check box") << 1 << false << 1 << QByteArray("0");
        QTest::newRow("external fonts build no header here") << 2 << true << 1 << QByteArray();
    }
    void headerCodes()
    {
        QFETCH(int, operation);
        QFETCH(bool, board);
        QFETCH(int, check);
        QFETCH(QByteArray, code);
        const char c = headerCode(operation, board, check);
        QCOMPARE(c ? QByteArray(1, c) : QByteArray(), code);
        QCOMPARE(headerCarriesChecksum(c), c == '3' || c == '8');
    }

    void headerTexts_data()
    {
        QTest::addColumn<char>("code");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<int>("checksum");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("firmware 1000 bytes, checksum 90") << '3' << qint64(1000) << 90 << QByteArray("?Z3&1000,90\n");
        QTest::newRow("checksum 0 is one digit") << '8' << qint64(7) << 0 << QByteArray("?Z8&7,0\n");
        QTest::newRow("RAM card fonts, no checksum") << '0' << qint64(524288) << -1 << QByteArray("?Z0&524288\n");
        QTest::newRow("first part of external fonts") << ':' << qint64(1376256) << -1 << QByteArray("?Z:&1376256\n");
        QTest::newRow("second part of external fonts") << ';' << qint64(1) << -1 << QByteArray("?Z;&1\n");
    }
    void headerTexts()
    {
        QFETCH(char, code);
        QFETCH(qint64, length);
        QFETCH(int, checksum);
        QFETCH(QByteArray, text);
        QCOMPARE(headerText(code, length, checksum < 0 ? std::nullopt : std::optional<int>(checksum)), text);
    }

    void checksum_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected");
        QTest::newRow("single byte 41 hex") << QByteArray("A") << 65;
        QTest::newRow("bytes that cancel out") << QByteArray("\x5a\x5a\x13\x13", 4) << 0;
        QTest::newRow("eight-byte words fold into one byte")
            << QByteArray("\x01\x02\x04\x08\x10\x20\x40\x80\x01", 9) << 0xFE;
        QByteArray big = patternBytes(200003, 7);
        int x = 0;
        for (char c : big)
            x ^= static_cast<unsigned char>(c);
        QTest::newRow("200003 random bytes match the byte-by-byte XOR") << big << x;
    }
    void checksum()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, expected);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        buffer.seek(bytes.size() / 2); // wherever it was, the pass starts at the first byte
        QCOMPARE(FileChecksum(buffer, bytes.size()), std::optional<int>(expected));
        QCOMPARE(buffer.pos(), qint64(0));
        QCOMPARE(buffer.read(1), bytes.left(1));
    }

    void checksumOfAShortFileIsNoResult()
    {
        QByteArray bytes("abc");
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(FileChecksum(buffer, 4), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TstHeader)
#include "tst_header.moc"
