// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>

/**
 * Claims a well-known name on the session bus, without queueing, so that only one copy of a program
 * runs per user. The answer arrives asynchronously: acquired() or alreadyRunning(), exactly once.
 * Without a session bus the program runs anyway: acquired() follows a warning.
 */
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    SingleInstance(const QDBusConnection &bus, const QString &serviceName, QObject *parent = nullptr);

    void request();

Q_SIGNALS:
    void acquired();
    void alreadyRunning();

private:
    QDBusConnection m_bus;
    QString m_serviceName;
};
