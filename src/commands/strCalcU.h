#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The "@calc" evaluator: picks the characters of "()+-*/0123456789." out of any text and
// computes them with the four operations, parentheses and the usual precedence, on
// fixed-point values of four decimal places (ten-thousandths held in 64 bits, so about
// ±922337203685477.5807). There is no unary minus.
//
// The answer is always a text: a number, or one of the error texts below. Every input
// is answered; nothing recurses, so no nesting depth or length can exhaust the stack.

// Division by a value that rounds to 0 ten-thousandths.
inline constexpr QStringView kCalcDivisionByZero = u"Error 0除算";
// An operator that lacks one of its two operands ('1+', '-5', '2*-3', only operators).
inline constexpr QStringView kCalcMissingOperand = u"Error 数値不足";
// A malformed number such as '1.2.3' or a lone '.' with nothing to stand in for.
inline constexpr QStringView kCalcBadNumber = u"Error 不正な数値";
// The text holds no number at all ('', '()', letters only).
inline constexpr QStringView kCalcNoNumber = u"Error 数値なし";
// A value outside the fixed-point range met in an operation.
inline constexpr QStringView kCalcOverflow = u"Error 桁あふれ";

// Evaluates the expression found in `text`. A number that takes part in no operation
// comes back exactly as written ('1.50', '007'); when several are left, the last one.
// An unmatched "(" is closed at the end and an unmatched ")" closes everything before
// it, so '(1+2' and '1+2)*3' both read as if balanced. Texts of any length are
// evaluated whole.
QString EvaluateExpression(QStringView text);

// The locale text mapping the evaluator starts with: the text's code page 932 form
// (other characters become "?"), hiragana turned to katakana, then full-width forms to
// half-width ones (ASCII, the blank, katakana with a separate voicing mark, and the
// Japanese punctuation that has a half-width form).
QString MapToHalfWidthKatakana(QStringView text);

// The expression in `text`: the mapped text reduced to the expression alphabet.
QString ExpressionOf(QStringView text);

// The tokens of an expression in the order they are evaluated; every "(" is gone.
QStringList PostfixOf(QStringView expression);
