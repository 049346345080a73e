#pragma once

#include "platform/IPrompts.h"

#include <QQueue>
#include <QStringList>

// Prompts answered from queues filled in advance; every prompt shown is recorded.
// A prompt with no queued answer is answered "cancel"/"no" and counted as unexpected.
class ScriptedPrompts final : public IPrompts
{
public:
    struct Input
    {
        bool ok;
        QString text;
    };

    void QueueQuestion(bool yes) { m_questions.enqueue(yes); }
    void QueueInput(bool ok, const QString &text = QString()) { m_inputs.enqueue({ok, text}); }
    void QueueFolder(const QString &folder) { m_folders.enqueue(folder); }

    void Information(const QString &text) override;
    void Warning(const QString &text) override;
    bool Question(const QString &text) override;
    bool InputQuery(const QString &caption, const QString &prompt, QString &text) override;
    QString ChooseFolder(const QString &title) override;

    // Every prompt, in order, as "kind: text" ("info", "warning", "question", "input", "folder").
    QStringList shown;
    // Texts of the input prompts, with the text they offered: "prompt|text".
    QStringList inputsOffered;
    int unexpected = 0;

private:
    QQueue<bool> m_questions;
    QQueue<Input> m_inputs;
    QQueue<QString> m_folders;
};
