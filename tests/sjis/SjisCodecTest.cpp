// The Shift_JIS converter: round trips, the mapping of look-alike characters,
// refusal of what code page 932 cannot hold, byte counting, and which bytes
// are Shift_JIS at all.
#include <QRandomGenerator>
#include <QTest>

#include "SjisCodec.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) {
        bytes.push_back(static_cast<char>(v));
    }
    return bytes;
}

}  // namespace

class SjisCodecTest : public QObject {
    Q_OBJECT

  private slots:
    void converterIsAvailable() { QVERIFY(SjisCodecAvailable()); }

    void textsSurviveTheRoundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QStringLiteral("Meeting at 10:00 (room #3) \\ ~");
        QTest::newRow("kanji and kana") << QStringLiteral("会議の準備・資料作成（第２回）");
        QTest::newRow("half-width kana") << QStringLiteral("ｶﾞｲﾀﾞﾝｽ ｱｲｳ");
        QTest::newRow("symbols") << QStringLiteral("①②③ ㈱ №～－∥―￠￡￢");
        QTest::newRow("empty") << QString();
    }
    void textsSurviveTheRoundTrip() {
        QFETCH(QString, text);
        const std::optional<std::string> bytes = SjisFromQString(text);
        QVERIFY(bytes.has_value());
        QCOMPARE(SjisToQString(*bytes), text);
        QCOMPARE(SjisLength(text), bytes->size());
    }

    void lookAlikesBecomeTheirCp932Forms_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("wave dash") << QString(QChar(0x301C)) << QByteArray("\x81\x60");
        QTest::newRow("minus") << QString(QChar(0x2212)) << QByteArray("\x81\x7C");
        QTest::newRow("double vertical line") << QString(QChar(0x2016)) << QByteArray("\x81\x61");
        QTest::newRow("em dash") << QString(QChar(0x2014)) << QByteArray("\x81\x5C");
        QTest::newRow("cent") << QString(QChar(0x00A2)) << QByteArray("\x81\x91");
        QTest::newRow("pound") << QString(QChar(0x00A3)) << QByteArray("\x81\x92");
        QTest::newRow("not") << QString(QChar(0x00AC)) << QByteArray("\x81\xCA");
    }
    void lookAlikesBecomeTheirCp932Forms() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const std::optional<std::string> encoded = SjisFromQString(QStringLiteral("a") + text);
        QVERIFY(encoded.has_value());
        QCOMPARE(QByteArray::fromStdString(*encoded), QByteArray("a") + bytes);
        QVERIFY(!FirstUnencodable(text).has_value());
    }

    void unencodableTextFailsInsteadOfBecomingQuestionMarks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("culprit");
        QTest::newRow("hangul") << QStringLiteral("予定한") << QStringLiteral("한");
        QTest::newRow("emoji") << QStringLiteral("a😀b") << QStringLiteral("😀");
        QTest::newRow("umlaut") << QStringLiteral("Müller") << QStringLiteral("ü");
        QTest::newRow("yen sign") << QStringLiteral("¥100") << QStringLiteral("¥");
    }
    void unencodableTextFailsInsteadOfBecomingQuestionMarks() {
        QFETCH(QString, text);
        QFETCH(QString, culprit);
        QVERIFY(!SjisFromQString(text).has_value());
        QCOMPARE(FirstUnencodable(text).value_or(QString()), culprit);
    }

    void halfWidthKanaAreSingleBytes() {
        const std::optional<std::string> bytes = SjisFromQString(QStringLiteral("ｱｲｳﾞ"));
        QCOMPARE(bytes.value_or(""), Bytes({0xB1, 0xB2, 0xB3, 0xDE}));
        QCOMPARE(SjisLength(QStringLiteral("ｱｲｳﾞ")), std::size_t{4});
        QCOMPARE(SjisLength(QStringLiteral("アa")), std::size_t{3});
    }

    // The NEC-selected duplicate comes back as the IBM code: decoding is
    // right, re-encoding is not byte-exact, which is why rows keep bytes.
    void necDuplicateReencodesToTheIbmCode() {
        const QString text = SjisToQString(Bytes({0xED, 0x40}));
        QCOMPARE(text, QString(QChar(0x7E8A)));
        QCOMPARE(SjisFromQString(text).value_or(""), Bytes({0xFA, 0x5C}));
    }

    // Random valid double-byte and single-byte characters: encoding what
    // decoding gave yields bytes that decode to the same text, and the
    // counted length is the encoded length.
    void randomTextsCountAndRoundTrip() {
        QRandomGenerator random(20240607);
        for (int round = 0; round < 200; ++round) {
            std::string bytes;
            for (int i = 0; i < 20; ++i) {
                switch (random.bounded(3)) {
                    case 0:
                        bytes.push_back(static_cast<char>(0x20 + random.bounded(0x5F)));
                        break;
                    case 1:
                        bytes.push_back(static_cast<char>(0xA1 + random.bounded(0x3F)));
                        break;
                    default:
                        bytes.push_back(static_cast<char>(0x88 + random.bounded(0x10)));
                        bytes.push_back(static_cast<char>(0x40 + random.bounded(0x3F)));
                }
            }
            const QString text = SjisToQString(bytes);
            if (text.contains(QChar(0xFFFD))) {
                continue;  // an unassigned code; nothing to round-trip
            }
            const std::optional<std::string> again = SjisFromQString(text);
            QVERIFY(again.has_value());
            QCOMPARE(SjisToQString(*again), text);
            QCOMPARE(SjisLength(text), again->size());
        }
    }

    void validBytesAreThoseTheCodecGivesBack_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ascii and controls") << QByteArray("a\tb\r\n") << true;
        QTest::newRow("kanji, trail 0x5C") << QByteArray("\x95\x5C") << true;
        QTest::newRow("half-width kana") << QByteArray("\xB1\xB2") << true;
        QTest::newRow("NEC special") << QByteArray("\x87\x40") << true;
        QTest::newRow("IBM kanji") << QByteArray("\xFA\x5C") << true;
        QTest::newRow("user-defined") << QByteArray("\xF0\x40") << true;
        QTest::newRow("lone lead byte") << QByteArray("a\x81") << false;
        QTest::newRow("trail 0x7F") << QByteArray("\x81\x7F") << false;
        QTest::newRow("no such byte") << QByteArray("\xFF") << false;
        QTest::newRow("unassigned pair") << QByteArray("\x85\x40") << false;
        QTest::newRow("NEC's copy of an IBM kanji") << QByteArray("\xED\x40") << false;
    }
    // Valid bytes are exactly those a text stored through the codec can be.
    void validBytesAreThoseTheCodecGivesBack() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(IsValidSjis(bytes.toStdString()), valid);
        const std::optional<std::string> again =
            SjisFromQString(SjisToQString(bytes.toStdString()));
        QCOMPARE(again == bytes.toStdString(), valid);
    }
    void randomBytesAreValidOnlyWhenTheyComeBack() {
        QRandomGenerator random(20250101);
        int valid = 0;
        for (int round = 0; round < 2000; ++round) {
            std::string bytes;
            for (int i = 0, length = random.bounded(1, 6); i < length; ++i) {
                bytes.push_back(static_cast<char>(random.bounded(0x100)));
            }
            const std::optional<std::string> again = SjisFromQString(SjisToQString(bytes));
            QCOMPARE(IsValidSjis(bytes), again == bytes);
            valid += IsValidSjis(bytes) ? 1 : 0;
        }
        QVERIFY(valid > 100);  // both answers were put to the test
    }

    // A text cut after a lead byte neither fails nor reaches into the next one.
    void aLoneLeadByteStaysInItsText() {
        const QString cut = SjisToQString(Bytes({'a', 0x81}));
        QVERIFY(cut.startsWith(QStringLiteral("a")) && cut.size() <= 2);
        QCOMPARE(SjisToQString(Bytes({0x40, 'b'})), QStringLiteral("@b"));
        QCOMPARE(SjisToQString(Bytes({'x', 0xFF, 'y'})).front(), QChar('x'));
    }
};

QTEST_GUILESS_MAIN(SjisCodecTest)
#include "SjisCodecTest.moc"
