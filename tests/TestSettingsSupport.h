// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers shared by the settings program's tests.

#include "AgentLauncher.h"
#include "DistributedNotificationCenter.h"
#include "support/TestEnvironment.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUuid>

#include <cstdio>
#include <unistd.h>

/// Points $XDG_CONFIG_HOME at a fresh, empty folder for as long as it lives.
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

/// What @p action writes to this process's standard output, line by line.
template<typename Action>
QStringList standardOutputOf(Action action)
{
    QTemporaryFile file;
    file.open();
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(file.handle(), STDOUT_FILENO);
    action();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    file.seek(0);
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.constLast().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

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

/// Posts a fresh name on the connection this process's settings window posts on and waits for @p recorder to see
/// it: by then it has seen everything the window posted before.
inline bool flushed(PostRecorder &recorder)
{
    const QString sentinel = QUuid::createUuid().toString();
    DistributedNotificationCenter::defaultCenter()->post(sentinel, QString());
    return recorder.waitFor(sentinel);
}

/// The objects of the posts named @p name that @p recorder has seen: who posted them.
inline QStringList objectsOf(const PostRecorder &recorder, const QString &name)
{
    QStringList objects;
    for (const PostRecorder::Post &post : recorder.posts()) {
        if (post.name == name) {
            objects.append(post.object);
        }
    }
    return objects;
}
