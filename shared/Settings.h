// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QObject>
#include <QString>

/**
 * The agent's options, kept in the settings file both programs share: an INI file named after
 * SettingsSuite in the user's config directory ($XDG_CONFIG_HOME). Nobody else spells a key or opens
 * the file.
 *
 * The other program writes the file too, so every getter reads it afresh and nothing is cached; an
 * object is cheap and may be made for a single read. An absent key reads false, except where a getter says
 * otherwise. A file that cannot be
 * read or parsed reads as all-false, with one line on standard error.
 *
 * Setters only note a value; save() writes the noted values into the file as it is then, replacing the
 * file atomically, so a failed save never leaves a half-written file. save() drops the noted values
 * either way: after a failure the getters read what is still stored.
 */
class Settings : public QObject
{
    Q_OBJECT

public:
    explicit Settings(QObject *parent = nullptr);
    ~Settings() override;

    /// Where the settings file lives on disk.
    static QString filePath();

    bool hideMenu() const;
    bool showHudOnConnection() const;
    bool settingsButton() const;
    bool connectButton() const;
    /// Pause the playing media players when an AirPod is taken out of an ear; on when absent.
    bool pauseMediaWhenTakenOut() const;

    void setHideMenu(bool on);
    void setShowHudOnConnection(bool on);
    void setSettingsButton(bool on);
    void setConnectButton(bool on);
    void setPauseMediaWhenTakenOut(bool on);

    /**
     * Writes the values set since the last save to the disk. Returns false, with one line on standard
     * error and the reason in errorString(), when it could not; the file is then left as it was.
     */
    bool save();

    /// Why the last save() failed; empty after a successful one.
    QString errorString() const;

Q_SIGNALS:
    /// A save() through this object reached the disk.
    void changed();

private:
    bool value(const QString &key, bool absent = false) const;

    QMap<QString, bool> m_pending;
    QString m_errorString;
};
