// The creator's whole-number reading and each edit's input rule, without widgets.

#include <QTest>

#include "creator/pages/ConversionError.h"
#include "creator/pages/InputRules.h"

using namespace varnok;

class TestCreatorRules : public QObject {
    Q_OBJECT
private slots:
    void parseWholeNumber_data();
    void parseWholeNumber();
    void conversionMessage();
    void rules_data();
    void rules();
};

void TestCreatorRules::parseWholeNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("value");
    QTest::newRow("zero") << "0" << true << qint64(0);
    QTest::newRow("leading blanks") << "   12" << true << qint64(12);
    QTest::newRow("leading tab") << "\t7" << true << qint64(7);
    QTest::newRow("plus") << "+5" << true << qint64(5);
    QTest::newRow("minus") << "-1" << true << qint64(-1);
    QTest::newRow("blank then sign") << "  -40" << true << qint64(-40);
    QTest::newRow("leading zeros") << "007" << true << qint64(7);
    QTest::newRow("int64 max") << "9223372036854775807" << true << qint64(9223372036854775807LL);
    QTest::newRow("int64 min") << "-9223372036854775808" << true
                               << std::numeric_limits<qint64>::min();
    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("blanks only") << "   " << false << qint64(0);
    QTest::newRow("lone minus") << "-" << false << qint64(0);
    QTest::newRow("lone plus") << "+" << false << qint64(0);
    QTest::newRow("trailing blank") << "12 " << false << qint64(0);
    QTest::newRow("sign then blank") << "- 1" << false << qint64(0);
    QTest::newRow("letters") << "abcd" << false << qint64(0);
    QTest::newRow("digit then letter") << "1a" << false << qint64(0);
    QTest::newRow("decimal point") << "1.5" << false << qint64(0);
    QTest::newRow("hex prefix") << "0x10" << false << qint64(0);
    QTest::newRow("fullwidth digits") << QStringLiteral("\uFF11\uFF12") << false << qint64(0);
    QTest::newRow("above int64") << "9223372036854775808" << false << qint64(0);
    QTest::newRow("below int64") << "-9223372036854775809" << false << qint64(0);
}

void TestCreatorRules::parseWholeNumber() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(qint64, value);
    if (valid) {
        QCOMPARE(ParseWholeNumber(text), value);
    } else {
        try {
            ParseWholeNumber(text);
            QFAIL("no conversion error");
        } catch (const ConversionError& e) {
            QCOMPARE(e.text(), text);
        }
    }
}

void TestCreatorRules::conversionMessage() {
    try {
        ParseWholeNumber(QStringLiteral("1G00"));
        QFAIL("no conversion error");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromUtf8(e.what()),
                 QStringLiteral("'1G00' is not a valid integer value"));
    }
    QCOMPARE(ConversionError(QString()).message(),
             QStringLiteral("'' is not a valid integer value"));
}

// Column "outcome": "ok" within the limit, "-" the rule does not run, "over" over the limit
// (with message), "error" a conversion error naming errorText.
void TestCreatorRules::rules_data() {
    QTest::addColumn<int>("rule");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("detail");  // the message, or the text named by the error
    auto row = [](const char* name, InputRule r, const QString& text, const char* outcome,
                  const QString& detail = QString()) {
        QTest::newRow(name) << int(r) << text << QString::fromLatin1(outcome) << detail;
    };
    using R = InputRule;
    const QString letters3 = QStringLiteral("3 Letters Limited!");
    row("manufacturer empty", R::ManufacturerName, "", "ok");
    row("manufacturer 3", R::ManufacturerName, "ABC", "ok");
    row("manufacturer 4", R::ManufacturerName, "ABCD", "over", letters3);
    row("manufacturer Error.", R::ManufacturerName, "Error.", "over", letters3);
    row("monitor 13", R::MonitorName, "BrandNewEdid1", "ok");
    row("monitor 14", R::MonitorName, "BrandNewEdid12", "over", "13 Letters Limited!");
    row("product empty", R::ProductCode, "", "-");
    row("product 65535", R::ProductCode, "65535", "ok");
    row("product 65536", R::ProductCode, "65536", "over", "65535 Limited!");
    row("product -1", R::ProductCode, "-1", "ok");
    row("product blanks 65536", R::ProductCode, "  65536", "over", "65535 Limited!");
    row("product huge", R::ProductCode, "99999999999", "over", "65535 Limited!");
    row("product letters", R::ProductCode, "abc", "error", "abc");
    row("product lone minus", R::ProductCode, "-", "error", "-");
    const QString billion = QStringLiteral("4 Billion Limited!");
    row("serial empty", R::SerialNumber, "", "-");
    row("serial 4294959999", R::SerialNumber, "4294959999", "ok");
    row("serial 4294960000", R::SerialNumber, "4294960000", "over", billion);
    row("serial 4294967295", R::SerialNumber, "4294967295", "over", billion);
    row("serial 999999999", R::SerialNumber, "999999999", "ok");
    row("serial 1234567890", R::SerialNumber, "1234567890", "ok");
    row("serial 11 zeros", R::SerialNumber, "00000000000", "over", billion);
    row("serial 11 digits", R::SerialNumber, "12345678901", "over", billion);
    row("serial 3000000000", R::SerialNumber, "3000000000", "ok");
    row("serial letters in first six", R::SerialNumber, "12ab5678", "error", "12ab56");
    row("serial letters after six", R::SerialNumber, "123456ab", "ok");
    const QString years = QStringLiteral("1990~2245 Limited!");
    row("year 3 digits", R::ManufactureYear, "199", "-");
    row("year letters 3", R::ManufactureYear, "abc", "-");
    row("year 1989", R::ManufactureYear, "1989", "over", years);
    row("year 1990", R::ManufactureYear, "1990", "ok");
    row("year 2245", R::ManufactureYear, "2245", "ok");
    row("year 2246", R::ManufactureYear, "2246", "over", years);
    row("year blank 199", R::ManufactureYear, " 199", "over", years);
    row("year letters 4", R::ManufactureYear, "abcd", "error", "abcd");
    row("week empty", R::ManufactureWeek, "", "-");
    row("week 53", R::ManufactureWeek, "53", "ok");
    row("week 54", R::ManufactureWeek, "54", "over", "53 Limited!");
    row("week -5", R::ManufactureWeek, "-5", "ok");
    const QString maxCh = QStringLiteral("8 MaxCH Limited!");
    row("maxch 0", R::MaxChannels, "0", "ok");
    row("maxch 8", R::MaxChannels, "8", "ok");
    row("maxch 9", R::MaxChannels, "9", "over", maxCh);
    row("maxch 10", R::MaxChannels, "10", "over", maxCh);
    row("maxch 1a", R::MaxChannels, "1a", "over", maxCh);
    row("maxch empty", R::MaxChannels, "", "error", "");
    row("maxch letter", R::MaxChannels, "a", "error", "a");
    row("maxch minus", R::MaxChannels, "-2", "error", "-");
    const QString lum = QStringLiteral("255 Limited!");
    row("luminance 255", R::Luminance, "  255", "ok");
    row("luminance 256", R::Luminance, "  256", "over", lum);
    row("luminance trailing blank", R::Luminance, " 255 ", "ok");
    row("luminance initial", R::Luminance, "    0", "ok");
    row("luminance empty", R::Luminance, "", "error", "");
    row("luminance blanks", R::Luminance, "   ", "error", "");
    row("luminance negative", R::Luminance, "-1", "ok");
    row("bit rate has no rule", R::None, "abc", "-");
    row("cec judges nothing itself", R::CecAddress, "ABCDE", "-");
}

void TestCreatorRules::rules() {
    QFETCH(int, rule);
    QFETCH(QString, text);
    QFETCH(QString, outcome);
    QFETCH(QString, detail);
    if (outcome == QLatin1String("error")) {
        try {
            CheckInputRule(InputRule(rule), text);
            QFAIL("no conversion error");
        } catch (const ConversionError& e) {
            QCOMPARE(e.text(), detail);
        }
        return;
    }
    const RuleVerdict v = CheckInputRule(InputRule(rule), text);
    QCOMPARE(v.ran, outcome != QLatin1String("-"));
    QCOMPARE(v.overLimit, outcome == QLatin1String("over"));
    QCOMPARE(v.message, detail);
}

QTEST_GUILESS_MAIN(TestCreatorRules)
#include "test_creator_rules.moc"
