// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

/**
 * The user's notification bus shared by both programs: one broadcast signal, Post(s name, s object), on
 * the session bus. Posting sends it with no destination and no reply; every process that observes the
 * name runs its handlers on its main thread. Names match as exact strings, and a signal of any other
 * signature reaches no handler. Observers stay for the life of their context object.
 */
class DistributedNotificationCenter : public QObject
{
    Q_OBJECT

public:
    explicit DistributedNotificationCenter(const QDBusConnection &bus, QObject *parent = nullptr);

    /// The process's own centre on the session bus, made on first use.
    static DistributedNotificationCenter *defaultCenter();

    /// Broadcasts @p name with @p object. Returns false (and warns once) when the bus is unreachable.
    bool post(const QString &name, const QString &object);

    /// Runs @p handler for every later post of exactly @p name, from any sender, while @p context lives.
    void addObserver(const QString &name, const QObject *context, std::function<void()> handler);

    bool isConnected() const;

    /// Calls @p done once everything posted so far has reached the bus daemon (or at once without a bus),
    /// so that a program can post its last word and then end.
    void flush(const QObject *context, std::function<void()> done);

Q_SIGNALS:
    /// Every well-formed post seen on the bus, our own included, before the observers run.
    void notificationReceived(const QString &name, const QString &object);

private Q_SLOTS:
    void handlePost(const QString &name, const QString &object);

private:
    struct Observer {
        QString name;
        QPointer<const QObject> context;
        std::function<void()> handler;
    };

    QDBusConnection m_bus;
    bool m_listening = false;
    bool m_warnedUnreachable = false;
    std::vector<Observer> m_observers;
};
