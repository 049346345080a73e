#pragma once

#include <QLineEdit>

// A one-line field for whole numbers: it takes digits only (a leading "-" when the
// minimum is negative), at most the given number of digits. The text is what the user
// typed, leading zeros kept, since an ID such as "00012345" is a number only in form.
// Value() clamps to the minimum and maximum; an empty field is the minimum.
class TNumberEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TNumberEdit(QWidget *parent = nullptr);

    void SetLimits(qint64 minimum, qint64 maximum, int maxDigits);
    qint64 Minimum() const { return m_minimum; }
    qint64 Maximum() const { return m_maximum; }
    int MaxDigits() const { return m_maxDigits; }

    qint64 Value() const;
    void SetValue(qint64 value);

private:
    void UpdateValidator();

    qint64 m_minimum = 0;
    qint64 m_maximum = 99999999;
    int m_maxDigits = 8;
};
