#pragma once

#include <QString>
#include <QStringList>

class IInfoOutput;

inline const QString kInfoShown = QStringLiteral("@InfoWindowを表示しました。");
inline const QString kInfoAlphaSet = QStringLiteral("  AlphaBlendを設定しました。");
inline const QString kInfoSizeUsage = QStringLiteral("uses: @info size [横幅] [高さ]");

// Words of an "@info" text: full-width blanks count as blanks, the text is lower-cased,
// runs of blanks and control characters separate words, and a part in double quotes is
// one word.
QStringList SplitInfoWords(QStringView text);

// The "@info" command: shows, hides, clears, fades and resizes the info window.
class InfoCommand
{
public:
    explicit InfoCommand(IInfoOutput &info);

    void Run(const QString &commandText);

private:
    // A size word: "+n"/"-n" add to `current`, a number replaces it; no number keeps it.
    static int SizeFromWord(const QString &word, int current);

    IInfoOutput &m_info;
};
