#pragma once

#include "widgets/TSideWindow.h"

class QPlainTextEdit;

// The translucent, stay-on-top info window where command output appears.
class TInfoWindow : public TSideWindow
{
    Q_OBJECT
public:
    explicit TInfoWindow(QWidget *parent = nullptr);

    void AppendInfoLine(const QString &line);
    void ClearInfo();
    bool IsInfoVisible() const { return isVisible(); }
    void ShowInfo() { show(); }
    void HideInfo() { hide(); }
    QString InfoText() const;

    // Colours as 0x00BBGGRR.
    void SetInfoColours(unsigned text, unsigned background);
private:
    QPlainTextEdit *m_memo;
};
