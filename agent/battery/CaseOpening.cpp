// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaseOpening.h"

#include "Logging.h"
#include "Settings.h"
#include "bluetooth/BluetoothService.h"

CaseOpening::CaseOpening(BluetoothService *bluetooth, QObject *parent)
    : QObject(parent)
    , m_bluetooth(bluetooth)
    , m_clock(&BatteryState::now)
{
    if (!bluetooth) {
        return;
    }
    connect(bluetooth, &BluetoothService::caseOpened, this, &CaseOpening::onCaseOpened);
    connect(bluetooth, &BluetoothService::disconnectedByUser, this,
            [this](const QString &path) { m_userDisconnects.insert(path, m_clock()); });
}

void CaseOpening::setQuietAfterDisconnect(std::chrono::milliseconds quiet)
{
    m_quiet = quiet;
}

void CaseOpening::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(&BatteryState::now);
}

bool CaseOpening::isQuiet(const QString &path, std::chrono::milliseconds now) const
{
    const auto disconnected = m_userDisconnects.constFind(path);
    return disconnected != m_userDisconnects.cend() && now - *disconnected < m_quiet;
}

void CaseOpening::onCaseOpened(const QString &path)
{
    if (!m_bluetooth) {
        return;
    }
    const BluetoothDevice device = m_bluetooth->device(path);
    if (!device.isAirpods() || device.connected) {
        return;
    }
    const Settings settings;
    const bool hud = settings.showHudOnConnection();
    const bool quiet = isQuiet(path, m_clock());
    if (!settings.connectWhenCaseOpens() || quiet) {
        if (quiet && settings.connectWhenCaseOpens()) {
            qCInfo(lcBattery).noquote() << "Not connecting" << path << "as its case opened: the user disconnected it"
                                        << "a moment ago";
        }
        if (hud) {
            Q_EMIT hudRequested(path);
        }
        return;
    }
    // The connection brings its own heads-up window; this one only stands in when it fails.
    qCInfo(lcBattery).noquote() << "Connecting" << path << "as its case opened";
    PendingConnect *attempt = m_bluetooth->connectDevice(path);
    connect(attempt, &PendingConnect::finished, this, [this, path, hud](int status) {
        if (status == PendingConnect::Success) {
            return;
        }
        qCInfo(lcBattery).noquote() << "Connecting" << path << "as its case opened failed, status" << status;
        if (hud) {
            Q_EMIT hudRequested(path);
        }
    });
}
