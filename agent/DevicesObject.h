// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>

class PairList;

/**
 * The agent's AirPods and their readings for other programs (earlume-status, bars): the session-bus object
 * DBusNames::DevicesPath with the interface DBusNames::DevicesInterface.
 *
 * GetDevices() returns a JSON object, {"devices": [...]}, one entry per paired AirPods in the order the panel shows them (the connected pairs first, the earliest connected at the top): "path", "address", "name", "connected", "source" (accessory, proven-advertisement, advertisement, battery1
 * or none), and when known "left", "right", "case" and "single" ({"percent": n, "charging": bool}) and "leftInEar",
 * "rightInEar". DevicesChanged(json) carries the same object whenever it changes. JSON keeps clients in shell
 * scripts and bars simple, and leaves room for fields to come.
 */
class DevicesObject : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.vostel.Earlume.Devices1")

public:
    DevicesObject(PairList *pairs, const QDBusConnection &sessionBus, QObject *parent = nullptr);
    ~DevicesObject() override;

    /// The object described above, as it is now.
    QString devicesJson() const;

public Q_SLOTS:
    Q_SCRIPTABLE QString GetDevices() const;

Q_SIGNALS:
    Q_SCRIPTABLE void DevicesChanged(const QString &devices);

private:
    void update();

    PairList *m_pairs;
    QDBusConnection m_bus;
    QString m_last;
    bool m_registered = false;
};
