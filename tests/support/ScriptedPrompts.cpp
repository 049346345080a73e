#include "ScriptedPrompts.h"

void ScriptedPrompts::Information(const QString &text)
{
    shown << QStringLiteral("info: ") + text;
}

void ScriptedPrompts::Warning(const QString &text)
{
    shown << QStringLiteral("warning: ") + text;
}

bool ScriptedPrompts::Question(const QString &text)
{
    shown << QStringLiteral("question: ") + text;
    if (m_questions.isEmpty()) {
        ++unexpected;
        return false;
    }
    return m_questions.dequeue();
}

bool ScriptedPrompts::InputQuery(const QString &caption, const QString &prompt, QString &text)
{
    shown << QStringLiteral("input: ") + prompt;
    inputsOffered << prompt + u'|' + text;
    Q_UNUSED(caption);
    if (m_inputs.isEmpty()) {
        ++unexpected;
        return false;
    }
    const Input answer = m_inputs.dequeue();
    if (answer.ok)
        text = answer.text;
    return answer.ok;
}

QString ScriptedPrompts::ChooseFolder(const QString &title)
{
    shown << QStringLiteral("folder: ") + title;
    if (m_folders.isEmpty()) {
        ++unexpected;
        return QString();
    }
    return m_folders.dequeue();
}
