#pragma once

#include "platform/IPrompts.h"

#include <QPointer>
#include <QWidget>

// Prompts as modal dialogs owned by a window (the main window once it exists).
class QtPrompts final : public IPrompts
{
public:
    void SetOwner(QWidget *owner) { m_owner = owner; }

    void Information(const QString &text) override;
    void Warning(const QString &text) override;
    bool Question(const QString &text) override;
    bool ConfirmUnlessNo(const QString &text) override;
    bool InputQuery(const QString &caption, const QString &prompt, QString &text) override;
    QString ChooseFolder(const QString &title) override;

private:
    QPointer<QWidget> m_owner;
};
