#pragma once

#include <QWidget>

// Base of the three side windows: borderless, stay-on-top, with an opacity of 0–255.
class TSideWindow : public QWidget
{
    Q_OBJECT
public:
    TSideWindow(const QString &componentName, QWidget *parent = nullptr);

    void SetAlpha(int alpha);
    int Alpha() const { return m_alpha; }

private:
    int m_alpha = 255;
};
