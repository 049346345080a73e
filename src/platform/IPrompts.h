#pragma once

#include <QString>

// Modal questions and messages. Logic asks through this so tests can answer in advance.
class IPrompts
{
public:
    virtual ~IPrompts() = default;

    // Message box with an OK button: information and warning flavours.
    virtual void Information(const QString &text) = 0;
    virtual void Warning(const QString &text) = 0;
    // Yes/No question; true for Yes.
    virtual bool Question(const QString &text) = 0;
    // Yes/No question that only No refuses: closing the box any other way (Escape, the
    // close button) goes on. True unless No.
    virtual bool ConfirmUnlessNo(const QString &text) { return Question(text); }
    // One-line input (`ShowInputDialog`): true when confirmed; `text` is the shown
    // text on entry and the typed text on return.
    virtual bool InputQuery(const QString &caption, const QString &prompt, QString &text) = 0;
    // Folder chooser with the given title; empty when cancelled.
    virtual QString ChooseFolder(const QString &title) = 0;
};
