#pragma once

#include <QColor>

namespace kiv::ui {

// Colours are kept as 0x00BBGGRR, the form the settings and tables use.
inline QColor FromBgr(unsigned bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace kiv::ui
