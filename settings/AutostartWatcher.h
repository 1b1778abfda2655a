// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>

/**
 * Watches the user's autostart folder and reports every change of it, or of the Earlume entry in it,
 * with changed(). A burst of file-system events (an atomic save is several) is reported once.
 *
 * Nothing is created just to be watched: while the folder is missing, its nearest existing parent is
 * watched instead, and only the folder's appearance is reported from there.
 */
class AutostartWatcher : public QObject
{
    Q_OBJECT

public:
    /// Watches LoginServiceKit::autostartDirectory().
    explicit AutostartWatcher(QObject *parent = nullptr);
    AutostartWatcher(const QString &directory, const QString &entryFileName, QObject *parent = nullptr);

    /// The folder watched at the moment: the autostart folder, or the nearest parent that exists.
    QString watchedDirectory() const;

Q_SIGNALS:
    void changed();

private:
    void rewatch();
    void handleChange();

    QString m_directory;
    QString m_entryFilePath;
    QString m_watchedDirectory;
    bool m_directoryExisted = false;
    bool m_changePending = false;
    QFileSystemWatcher m_watcher;
};
