// SPDX-License-Identifier: GPL-3.0-or-later
#include "BluetoothService.h"

#include <QTimer>

void PendingConnect::finish(int status)
{
    // Even a failure known at once arrives through the event loop, so callers have a single path.
    QTimer::singleShot(0, this, [this, status] {
        Q_EMIT finished(status);
        deleteLater();
    });
}
