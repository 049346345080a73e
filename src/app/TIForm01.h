#pragma once

#include <QWidget>

class ProfileFile;

// Base of the main window and the program's dialogs: a window that can remember its
// position and size in the settings file, and where Enter moves the focus to the next
// control as in a form with fields to fill in.
class TIForm01 : public QWidget
{
    Q_OBJECT
public:
    explicit TIForm01(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    // Only exactly 1 turns the remembered position on (the main window alone).
    void SetRememberPosition(unsigned char flag) { m_rememberPosition = flag; }
    unsigned char RememberPosition() const { return m_rememberPosition; }
    void SetSettingsPath(const QString &path) { m_settingsPath = path; }

    // Section name in the settings file: the window's component name.
    QString ComponentName() const { return objectName(); }

    void RestorePosition(const ProfileFile &ini);
    void SavePosition(ProfileFile &ini) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    void keyPressEvent(QKeyEvent *event) override;

    // Windows with their own key handling return false to keep Enter for themselves.
    virtual bool UsesEnterRule() const { return true; }
    // A window's own key handling, after the Enter rule; true when the key was taken.
    // It sees the keys typed anywhere in the window, before its controls do.
    virtual bool HandleFormKey(QKeyEvent *event)
    {
        Q_UNUSED(event);
        return false;
    }
    // The Enter rule: true when the key was taken (focus moved on).
    bool ApplyEnterRule(QWidget *focused, int key);

private:
    // Sends the keys of `widget` and of its children through the form first.
    void Watch(QWidget *widget);

    unsigned char m_rememberPosition = 0;
    QString m_settingsPath;
};

// The available areas of the screens of the running desktop, the primary first.
QList<QRect> AvailableScreenAreas();
