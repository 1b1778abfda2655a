// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QJsonObject>
#include <QObject>

#include <optional>

class QDBusServiceWatcher;

/**
 * The agent's devices object as a client sees it: asks com.vostel.Earlume.Devices1.GetDevices once started and
 * whenever the agent comes onto the session bus, follows DevicesChanged, and notices the agent leaving. Every
 * answer arrives through devicesChanged(): the agent's object, or none when no agent answers. Nothing blocks.
 */
class AgentDevicesClient : public QObject
{
    Q_OBJECT

public:
    explicit AgentDevicesClient(const QDBusConnection &sessionBus, QObject *parent = nullptr);
    ~AgentDevicesClient() override;

    /// Subscribes, watches the agent's name and asks it once.
    void start();

Q_SIGNALS:
    /// What the agent says now; none when it does not run (or gave no answer that could be read).
    void devicesChanged(const std::optional<QJsonObject> &devices);

private Q_SLOTS:
    void onDevicesChanged(const QString &devices);

private:
    void ask();
    static std::optional<QJsonObject> parse(const QString &json);

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher = nullptr;
    // Bumped by each change heard, so that an answer to an older question cannot undo it.
    quint64 m_generation = 0;
};
