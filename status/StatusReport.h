// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>

#include <optional>

/**
 * What earlume-status prints, worked out from the agent's devices object (the JSON of
 * com.vostel.Earlume.Devices1.GetDevices) without any bus: the status JSON (--once), a waybar custom-module object
 * (--waybar) and a line of the user's own format (--format). Plain logic.
 *
 * It speaks of the first connected AirPods in the agent's list, the pair its panel shows first, or of the pair with
 * a given address. Their class is "disconnected" (none connected, or no agent), "low" (a
 * bud at or below the threshold and not charging), "charging" (a bud charging) or "connected".
 */
class StatusReport
{
    Q_DECLARE_TR_FUNCTIONS(StatusReport)

public:
    /// @p devices is the agent's object, none when no agent answers; @p threshold the low-battery threshold. With
    /// @p address ("AA:BB:CC:DD:EE:FF", any case), only the AirPods with that address count, here and in the lists.
    StatusReport(const std::optional<QJsonObject> &devices, int threshold, const QString &address = QString());

    /// Whether @p text is a Bluetooth address: six pairs of hex digits parted by colons.
    static bool isAddress(const QString &text);

    /// {"agent", "connected", "name", "address", "left", "right", "case", "lowest", "charging", "class", "devices"};
    /// a level is a number of percent or null, "charging" lists the charging parts, "devices" is the agent's list.
    QJsonObject json() const;
    /// {"text", "tooltip", "class", "percentage"}: text is the lower bud's level ("87 %"), empty when disconnected,
    /// which hides the module.
    QJsonObject waybar() const;
    /// @p format with {name}, {left}, {right}, {case}, {lowest} and {class} replaced; a missing value is "-".
    QString formatted(const QString &format) const;

    /// One line per AirPods in the agent's list: "AirPods Pro: connected, Left 87 %, Right 91 %, Case 42 %", with
    /// "nearby" for a pair not connected here whose levels are known, "not connected" for the others.
    QStringList allLines() const;

    QString statusClass() const;
    std::optional<int> lowest() const;

private:
    std::optional<int> percent(const QString &part) const;
    bool charging(const QString &part) const;
    QString levelsText() const;
    QString tooltip() const;

    std::optional<QJsonObject> m_devices;
    QJsonObject m_device; ///< the first connected pair, empty when none
    int m_threshold;
};
