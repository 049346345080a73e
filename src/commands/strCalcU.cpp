#include "commands/strCalcU.h"

#include "platform/Cp932.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

// Products and quotients must keep every bit of a 64-bit value; a compiler whose long
// double is a plain double (MSVC) would round large products differently.
static_assert(std::numeric_limits<long double>::digits >= 64, "the calculator needs a 64-bit mantissa");

namespace {

// Half-width forms of ァ (U+30A1) to ヶ (U+30F6); empty where the code page has none.
constexpr std::u16string_view kHalfWidthKatakana[] = {
    u"ｧ",  u"ｱ",  u"ｨ",  u"ｲ",  u"ｩ",  u"ｳ",  u"ｪ",  u"ｴ",  u"ｫ",  u"ｵ", // ァ
    u"ｶ",  u"ｶﾞ", u"ｷ",  u"ｷﾞ", u"ｸ",  u"ｸﾞ", u"ｹ",  u"ｹﾞ", u"ｺ",  u"ｺﾞ", // カ
    u"ｻ",  u"ｻﾞ", u"ｼ",  u"ｼﾞ", u"ｽ",  u"ｽﾞ", u"ｾ",  u"ｾﾞ", u"ｿ",  u"ｿﾞ", // サ
    u"ﾀ",  u"ﾀﾞ", u"ﾁ",  u"ﾁﾞ", u"ｯ",  u"ﾂ",  u"ﾂﾞ", u"ﾃ",  u"ﾃﾞ", u"ﾄ", // タ
    u"ﾄﾞ", u"ﾅ",  u"ﾆ",  u"ﾇ",  u"ﾈ",  u"ﾉ",  u"ﾊ",  u"ﾊﾞ", u"ﾊﾟ", u"ﾋ", // ド
    u"ﾋﾞ", u"ﾋﾟ", u"ﾌ",  u"ﾌﾞ", u"ﾌﾟ", u"ﾍ",  u"ﾍﾞ", u"ﾍﾟ", u"ﾎ",  u"ﾎﾞ", // ビ
    u"ﾎﾟ", u"ﾏ",  u"ﾐ",  u"ﾑ",  u"ﾒ",  u"ﾓ",  u"ｬ",  u"ﾔ",  u"ｭ",  u"ﾕ", // ポ
    u"ｮ",  u"ﾖ",  u"ﾗ",  u"ﾘ",  u"ﾙ",  u"ﾚ",  u"ﾛ",  u"",   u"ﾜ",  u"", // ョ
    u"",   u"ｦ",  u"ﾝ",  u"ｳﾞ", u"",   u"", // ヱ
};
constexpr char16_t kFirstKatakana = u'ァ';
constexpr char16_t kLastKatakana = u'ヶ';
static_assert(std::size(kHalfWidthKatakana) == kLastKatakana - kFirstKatakana + 1);

char16_t HiraganaToKatakana(char16_t c)
{
    if ((c >= u'ぁ' && c <= u'ゖ') || c == u'ゝ' || c == u'ゞ')
        return char16_t(c + (u'ァ' - u'ぁ'));
    return c;
}

void AppendHalfWidth(char16_t c, QString &out)
{
    if (c >= u'！' && c <= u'～') {
        out += QChar(char16_t(c - (u'！' - u'!')));
        return;
    }
    if (c >= kFirstKatakana && c <= kLastKatakana) {
        const std::u16string_view half = kHalfWidthKatakana[c - kFirstKatakana];
        if (half.empty())
            out += QChar(c);
        else
            out += QStringView(half.data(), qsizetype(half.size()));
        return;
    }
    switch (c) {
    case u'　': out += QLatin1Char(' '); return;
    case u'、': out += QChar(u'､'); return;
    case u'。': out += QChar(u'｡'); return;
    case u'「': out += QChar(u'｢'); return;
    case u'」': out += QChar(u'｣'); return;
    case u'゛': out += QChar(u'ﾞ'); return;
    case u'゜': out += QChar(u'ﾟ'); return;
    case u'・': out += QChar(u'･'); return;
    case u'ー': out += QChar(u'ｰ'); return;
    default: out += QChar(c); return;
    }
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool InAlphabet(QChar c)
{
    return IsDigit(c) || c == u'.' || c == u'(' || c == u')' || c == u'+' || c == u'-' || c == u'*' || c == u'/';
}

bool IsOneOf(QStringView token, char16_t c)
{
    return token.size() == 1 && token.front() == c;
}

int Rank(QStringView token)
{
    if (token.size() == 1) {
        switch (token.front().unicode()) {
        case u')': return 1;
        case u'+':
        case u'-': return 2;
        case u'*':
        case u'/': return 3;
        case u'(': return 4;
        default: break;
        }
    }
    return 5; // a number, well formed or not
}

// Views into `expression`, which must outlive them.
std::vector<QStringView> Tokenise(QStringView expression)
{
    std::vector<QStringView> tokens;
    qsizetype i = 0;
    while (i < expression.size()) {
        const qsizetype start = i;
        if (IsDigit(expression[i]) || expression[i] == u'.') {
            while (i < expression.size() && (IsDigit(expression[i]) || expression[i] == u'.'))
                ++i;
        } else {
            ++i;
        }
        tokens.push_back(expression.sliced(start, i - start));
    }
    return tokens;
}

std::vector<QStringView> ToPostfix(const std::vector<QStringView> &tokens)
{
    std::vector<QStringView> output;
    std::vector<QStringView> stack;
    output.reserve(tokens.size());
    for (const QStringView token : tokens) {
        const int rank = Rank(token);
        while (!stack.empty() && !IsOneOf(stack.back(), u'(') && Rank(stack.back()) >= rank) {
            output.push_back(stack.back());
            stack.pop_back();
        }
        if (IsOneOf(token, u')')) {
            // With nothing left the ")" has no "(": it is dropped, which closes
            // everything before it, the mirror of an unclosed "(" closed at the end.
            if (!stack.empty())
                stack.pop_back();
        } else {
            stack.push_back(token);
        }
    }
    while (!stack.empty()) {
        if (!IsOneOf(stack.back(), u'('))
            output.push_back(stack.back());
        stack.pop_back();
    }
    return output;
}

constexpr std::uint64_t kUnitsPerOne = 10000;
constexpr std::uint64_t kMaxPositiveUnits = std::uint64_t(std::numeric_limits<std::int64_t>::max());
constexpr std::uint64_t kMaxNegativeUnits = kMaxPositiveUnits + 1;

struct ParsedNumber
{
    bool wellFormed = false;
    std::optional<std::int64_t> units; // empty when out of range
};

// Reads digits with at most one point ('1.', '.5' and '007' included), optionally led by
// "-" as in a result pushed back as text. Rounding is done on the decimal digits
// themselves, so ties such as 0.00005 go to the even neighbour exactly.
ParsedNumber ParseNumber(QStringView text)
{
    ParsedNumber result;
    const bool negative = !text.isEmpty() && text.front() == u'-';
    if (negative)
        text = text.sliced(1);
    qsizetype point = -1;
    qsizetype digits = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            ++digits;
        } else if (text[i] == u'.' && point < 0) {
            point = i;
        } else {
            return result;
        }
    }
    if (digits == 0)
        return result;
    result.wellFormed = true;

    const std::uint64_t limit = negative ? kMaxNegativeUnits : kMaxPositiveUnits;
    const QStringView whole = point < 0 ? text : text.first(point);
    const QStringView fraction = point < 0 ? QStringView() : text.sliced(point + 1);

    std::uint64_t integer = 0;
    for (const QChar c : whole) {
        integer = integer * 10 + std::uint64_t(c.unicode() - u'0');
        if (integer > limit / kUnitsPerOne)
            return result; // out of range; further digits only make it larger
    }
    std::uint64_t units = integer * kUnitsPerOne;
    std::uint64_t scale = kUnitsPerOne / 10;
    for (qsizetype i = 0; i < fraction.size() && i < 4; ++i, scale /= 10)
        units += std::uint64_t(fraction[i].unicode() - u'0') * scale;
    if (fraction.size() > 4) {
        const int next = fraction[4].unicode() - u'0';
        bool beyondHalf = false;
        for (qsizetype i = 5; i < fraction.size() && !beyondHalf; ++i)
            beyondHalf = fraction[i] != u'0';
        if (next > 5 || (next == 5 && (beyondHalf || (units & 1))))
            ++units;
    }
    if (units > limit)
        return result;
    result.units = negative ? std::int64_t(0 - units) : std::int64_t(units);
    return result;
}

// Shortest general form of units / 10000 with at most 15 significant digits. In the
// 64-bit range the integer part never needs more than 15 digits, so no exponent form
// is ever written.
QString FormatUnits(std::int64_t units)
{
    const bool negative = units < 0;
    std::uint64_t magnitude = negative ? 0 - std::uint64_t(units) : std::uint64_t(units);

    int digits = 1;
    for (std::uint64_t m = magnitude; m >= 10; m /= 10)
        ++digits;
    if (digits > 15) {
        std::uint64_t power = 1;
        for (int i = 15; i < digits; ++i)
            power *= 10;
        std::uint64_t kept = magnitude / power;
        const std::uint64_t rest = magnitude % power;
        if (rest > power / 2 || (rest == power / 2 && (kept & 1)))
            ++kept;
        magnitude = kept * power;
    }

    QString text;
    if (negative)
        text += QLatin1Char('-');
    text += QString::number(magnitude / kUnitsPerOne);
    std::uint64_t fraction = magnitude % kUnitsPerOne;
    if (fraction != 0) {
        text += QLatin1Char('.');
        for (std::uint64_t scale = kUnitsPerOne / 10; fraction != 0; scale /= 10) {
            text += QChar(char16_t(u'0' + fraction / scale));
            fraction %= scale;
        }
    }
    return text;
}

// Nearest integer, ties to even (the default rounding mode), when it fits 64 bits.
std::optional<std::int64_t> RoundToUnits(long double value)
{
    const long double rounded = std::nearbyint(value);
    constexpr long double kLimit = 9223372036854775808.0L; // 2^63
    if (!(rounded >= -kLimit && rounded < kLimit))
        return std::nullopt;
    return std::int64_t(rounded);
}

std::optional<std::int64_t> Add(std::int64_t a, std::int64_t b)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if ((b > 0 && a > kMax - b) || (b < 0 && a < kMin - b))
        return std::nullopt;
    return a + b;
}

std::optional<std::int64_t> Subtract(std::int64_t a, std::int64_t b)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if ((b < 0 && a > kMax + b) || (b > 0 && a < kMin + b))
        return std::nullopt;
    return a - b;
}

QString EvaluatePostfix(const std::vector<QStringView> &postfix)
{
    std::vector<QString> stack;
    std::optional<std::int64_t> last = 0;
    for (const QStringView token : postfix) {
        const ParsedNumber number = ParseNumber(token);
        if (number.wellFormed) {
            last = number.units;
            stack.push_back(token.toString());
            continue;
        }
        const bool isOperator = Rank(token) == 2 || Rank(token) == 3;
        if (stack.size() < 2)
            return (isOperator ? kCalcMissingOperand : kCalcBadNumber).toString();
        const std::optional<std::int64_t> b = ParseNumber(stack.back()).units;
        stack.pop_back();
        const std::optional<std::int64_t> a = ParseNumber(stack.back()).units;
        stack.pop_back();

        std::optional<std::int64_t> r;
        if (!isOperator) {
            r = last; // a malformed number stands for the last value
        } else if (!a || !b) {
            r = std::nullopt;
        } else if (IsOneOf(token, u'/')) {
            if (*b == 0)
                return kCalcDivisionByZero.toString();
            r = RoundToUnits(static_cast<long double>(*a) / static_cast<long double>(*b) * kUnitsPerOne);
        } else if (IsOneOf(token, u'*')) {
            r = RoundToUnits(static_cast<long double>(*a) * static_cast<long double>(*b) / kUnitsPerOne);
        } else {
            r = IsOneOf(token, u'-') ? Subtract(*a, *b) : Add(*a, *b);
        }
        if (!r)
            return kCalcOverflow.toString();
        last = r;
        stack.push_back(FormatUnits(*r));
    }
    if (stack.empty())
        return kCalcNoNumber.toString();
    return stack.back();
}

} // namespace

QString MapToHalfWidthKatakana(QStringView text)
{
    const QString ansi = kiv::cp932::ToAnsiForm(text);
    QString out;
    out.reserve(ansi.size());
    for (const QChar c : ansi)
        AppendHalfWidth(HiraganaToKatakana(c.unicode()), out);
    return out;
}

QString ExpressionOf(QStringView text)
{
    // Blanks, trimmed or not, go with every other character outside the alphabet.
    const QString mapped = MapToHalfWidthKatakana(text);
    QString expression;
    for (const QChar c : mapped) {
        if (InAlphabet(c))
            expression += c;
    }
    return expression;
}

QStringList PostfixOf(QStringView expression)
{
    QStringList list;
    for (const QStringView token : ToPostfix(Tokenise(expression)))
        list.append(token.toString());
    return list;
}

QString EvaluateExpression(QStringView text)
{
    const QString expression = ExpressionOf(text);
    return EvaluatePostfix(ToPostfix(Tokenise(expression)));
}
