// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

#include <optional>

/**
 * The agent's options, kept in the settings file both programs share: an INI file named after
 * SettingsSuite in the user's config directory ($XDG_CONFIG_HOME). Nobody else spells a key or opens
 * the file.
 *
 * The other program writes the file too, so every getter reads it afresh and nothing is cached; an
 * object is cheap and may be made for a single read. An absent key reads false, except the low-battery
 * warning and the media pause, which are on until switched off, and the threshold, which reads DefaultLowBatteryThreshold when
 * absent or not a number, and is kept within MinimumLowBatteryThreshold..MaximumLowBatteryThreshold. A
 * file that cannot be read or parsed reads as all-false (and the default threshold), with one line on
 * standard error.
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

    static constexpr int DefaultLowBatteryThreshold = 20;
    static constexpr int MinimumLowBatteryThreshold = 5;
    static constexpr int MaximumLowBatteryThreshold = 50;

    /// Where the settings file lives on disk.
    static QString filePath();

    bool hideMenu() const;
    bool showHudOnConnection() const;
    bool settingsButton() const;
    bool connectButton() const;
    /// Pause the playing media players when an AirPod is taken out of an ear; on when absent.
    bool pauseMediaWhenTakenOut() const;
    /// Connect a pair of ours that is not connected here when its case opens nearby; off when absent.
    bool connectWhenCaseOpens() const;
    /// Whether the agent warns when a part of the AirPods falls to lowBatteryThreshold() percent or below.
    bool lowBatteryWarning() const;
    int lowBatteryThreshold() const;

    void setHideMenu(bool on);
    void setShowHudOnConnection(bool on);
    void setSettingsButton(bool on);
    void setConnectButton(bool on);
    void setPauseMediaWhenTakenOut(bool on);
    void setConnectWhenCaseOpens(bool on);
    void setLowBatteryWarning(bool on);
    void setLowBatteryThreshold(int percent);

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
    /// What the file holds for @p key (invalid when absent); none when the file cannot be trusted.
    std::optional<QVariant> stored(const QString &key) const;

    QMap<QString, QVariant> m_pending;
    QString m_errorString;
};
