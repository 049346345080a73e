#include "core/IStatusText.h"
#include "commands/CalcCommand.h"
#include "core/IInfoOutput.h"
#include "commands/strCalcU.h"
#include "platform/Cp932.h"
#include "support/FakeInfoOutput.h"

#include <QTest>

namespace {

using RecordingInfo = FakeInfoOutput;
using RecordingStatus = FakeStatusText;

QString Repeated(QStringView piece, int count)
{
    return piece.toString().repeated(count);
}

} // namespace

class TestCalc : public QObject
{
    Q_OBJECT

private slots:
    void evaluate_data();
    void evaluate();
    void longAndDeep_data();
    void longAndDeep();
    void postfix_data();
    void postfix();
    void expressionOf_data();
    void expressionOf();
    void everyCodePageCharacter();
    void halfWidthMapping_data();
    void halfWidthMapping();
    void command_data();
    void command();
};

void TestCalc::evaluate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    // Precedence and grouping.
    QTest::newRow("product first") << u"1+2*3"_qs << u"7"_qs;
    QTest::newRow("parentheses first") << u"(1+2)*3"_qs << u"9"_qs;
    QTest::newRow("minus groups left") << u"8-3-2"_qs << u"3"_qs;
    QTest::newRow("divide groups left") << u"8/4/2"_qs << u"1"_qs;
    QTest::newRow("mixed equal ranks") << u"8/4*2"_qs << u"4"_qs;
    QTest::newRow("minus then plus") << u"10-2+3"_qs << u"11"_qs;
    QTest::newRow("nested") << u"2*((1+2)*(3+4))-1"_qs << u"41"_qs;
    QTest::newRow("divisor in parentheses") << u"8/(4/2)"_qs << u"4"_qs;

    // Four fixed places, ties to even.
    QTest::newRow("third") << u"1/3"_qs << u"0.3333"_qs;
    QTest::newRow("two thirds rounds up") << u"2/3"_qs << u"0.6667"_qs;
    QTest::newRow("stored third times three") << u"1/3*3"_qs << u"0.9999"_qs;
    QTest::newRow("stored two thirds times three") << u"2/3*3"_qs << u"2.0001"_qs;
    QTest::newRow("exact product") << u"1.25*1.25"_qs << u"1.5625"_qs;
    QTest::newRow("number rounded on reading") << u"1.23456+0"_qs << u"1.2346"_qs;
    QTest::newRow("reading tie to even 0") << u"0.00005+0"_qs << u"0"_qs;
    QTest::newRow("reading tie to even 2") << u"0.00015+0"_qs << u"0.0002"_qs;
    QTest::newRow("reading tie stays even") << u"0.00025+0"_qs << u"0.0002"_qs;
    QTest::newRow("reading just past tie") << u"0.000250001+0"_qs << u"0.0003"_qs;
    QTest::newRow("product tie down") << u"2.5*0.0001"_qs << u"0.0002"_qs;
    QTest::newRow("product tie up") << u"3.5*0.0001"_qs << u"0.0004"_qs;
    QTest::newRow("product below a unit") << u"0.0001*0.0001"_qs << u"0"_qs;
    QTest::newRow("tenths") << u"0.1+0.2"_qs << u"0.3"_qs;
    QTest::newRow("hundredths") << u"0.1*0.1"_qs << u"0.01"_qs;
    QTest::newRow("negative result") << u"1-3.5"_qs << u"-2.5"_qs;
    QTest::newRow("negative operand read back") << u"(1-3)*(0-4)"_qs << u"8"_qs;
    QTest::newRow("zero") << u"2.5-2.5"_qs << u"0"_qs;
    // Exact only when the product keeps more than a double's 53 bits.
    QTest::newRow("wide product") << u"602486.3965*23956.3739"_qs << u"14433389384.2177"_qs;

    // Results are pushed as texts of at most 15 significant digits and read back.
    QTest::newRow("15 digits shown") << u"123456789012.3456+0"_qs << u"123456789012.346"_qs;
    QTest::newRow("shown digits read back") << u"123456789012.3456+0-123456789012"_qs << u"0.346"_qs;

    // Numbers that take part in no operation.
    QTest::newRow("kept as written") << u"1.50"_qs << u"1.50"_qs;
    QTest::newRow("leading zeros kept") << u"007"_qs << u"007"_qs;
    QTest::newRow("leading zeros read") << u"007+1"_qs << u"8"_qs;
    QTest::newRow("two numbers, the last") << u"2(3)"_qs << u"3"_qs;
    QTest::newRow("two groups, the last") << u"(1+1)(2*5)"_qs << u"10"_qs;
    QTest::newRow("bare points") << u"1.+.5"_qs << u"1.5"_qs;
    QTest::newRow("huge number untouched") << u"12345678901234567890"_qs << u"12345678901234567890"_qs;

    // Text around the expression.
    QTest::newRow("digits anywhere join") << u"@calc 3*4 for 2"_qs << u"126"_qs;
    QTest::newRow("command form") << u"@calc (1200+800)/3"_qs << u"666.6667"_qs;
    QTest::newRow("blanks and letters") << u" 1 + 2 yen "_qs << u"3"_qs;
    QTest::newRow("full-width") << u"（１＋２）＊３"_qs << u"9"_qs;
    QTest::newRow("full-width minus, point, slash") << u"１０－３．５／２"_qs << u"8.25"_qs;
    QTest::newRow("full-width blanks") << u"＠ｃａｌｃ　６＊７"_qs << u"42"_qs;
    QTest::newRow("hiragana around") << u"けいさん１＋１です"_qs << u"2"_qs;
    QTest::newRow("times sign is no operator") << u"3×2"_qs << u"32"_qs;

    // Division by zero.
    QTest::newRow("by zero") << u"5/0"_qs << u"Error 0除算"_qs;
    QTest::newRow("by less than a unit") << u"5/0.00001"_qs << u"Error 0除算"_qs;
    QTest::newRow("by a tie rounded to zero") << u"5/0.00005"_qs << u"Error 0除算"_qs;
    QTest::newRow("by a tie rounded up") << u"5/0.00015"_qs << u"25000"_qs;
    QTest::newRow("by a computed zero") << u"5/(2-2)"_qs << u"Error 0除算"_qs;
    QTest::newRow("stops at once") << u"1/0*0"_qs << u"Error 0除算"_qs;
    QTest::newRow("zero divided") << u"0/5"_qs << u"0"_qs;

    // Unbalanced parentheses.
    QTest::newRow("open left open") << u"(1+2"_qs << u"3"_qs;
    QTest::newRow("many open") << u"((((2*3"_qs << u"6"_qs;
    QTest::newRow("stray close closes all before") << u"1+2)*3"_qs << u"9"_qs;
    QTest::newRow("extra close") << u"(1+2))*3"_qs << u"9"_qs;
    QTest::newRow("close first") << u")1+1"_qs << u"2"_qs;

    // Operands missing.
    QTest::newRow("trailing operator") << u"1+"_qs << u"Error 数値不足"_qs;
    QTest::newRow("leading minus") << u"-5"_qs << u"Error 数値不足"_qs;
    QTest::newRow("minus after times") << u"2*-3"_qs << u"Error 数値不足"_qs;
    QTest::newRow("operators only") << u"+-*/"_qs << u"Error 数値不足"_qs;
    QTest::newRow("empty group operand") << u"()*2"_qs << u"Error 数値不足"_qs;

    // No number.
    QTest::newRow("empty") << QString() << u"Error 数値なし"_qs;
    QTest::newRow("letters only") << u"@calc"_qs << u"Error 数値なし"_qs;
    QTest::newRow("empty group") << u"()"_qs << u"Error 数値なし"_qs;
    QTest::newRow("opens only") << u"((("_qs << u"Error 数値なし"_qs;

    // Malformed numbers stand for the last value when they find two operands.
    QTest::newRow("malformed alone") << u"1.2.3"_qs << u"Error 不正な数値"_qs;
    QTest::newRow("point alone") << u"."_qs << u"Error 不正な数値"_qs;
    QTest::newRow("malformed after two") << u"(7)(1.50)1.2.3"_qs << u"1.5"_qs;

    // The 64-bit range of ten-thousandths.
    QTest::newRow("largest value") << u"922337203685477.5807+0"_qs << u"922337203685478"_qs;
    QTest::newRow("sum past the largest") << u"922337203685477.5807+0.0001"_qs << u"Error 桁あふれ"_qs;
    QTest::newRow("number past the largest") << u"922337203685478+0"_qs << u"Error 桁あふれ"_qs;
    QTest::newRow("smallest value") << u"0-922337203685477-0.5808"_qs << u"-922337203685478"_qs;
    QTest::newRow("difference past the smallest") << u"0-922337203685477-0.5809"_qs << u"Error 桁あふれ"_qs;
    QTest::newRow("product past the range") << u"100000000000*100000000"_qs << u"Error 桁あふれ"_qs;
    QTest::newRow("quotient past the range") << u"900000000000000/0.0001"_qs << u"Error 桁あふれ"_qs;
    QTest::newRow("huge number used") << u"12345678901234567890*0"_qs << u"Error 桁あふれ"_qs;
    QTest::newRow("result read back out of range") << u"922337203685477.5807+0+0"_qs << u"Error 桁あふれ"_qs;
}

void TestCalc::evaluate()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(EvaluateExpression(text), expected);
}

void TestCalc::longAndDeep_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString digits = Repeated(u"9", 100000);
    QTest::newRow("deep nesting") << Repeated(u"(", 10000) + u"1" + Repeated(u")", 10000) << u"1"_qs;
    QTest::newRow("deep nesting with operators") << Repeated(u"(1+", 10000) + u"1" + Repeated(u")", 10000)
                                                 << u"10001"_qs;
    QTest::newRow("opens only") << Repeated(u"(", 10000) << u"Error 数値なし"_qs;
    QTest::newRow("closes only") << Repeated(u")", 10000) << u"Error 数値なし"_qs;
    QTest::newRow("long chain") << u"1"_qs + Repeated(u"+1", 50000) << u"50001"_qs;
    QTest::newRow("100000 digits as written") << digits << digits;
    QTest::newRow("100000 digits used") << digits + u"+1" << u"Error 桁あふれ"_qs;
    QTest::newRow("100000 leading zeros") << Repeated(u"0", 100000) + u"1+1" << u"2"_qs;
    QTest::newRow("100000 places below a unit") << u"0."_qs + Repeated(u"0", 100000) + u"9+1" << u"1"_qs;
    QTest::newRow("tie broken far away") << u"0.00005"_qs + Repeated(u"0", 100000) + u"1+0" << u"0.0001"_qs;
    QTest::newRow("100000 operators") << Repeated(u"+", 100000) << u"Error 数値不足"_qs;
    QTest::newRow("100000 points") << Repeated(u".", 100000) << u"Error 不正な数値"_qs;
    // Longer than 256 bytes of code page text: evaluated whole all the same.
    QTest::newRow("full-width past 256 bytes") << Repeated(u"あ", 200) + u"１＋２＊３" << u"7"_qs;
    QTest::newRow("digits past 256 bytes") << Repeated(u"x", 300) + u"6*7" << u"42"_qs;
}

void TestCalc::longAndDeep()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(EvaluateExpression(text), expected);
}

void TestCalc::postfix_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("postfix");

    QTest::newRow("worked example") << u"(1+2)*3"_qs << u"1 2 + 3 *"_qs;
    QTest::newRow("higher rank waits") << u"1+2*3"_qs << u"1 2 3 * +"_qs;
    QTest::newRow("higher rank first") << u"2*3+1"_qs << u"2 3 * 1 +"_qs;
    QTest::newRow("equal ranks leave first") << u"8-3-2"_qs << u"8 3 - 2 -"_qs;
    QTest::newRow("plus and minus share a rank") << u"8-3+2"_qs << u"8 3 - 2 +"_qs;
    QTest::newRow("times and divide share a rank") << u"8/4*2"_qs << u"8 4 / 2 *"_qs;
    QTest::newRow("open dropped at the end") << u"(1+2"_qs << u"1 2 +"_qs;
    QTest::newRow("stray close") << u"1+2)*3"_qs << u"1 2 + 3 *"_qs;
    QTest::newRow("numbers side by side") << u"2(3)"_qs << u"2 3"_qs;
    QTest::newRow("number text kept") << u"1.50+007"_qs << u"1.50 007 +"_qs;
    QTest::newRow("malformed number is one token") << u"1.2.3*2"_qs << u"1.2.3 2 *"_qs;
    QTest::newRow("nothing") << u"(())"_qs << QString();
}

void TestCalc::postfix()
{
    QFETCH(QString, expression);
    QFETCH(QString, postfix);
    QCOMPARE(PostfixOf(expression).join(QLatin1Char(' ')), postfix);
}

void TestCalc::expressionOf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expression");

    QTest::newRow("digits anywhere") << u"@calc 3*4 for 2"_qs << u"3*42"_qs;
    QTest::newRow("whole alphabet kept in order") << u"a(b)c+d-e*f/g.0123456789"_qs << u"()+-*/.0123456789"_qs;
    QTest::newRow("full-width alphabet") << u"（）＋－＊／．０１２３４５６７８９"_qs << u"()+-*/.0123456789"_qs;
    QTest::newRow("look-alikes dropped") << u"×÷，、。①Ⅱ"_qs << QString();
    QTest::newRow("outside the code page") << u"\U0001D7D9+\u2795"_qs << u"+"_qs;
}

void TestCalc::expressionOf()
{
    QFETCH(QString, text);
    QFETCH(QString, expression);
    QCOMPARE(ExpressionOf(text), expression);
}

// Every character of code page 932, alone: only the alphabet and its full-width forms
// yield anything, each exactly its ASCII character.
void TestCalc::everyCodePageCharacter()
{
    const QString ascii = u"()+-*/.0123456789"_qs;
    const QString fullWidth = u"（）＋－＊／．０１２３４５６７８９"_qs;

    QString all;
    auto check = [&](QByteArray bytes) {
        const QString ch = kiv::cp932::Decode(bytes);
        if (ch.size() != 1 || ch.front() == QChar(kiv::cp932::kReplacement))
            return true;
        all += ch;
        qsizetype at = ascii.indexOf(ch.front());
        if (at < 0)
            at = fullWidth.indexOf(ch.front());
        const QString expected = at < 0 ? QString() : QString(ascii.at(at));
        const QString got = ExpressionOf(ch);
        if (got != expected) {
            qWarning() << "bytes" << bytes.toHex() << "gave" << got << "expected" << expected;
            return false;
        }
        return true;
    };

    int failures = 0;
    for (int b = 0; b < 0x100; ++b)
        failures += check(QByteArray(1, char(b))) ? 0 : 1;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            QByteArray bytes;
            bytes.append(char(lead)).append(char(trail));
            failures += check(bytes) ? 0 : 1;
        }
    }
    QCOMPARE(failures, 0);
    QVERIFY(all.size() > 7000);
    // The whole table in one text, in code order: single bytes, then ．／（）＋－＊０…９.
    QCOMPARE(ExpressionOf(all), u"()*+-./0123456789./()+-*0123456789"_qs);
    QCOMPARE(EvaluateExpression(all), EvaluateExpression(ExpressionOf(all)));
}

void TestCalc::halfWidthMapping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mapped");

    QTest::newRow("hiragana") << u"ひらがな"_qs << u"ﾋﾗｶﾞﾅ"_qs;
    QTest::newRow("katakana") << u"カタカナ"_qs << u"ｶﾀｶﾅ"_qs;
    QTest::newRow("voiced and half-voiced") << u"パピプベボ"_qs << u"ﾊﾟﾋﾟﾌﾟﾍﾞﾎﾞ"_qs;
    QTest::newRow("small kana") << u"ぁゃっ"_qs << u"ｧｬｯ"_qs;
    QTest::newRow("vu") << u"ヴ"_qs << u"ｳﾞ"_qs;
    QTest::newRow("no half-width form") << u"ゐゑヶヮ"_qs << u"ヰヱヶヮ"_qs;
    QTest::newRow("punctuation") << u"「テスト」、。・ー゛゜"_qs << u"｢ﾃｽﾄ｣､｡･ｰﾞﾟ"_qs;
    QTest::newRow("full-width ASCII") << u"ＡＢｃ１２＋！～"_qs << u"ABc12+!~"_qs;
    QTest::newRow("full-width blank") << u"a　b"_qs << u"a b"_qs;
    QTest::newRow("kanji and half-width stay") << u"漢字ｶﾞabc"_qs << u"漢字ｶﾞabc"_qs;
    QTest::newRow("outside the code page") << u"\u3094\U00020B9F"_qs << u"??"_qs;
}

void TestCalc::halfWidthMapping()
{
    QFETCH(QString, text);
    QFETCH(QString, mapped);
    QCOMPARE(MapToHalfWidthKatakana(text), mapped);
}

void TestCalc::command_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("statusTexts");

    const QStringList none;
    QTest::newRow("shown window gets two lines")
        << u"@calc 1+2*3"_qs << true << QStringList{u"@calc 1+2*3"_qs, u"=7"_qs} << none;
    QTest::newRow("hidden window: status text")
        << u"@calc 6*7"_qs << false << none << QStringList{u"　@calc 6*7=42"_qs};
    QTest::newRow("error in the window")
        << u"@calc 5/0"_qs << true << QStringList{u"@calc 5/0"_qs, u"=Error 0除算"_qs} << none;
    QTest::newRow("error in the status text")
        << u"@calc 5/0"_qs << false << none << QStringList{u"　@calc 5/0=Error 0除算"_qs};
    QTest::newRow("text shown as handed over")
        << u"@CALC ２＊３ please"_qs << false << none << QStringList{u"　@CALC ２＊３ please=6"_qs};
    QTest::newRow("no number") << u"@calc"_qs << true << QStringList{u"@calc"_qs, u"=Error 数値なし"_qs} << none;
}

void TestCalc::command()
{
    QFETCH(QString, text);
    QFETCH(bool, visible);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, statusTexts);

    RecordingInfo info;
    info.visible = visible;
    info.lines = QStringList{u"earlier line"_qs};
    RecordingStatus status;

    CalcCommand(info, status).Run(text);

    QCOMPARE(info.lines, QStringList{u"earlier line"_qs} + lines);
    QCOMPARE(status.texts, statusTexts);
    QCOMPARE(info.shows, 0);
    QCOMPARE(info.hides, 0);
}

QTEST_GUILESS_MAIN(TestCalc)
#include "tst_calc.moc"
