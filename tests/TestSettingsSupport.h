// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers shared by the settings program's tests.

#include "AgentLauncher.h"
#include "DistributedNotificationCenter.h"

#include <QFile>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QUuid>

#include <cstdio>
#include <unistd.h>

/// Points $XDG_CONFIG_HOME at a fresh folder for as long as it lives.
class ScopedConfigHome
{
public:
    ScopedConfigHome()
        : m_previous(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    }
    ~ScopedConfigHome() { qputenv("XDG_CONFIG_HOME", m_previous); }
    ScopedConfigHome(const ScopedConfigHome &) = delete;
    ScopedConfigHome &operator=(const ScopedConfigHome &) = delete;

    QString path() const { return m_dir.path(); }

private:
    QByteArray m_previous;
    QTemporaryDir m_dir;
};

/// Sends everything written to standard output while it lives into a file, and reads it back as lines.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        m_file.open();
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~StdoutCapture() { restore(); }
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    /// Ends the capture and returns what was written, line by line.
    QStringList lines()
    {
        restore();
        QFile file(m_file.fileName());
        file.open(QIODevice::ReadOnly);
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.constLast().isEmpty()) {
            lines.removeLast();
        }
        return lines;
    }

private:
    void restore()
    {
        if (m_saved < 0) {
            return;
        }
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

/// Remembers what it was asked to start, and starts nothing.
class FakeAgentLauncher : public AgentLauncher
{
public:
    bool launch(const QString &path) override
    {
        launched.append(path);
        return true;
    }

    QStringList launched;
};

/**
 * Records every notification seen on a centre. A post of a fresh sentinel name, once seen, proves that
 * everything posted on the same connection before it has been seen too: that is how the tests show
 * that something was not posted, without waiting for a while.
 */
class NotificationRecorder : public QObject
{
public:
    explicit NotificationRecorder(DistributedNotificationCenter *center)
        : m_center(center)
    {
        connect(center,
                &DistributedNotificationCenter::notificationReceived,
                this,
                [this](const QString &name, const QString &object) {
                    posts.append({name, object});
                });
    }

    int count(const QString &name) const
    {
        int n = 0;
        for (const auto &post : posts) {
            n += post.first == name ? 1 : 0;
        }
        return n;
    }

    QStringList objectsOf(const QString &name) const
    {
        QStringList objects;
        for (const auto &post : posts) {
            if (post.first == name) {
                objects.append(post.second);
            }
        }
        return objects;
    }

    /// Posts a sentinel through @p center (the recorder's own by default) and waits until it comes back.
    [[nodiscard]] bool flush(DistributedNotificationCenter *center = nullptr)
    {
        const QString sentinel = QStringLiteral("test.sentinel.") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        (center ? center : m_center)->post(sentinel, QString());
        return QTest::qWaitFor([&] {
            return count(sentinel) > 0;
        });
    }

    QList<QPair<QString, QString>> posts;

private:
    DistributedNotificationCenter *m_center;
};
