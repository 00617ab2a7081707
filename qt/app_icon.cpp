// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/app_icon.h"

namespace vantrel {

QIcon AppIcon() {
    QIcon icon;
    for (const char* size : {"16", "32", "48", "128"}) {
        icon.addFile(QString(":/icons/vantrel-%1.png").arg(size));
    }
    return icon;
}

}  // namespace vantrel
