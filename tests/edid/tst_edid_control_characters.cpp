// Names from an EDID on their way to a terminal: every control character shown as \xHH in text
// output, escaped as JSON escapes in JSON output, and both still say what the name held.

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "edid/ControlCharacters.h"

using namespace varnok;

class TestEdidControlCharacters : public QObject {
    Q_OBJECT

private slots:
    void shown_data();
    void shown();
};

void TestEdidControlCharacters::shown_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain, a backslash kept") << "DELL U2720Q \\x"
                                             << "DELL U2720Q \\x";
    QTest::newRow("a screen clear") << "\x1b[2J"
                                    << "\\x1b[2J";
    QTest::newRow("tab, line feed, carriage return, NUL")
        << QString::fromLatin1("a\tb\nc\r\0", 7) << "a\\x09b\\x0ac\\x0d\\x00";
    QTest::newRow("DEL and C1's CSI") << QString::fromUtf16(u"x\u007f\u009b2J") << "x\\x7f\\x9b2J";
    QTest::newRow("printable beyond ASCII")
        << QString::fromUtf16(u"Écran \u00a0\u6f22") << QString::fromUtf16(u"Écran \u00a0\u6f22");
}

void TestEdidControlCharacters::shown() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QCOMPARE(ShowControlCharacters(name), text);

    const QByteArray json = EscapeJsonControlCharacters(
        QJsonDocument(QJsonObject{{"name", name}}).toJson(QJsonDocument::Compact));
    for (QChar c : QString::fromUtf8(json)) {
        QVERIFY2(c.unicode() >= 0x20 && !(c.unicode() >= 0x7F && c.unicode() < 0xA0), json);
    }
    QCOMPARE(QJsonDocument::fromJson(json).object().value("name").toString(), name);
}

QTEST_GUILESS_MAIN(TestEdidControlCharacters)
#include "tst_edid_control_characters.moc"
