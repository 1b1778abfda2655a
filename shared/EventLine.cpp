// SPDX-License-Identifier: GPL-3.0-or-later
#include "EventLine.h"

#include <QString>

#include <cstdio>

void writeEventLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}
