#pragma once

#include <QIcon>

namespace qv {

// The program's icon for its windows, drawn at 16, 32, 48, 64, 128 and 256 pixels (the Qt resources
// ":/icons/quorvane-<size>.png", the same pictures the desktop's icon theme gets).
QIcon ApplicationIcon();

} // namespace qv
