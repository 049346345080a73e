#pragma once

#include "widgets/TSideWindow.h"

class QMenu;
class QPlainTextEdit;

// The translucent, stay-on-top info window where command output appears. Its text area
// takes the remembered font size at each showing, as the window takes its remembered
// size; the right button opens a menu whose one entry hides the window.
class TInfoWindow : public TSideWindow
{
    Q_OBJECT
public:
    explicit TInfoWindow(QWidget *parent = nullptr);

    void AppendInfoLine(const QString &line);
    void ClearInfo();
    bool IsInfoVisible() const { return isVisible(); }
    void ShowInfo();
    void HideInfo() { hide(); }
    QString InfoText() const;

    // Colours as 0x00BBGGRR.
    void SetInfoColours(unsigned text, unsigned background);
    // Points; 0 keeps the design font.
    void SetRememberedFontSize(int points) { m_fontSize = points; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPlainTextEdit *m_memo;
    QMenu *m_menu;
    int m_fontSize = 0;
};
