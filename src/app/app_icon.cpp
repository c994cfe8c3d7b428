#include "app/app_icon.h"

namespace qv {

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quorvane-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace qv
