// SPDX-License-Identifier: GPL-3.0-or-later
#include "AirpodsPanelModel.h"

#include <algorithm>
#include <iterator>

const QColor AirpodsPanelModel::ConnectedTint = QColor(255, 158, 158);
const QColor AirpodsPanelModel::DisconnectedTint = QColor(158, 185, 255);

QString AirpodsPanelModel::batteryIconName(qint64 level)
{
    if (level >= 91) {
        return QStringLiteral("good");
    }
    if (level >= 60) {
        return QStringLiteral("ok");
    }
    if (level >= 40) {
        return QStringLiteral("medium");
    }
    if (level >= 10) {
        return QStringLiteral("bad");
    }
    return QStringLiteral("empty");
}

qint64 AirpodsPanelModel::combinedLevel(qint64 left, qint64 right)
{
    // A bud without a reading (0) must not halve the other's level. Division truncates, as intended.
    if (left <= 0 || right <= 0) {
        return std::max<qint64>(std::max(left, right), 0);
    }
    return (left + right) / 2;
}

QString AirpodsPanelModel::percentText(qint64 level)
{
    return QString::number(level) + QLatin1Char('%');
}

QList<BluetoothDevice> AirpodsPanelModel::airpodsAmong(const QList<BluetoothDevice> &devices)
{
    QList<BluetoothDevice> airpods;
    std::copy_if(devices.cbegin(), devices.cend(), std::back_inserter(airpods), [](const BluetoothDevice &device) {
        return device.isAirpods();
    });
    return airpods;
}

QList<BluetoothDevice> AirpodsPanelModel::getAirpods(const QList<BluetoothDevice> &pairedDevices)
{
    const QList<BluetoothDevice> airpods = airpodsAmong(pairedDevices);
    if (!airpods.isEmpty()) {
        m_airpodsDevice = airpods.constLast().path;
    }
    return airpods;
}

void AirpodsPanelModel::getAirpodsInfos(const QList<BluetoothDevice> &pairedDevices, const ReadingsProvider &readings)
{
    const QList<BluetoothDevice> airpods = getAirpods(pairedDevices);
    if (airpods.isEmpty()) {
        applyNoAirpods();
        return;
    }
    int connected = 0;
    for (const BluetoothDevice &device : airpods) {
        if (device.connected) {
            ++connected;
            reloadInfos(device, readings(device));
            // With several pairs, the button must act on the pair it shows, not on the last one paired.
            m_airpodsDevice = device.path;
        }
    }
    m_areAirpodsConnected = connected > 0;
    if (connected == 0) {
        applyDisconnected();
    }
}

void AirpodsPanelModel::reloadInfos(const BluetoothDevice &device, const BatteryReadings &readings)
{
    m_state.name = device.name;
    const qint64 left = readings.left;
    const qint64 right = readings.right;
    const qint64 caseLevel = readings.caseLevel;
    const qint64 combined = combinedLevel(left, right);

    if (caseLevel != 0) {
        m_state.cover = PanelImages::FullCover;
        m_state.globalText.hidden = false;
        m_state.leftText.hidden = true;
        m_state.rightText.hidden = true;
        m_state.caseText.hidden = false;
        m_state.globalIcon.hidden = false;
        m_state.leftIcon.hidden = true;
        m_state.rightIcon.hidden = true;
        m_state.caseIcon.hidden = false;
        m_state.globalText.content = percentText(combined);
        m_state.caseText.content = percentText(caseLevel);
        m_state.globalIcon.content = batteryIconName(combined);
        m_state.caseIcon.content = batteryIconName(caseLevel);
    } else {
        m_state.cover = PanelImages::BudsOnly;
        m_state.globalText.hidden = true;
        m_state.leftText.hidden = false;
        m_state.rightText.hidden = false;
        m_state.caseText.hidden = true;
        m_state.globalIcon.hidden = true;
        m_state.leftIcon.hidden = false;
        m_state.rightIcon.hidden = false;
        m_state.caseIcon.hidden = true;
        const auto fillBud = [](PanelElement &text, PanelElement &icon, qint64 level) {
            if (level <= 0) {
                text.content = QString();
                icon.content = PanelImages::NoAirpods;
            } else {
                text.content = percentText(level);
                icon.content = batteryIconName(level);
            }
        };
        fillBud(m_state.leftText, m_state.leftIcon, left);
        fillBud(m_state.rightText, m_state.rightIcon, right);
    }
    m_state.buttonHidden = false;
    m_state.buttonImage = PanelImages::Stop;
    m_state.buttonTint = ConnectedTint;
}

void AirpodsPanelModel::hideAllReadings()
{
    for (PanelElement *element : {&m_state.globalText, &m_state.leftText, &m_state.rightText, &m_state.caseText,
                                  &m_state.globalIcon, &m_state.leftIcon, &m_state.rightIcon, &m_state.caseIcon}) {
        element->hidden = true;
    }
}

void AirpodsPanelModel::applyNoAirpods()
{
    m_areAirpodsConnected = false;
    m_state.cover = PanelImages::Disconnected;
    hideAllReadings();
    m_state.name = QStringLiteral("No Airpods");
    m_airpodsDevice.reset();
    m_state.buttonHidden = true;
}

void AirpodsPanelModel::applyDisconnected()
{
    m_state.cover = PanelImages::Disconnected;
    hideAllReadings();
    m_state.name = QStringLiteral("Disconnected");
    m_state.buttonHidden = false;
    m_state.buttonImage = PanelImages::Refresh;
    m_state.buttonTint = DisconnectedTint;
}
