#include "commands/InfoCommand.h"

#include "core/IInfoOutput.h"

#include <algorithm>
#include <limits>

QStringList SplitInfoWords(QStringView text)
{
    QString folded = text.toString();
    folded.replace(u'\u3000', u' ');
    folded = folded.toLower();
    QStringList words;
    const qsizetype n = folded.size();
    qsizetype i = 0;
    while (i < n) {
        if (folded[i].unicode() <= u' ') {
            ++i;
            continue;
        }
        QString word;
        if (folded[i] == u'"') {
            ++i;
            while (i < n) {
                if (folded[i] == u'"') {
                    // A doubled quote inside stands for one quote character.
                    if (i + 1 < n && folded[i + 1] == u'"') {
                        word += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                word += folded[i++];
            }
        } else {
            while (i < n && folded[i].unicode() > u' ')
                word += folded[i++];
        }
        words.append(word);
    }
    return words;
}

InfoCommand::InfoCommand(IInfoOutput &info)
    : m_info(info)
{
}

int InfoCommand::SizeFromWord(const QString &word, int current)
{
    bool ok = false;
    const int value = word.toInt(&ok);
    if (!word.isEmpty() && (word[0] == u'+' || word[0] == u'-')) {
        if (!ok)
            return current;
        const qint64 sum = qint64(current) + value;
        return int(std::clamp<qint64>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    }
    return ok ? value : current;
}

void InfoCommand::Run(const QString &commandText)
{
    const QStringList words = SplitInfoWords(commandText);
    const QString joined = words.join(QStringLiteral("\r\n"));

    if (words.size() == 1) {
        if (m_info.IsInfoVisible()) {
            m_info.HideInfo();
        } else {
            m_info.ShowInfo();
            m_info.ClearInfo();
            m_info.AppendInfoLine(kInfoShown);
        }
    }

    if (joined.contains(QStringLiteral("clear"))) {
        if (!m_info.IsInfoVisible())
            m_info.ShowInfo();
        m_info.ClearInfo();
    }

    if (joined.contains(QStringLiteral("alpha"))) {
        QString digits;
        for (const QChar c : commandText) {
            if (c >= u'0' && c <= u'9')
                digits += c;
        }
        bool ok = false;
        int alpha = digits.toInt(&ok);
        if (!ok)
            alpha = m_info.InfoAlpha();
        if (alpha <= 255) {
            m_info.SetInfoAlpha(alpha);
            m_info.AppendInfoLine(commandText);
            m_info.AppendInfoLine(kInfoAlphaSet);
        }
    }

    if (joined.contains(QStringLiteral("size"))) {
        if (!m_info.IsInfoVisible())
            m_info.ShowInfo();
        int width = m_info.InfoWidth();
        int height = m_info.InfoHeight();
        m_info.AppendInfoLine(commandText);
        const QString sizeText = QStringLiteral("  Width=%1\u3000Height=%2");
        if (words.size() == 2) {
            m_info.AppendInfoLine(kInfoSizeUsage);
            m_info.AppendInfoLine(sizeText.arg(width).arg(height));
        } else if (words.size() == 3 || words.size() == 4) {
            width = std::min(SizeFromWord(words[2], width), 640);
            if (words.size() == 4)
                height = std::min(SizeFromWord(words[3], height), m_info.ScreenHeight());
            m_info.SetInfoSize(width, height);
            m_info.AppendInfoLine(sizeText.arg(width).arg(height) + QStringLiteral("設定しました。"));
        }
        m_info.SetInfoSize(m_info.InfoWidth(), m_info.InfoHeight());
    }
}
