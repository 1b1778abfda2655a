// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>

class BluetoothService;

/**
 * What happens when the case of one of the user's pairs opens nearby while it is not connected here
 * (BluetoothService::caseOpened(), which only the pair's own proven advertisements raise): with "Connect When Case
 * Opens" on, the pair is connected (Device1.Connect), except within QuietAfterDisconnect of the user disconnecting
 * that pair with our button, as they plainly did not want it then. With "Show Hud On Connection" on, one heads-up
 * window shows it (hudRequested()): the connection's own, or where nothing connects (not asked for, quiet, or the
 * attempt failed) one showing the pair as it is nearby.
 */
class CaseOpening : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<std::chrono::milliseconds()>;

    static constexpr std::chrono::milliseconds QuietAfterDisconnect = std::chrono::minutes(5);

    explicit CaseOpening(BluetoothService *bluetooth, QObject *parent = nullptr);

    /// Replaces the quiet period, for tests that cannot wait minutes.
    void setQuietAfterDisconnect(std::chrono::milliseconds quiet);
    /// Replaces the clock (BatteryState::now() unless set).
    void setClock(Clock clock);

    /// Whether the pair at @p path was disconnected by the user within the quiet period, at @p now.
    bool isQuiet(const QString &path, std::chrono::milliseconds now) const;

Q_SIGNALS:
    /// A heads-up window should show the pair at @p path.
    void hudRequested(const QString &path);

private:
    void onCaseOpened(const QString &path);

    QPointer<BluetoothService> m_bluetooth;
    Clock m_clock;
    std::chrono::milliseconds m_quiet = QuietAfterDisconnect;
    QHash<QString, std::chrono::milliseconds> m_userDisconnects;
};
