// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutostartWatcher.h"

#include "Logging.h"
#include "LoginServiceKit.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

AutostartWatcher::AutostartWatcher(QObject *parent)
    : AutostartWatcher(
        LoginServiceKit::autostartDirectory(), QFileInfo(LoginServiceKit::entryFilePath()).fileName(), parent)
{
}

AutostartWatcher::AutostartWatcher(const QString &directory, const QString &entryFileName, QObject *parent)
    : QObject(parent)
    , m_directory(QDir::cleanPath(directory))
    , m_entryFilePath(m_directory + QLatin1Char('/') + entryFileName)
    , m_directoryExisted(QFileInfo(m_directory).isDir())
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &AutostartWatcher::handleChange);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &AutostartWatcher::handleChange);
    rewatch();
}

QString AutostartWatcher::watchedDirectory() const
{
    return m_watchedDirectory;
}

void AutostartWatcher::rewatch()
{
    QString directory = m_directory;
    while (!QFileInfo(directory).isDir()) {
        const QString parent = QFileInfo(directory).path();
        if (parent == directory) {
            break;
        }
        directory = parent;
    }
    // The folder's watch is kept across changes so that no event between two watches is lost.
    if (directory != m_watchedDirectory) {
        if (!m_watchedDirectory.isEmpty()) {
            m_watcher.removePath(m_watchedDirectory);
        }
        m_watchedDirectory = directory;
        if (!m_watcher.addPath(directory)) {
            qCWarning(lcAutostart) << "Cannot watch" << directory << "for changes of the autostart entries";
        }
    }
    // An atomic save replaces the entry's file, which ends the old file's watch: watch the new one afresh.
    if (!m_watcher.files().isEmpty()) {
        m_watcher.removePaths(m_watcher.files());
    }
    if (m_watchedDirectory == m_directory && QFileInfo::exists(m_entryFilePath)) {
        m_watcher.addPath(m_entryFilePath);
    }
}

void AutostartWatcher::handleChange()
{
    const bool watchingParent = m_watchedDirectory != m_directory;
    const bool directoryExists = QFileInfo(m_directory).isDir();
    const bool directoryCameOrWent = directoryExists != m_directoryExisted;
    m_directoryExisted = directoryExists;
    rewatch();
    // A parent (the config folder) changes for many reasons, the settings file among them; only the
    // autostart folder's arrival concerns the login items.
    if (watchingParent && !directoryCameOrWent) {
        return;
    }
    if (m_changePending) {
        return;
    }
    m_changePending = true;
    QTimer::singleShot(0, this, [this] {
        m_changePending = false;
        Q_EMIT changed();
    });
}
