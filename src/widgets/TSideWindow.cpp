#include "widgets/TSideWindow.h"

#include <algorithm>

TSideWindow::TSideWindow(const QString &componentName, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(componentName);
    setWindowTitle(componentName);
}

void TSideWindow::SetAlpha(int alpha)
{
    m_alpha = std::clamp(alpha, 0, 255);
    setWindowOpacity(m_alpha / 255.0);
}
