#include "widgets/TNumberEdit.h"

#include <QRegularExpressionValidator>

#include <algorithm>

TNumberEdit::TNumberEdit(QWidget *parent)
    : QLineEdit(parent)
{
    UpdateValidator();
}

void TNumberEdit::SetLimits(qint64 minimum, qint64 maximum, int maxDigits)
{
    m_minimum = std::min(minimum, maximum);
    m_maximum = std::max(minimum, maximum);
    m_maxDigits = std::clamp(maxDigits, 1, 18);
    UpdateValidator();
}

void TNumberEdit::UpdateValidator()
{
    const QString sign = m_minimum < 0 ? QStringLiteral("-?") : QString();
    const QRegularExpression pattern(QStringLiteral("%1[0-9]{0,%2}").arg(sign).arg(m_maxDigits));
    setValidator(new QRegularExpressionValidator(pattern, this));
    setMaxLength(m_maxDigits + (m_minimum < 0 ? 1 : 0));
    // Text set from outside is not checked by the validator: cut it to what may be typed.
    QString kept;
    for (const QChar c : text()) {
        if ((c >= u'0' && c <= u'9') || (c == u'-' && kept.isEmpty() && m_minimum < 0))
            kept += c;
    }
    if (kept != text())
        setText(kept.left(maxLength()));
}

qint64 TNumberEdit::Value() const
{
    bool ok = false;
    const qint64 value = text().toLongLong(&ok);
    return ok ? std::clamp(value, m_minimum, m_maximum) : m_minimum;
}

void TNumberEdit::SetValue(qint64 value)
{
    setText(QString::number(std::clamp(value, m_minimum, m_maximum)));
}
