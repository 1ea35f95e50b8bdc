#include "system/errors.h"
#include "system/numtext.h"

#include <QTest>

using namespace platform;

class NumTextTest : public QObject {
    Q_OBJECT
private slots:
    void numeric_data();
    void numeric();
    void value_data();
    void value();
    void formatted_data();
    void formatted();
    void asText_data();
    void asText();
    void int16_data();
    void int16();
    void int16Overflow_data();
    void int16Overflow();
};

void NumTextTest::numeric_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("digits") << "123" << true;
    QTest::newRow("leading zeros") << "007" << true;
    QTest::newRow("leading blank") << " 12" << true;
    QTest::newRow("trailing blank") << "12 " << true;
    QTest::newRow("minus") << "-5" << true;
    QTest::newRow("plus") << "+5" << true;
    QTest::newRow("blank sign digits blank") << "  -42  " << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("lone minus") << "-" << false;
    QTest::newRow("lone plus") << "+" << false;
    QTest::newRow("letter after") << "12a" << false;
    QTest::newRow("letter before") << "a12" << false;
    QTest::newRow("blank inside") << "1 2" << false;
    QTest::newRow("sign blank digit") << "- 5" << false;
    QTest::newRow("two signs") << "--5" << false;
    QTest::newRow("sign after") << "5-" << false;
    QTest::newRow("exponent") << "1e3" << false;
    QTest::newRow("hex") << "&H10" << false;
    QTest::newRow("currency") << "$5" << false;
    QTest::newRow("decimal") << "1.5" << false;
    QTest::newRow("comma") << "1,5" << false;
}

void NumTextTest::numeric() {
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(isNumeric(text), numeric);
}

void NumTextTest::value_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("digits") << "42" << 42.0;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("leading blanks") << "  12" << 12.0;
    QTest::newRow("minus") << "-5" << -5.0;
    QTest::newRow("plus") << "+9" << 9.0;
    QTest::newRow("digits then letters") << "12a" << 12.0;
    QTest::newRow("letters first") << "a12" << 0.0;
    QTest::newRow("lone sign") << "-" << 0.0;
    QTest::newRow("fraction") << "1.5" << 1.5;
    QTest::newRow("four digits") << "9999" << 9999.0;
}

void NumTextTest::value() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(val(text), value);
}

void NumTextTest::formatted_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::newRow("# whole") << 448.0 << "#"
                             << "448";
    QTest::newRow("# zero is empty") << 0.0 << "#"
                                     << "";
    QTest::newRow("# negative") << -5.0 << "#"
                                << "-5";
    QTest::newRow("# no separators") << 16384.0 << "#"
                                     << "16384";
    QTest::newRow("# rounds") << 15.6 << "#"
                              << "16";
    QTest::newRow("000 pads") << 7.0 << "000"
                              << "007";
    QTest::newRow("000 two digits") << 42.0 << "000"
                                    << "042";
    QTest::newRow("000 three digits") << 999.0 << "000"
                                      << "999";
    QTest::newRow("000 four digits") << 1000.0 << "000"
                                     << "1000";
    QTest::newRow("000 zero") << 0.0 << "000"
                              << "000";
    QTest::newRow("000 negative") << -5.0 << "000"
                                  << "-005";
}

void NumTextTest::formatted() {
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QCOMPARE(format(value, pattern), text);
}

void NumTextTest::asText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("positive") << 16.0 << " 16";
    QTest::newRow("one") << 1.0 << " 1";
    QTest::newRow("zero") << 0.0 << " 0";
    QTest::newRow("negative") << -3.0 << "-3";
}

void NumTextTest::asText() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(str(value), text);
}

void NumTextTest::int16_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("result");
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("whole") << 42.0 << 42;
    QTest::newRow("negative") << -5.0 << -5;
    QTest::newRow("half to even down") << 2.5 << 2;
    QTest::newRow("half to even up") << 3.5 << 4;
    QTest::newRow("top") << 32767.0 << 32767;
    QTest::newRow("bottom") << -32768.0 << -32768;
}

void NumTextTest::int16() {
    QFETCH(double, value);
    QFETCH(int, result);
    QCOMPARE(int(toInt16(value)), result);
}

void NumTextTest::int16Overflow_data() {
    QTest::addColumn<double>("value");
    QTest::newRow("one past the top") << 32768.0;
    QTest::newRow("one past the bottom") << -32769.0;
    QTest::newRow("huge") << 1e12;
}

void NumTextTest::int16Overflow() {
    QFETCH(double, value);
    QVERIFY_THROWS_EXCEPTION(PlatformError, toInt16(value));
}

QTEST_APPLESS_MAIN(NumTextTest)
#include "tst_numtext.moc"
