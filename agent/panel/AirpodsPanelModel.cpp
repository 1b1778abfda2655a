// SPDX-License-Identifier: GPL-3.0-or-later
#include "AirpodsPanelModel.h"

#include <algorithm>
#include <iterator>

#include <QStringList>

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

std::optional<int> AirpodsPanelModel::combinedLevel(std::optional<int> left, std::optional<int> right)
{
    // A bud without a reading must not halve the other's level. Division truncates, as intended.
    if (!left || !right) {
        return left ? left : right;
    }
    return (*left + *right) / 2;
}

QString AirpodsPanelModel::percentText(qint64 level)
{
    return QString::number(level) + QLatin1Char('%');
}

QString AirpodsPanelModel::levelsText(const BatteryState &battery)
{
    QStringList parts;
    const auto add = [&parts](const QString &text, const std::optional<BatteryLevel> &level) {
        if (level) {
            //: A part's level while it charges: "Case 42 % charging"
            parts.append(level->charging ? tr("%1 charging").arg(text.arg(level->percent)) : text.arg(level->percent));
        }
    };
    if (battery.single && !battery.left && !battery.right) {
        add(tr("Battery %1 %"), battery.single);
    } else {
        add(tr("Left %1 %"), battery.left);
        add(tr("Right %1 %"), battery.right);
    }
    add(tr("Case %1 %"), battery.caseBattery);
    if (parts.isEmpty()) {
        return tr("No battery reading");
    }
    //: Between the levels of the parts: "Left 87 %, Right 91 %"
    return parts.join(tr(", "));
}

QList<BluetoothDevice> AirpodsPanelModel::airpodsAmong(const QList<BluetoothDevice> &devices)
{
    QList<BluetoothDevice> airpods;
    std::copy_if(devices.cbegin(), devices.cend(), std::back_inserter(airpods), [](const BluetoothDevice &device) {
        return device.isAirpods();
    });
    return airpods;
}

std::pair<QString, QString> AirpodsPanelModel::toolTip(const QList<BluetoothDevice> &pairedDevices,
                                                      const ReadingsProvider &readings)
{
    const QList<BluetoothDevice> airpods = airpodsAmong(pairedDevices);
    // The panel draws every connected pair in turn and ends with the last one: the tool tip names that one.
    const auto shown = std::find_if(airpods.crbegin(), airpods.crend(), [](const auto &device) { return device.connected; });
    if (shown == airpods.crend()) {
        return {QStringLiteral("Earlume"), airpods.isEmpty() ? tr("No Airpods") : tr("Disconnected")};
    }
    return {shown->name, levelsText(readings(*shown))};
}

QList<BluetoothDevice> AirpodsPanelModel::getAirpods(const QList<BluetoothDevice> &pairedDevices)
{
    const QList<BluetoothDevice> airpods = airpodsAmong(pairedDevices);
    if (!airpods.isEmpty()) {
        m_airpodsDevice = airpods.constLast().path;
    }
    return airpods;
}

void AirpodsPanelModel::getAirpodsInfos(const QList<BluetoothDevice> &pairedDevices,
                                        const ReadingsProvider &readings,
                                        const NoiseModeProvider &noiseModes)
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
            reloadInfos(device, readings(device), noiseModes ? noiseModes(device) : std::nullopt);
            // With several pairs, the button must act on the pair it shows, not on the last one paired.
            m_airpodsDevice = device.path;
        }
    }
    m_areAirpodsConnected = connected > 0;
    if (connected == 0) {
        applyDisconnected();
    }
}

void AirpodsPanelModel::reloadInfos(const BluetoothDevice &device,
                                    const BatteryState &battery,
                                    std::optional<NoiseMode> noiseMode)
{
    const auto percent = [](const std::optional<BatteryLevel> &level) {
        return level ? std::optional(level->percent) : std::nullopt;
    };
    const auto charging = [](const std::optional<BatteryLevel> &level) { return level && level->charging; };
    // A level of 0 % is a reading like any other; a missing one is no reading. A charging part wears a mark.
    const auto fill = [](PanelElement &text, PanelElement &icon, std::optional<int> level, bool charging) {
        text.content = level ? percentText(*level) + (charging ? ChargingMark : QString()) : QString();
        icon.content = level ? batteryIconName(*level) : PanelImages::NoAirpods;
    };
    m_state.name = device.name;
    const std::optional<BatteryLevel> leftBud = battery.leftBud();
    const std::optional<BatteryLevel> rightBud = battery.rightBud();
    const std::optional<int> left = percent(leftBud);
    const std::optional<int> right = percent(rightBud);

    if (battery.isSingle()) {
        // One battery (over-ear headphones): one level row, nothing for buds or a case the model does not have.
        const bool overEar = device.model && device.model->picture == AirpodsModels::Picture::OverEar;
        m_state.cover = overEar ? PanelImages::OverEar : PanelImages::BudsOnly;
        m_state.globalText.hidden = false;
        m_state.globalIcon.hidden = false;
        for (PanelElement *element : {&m_state.leftText, &m_state.rightText, &m_state.caseText, &m_state.leftIcon,
                                      &m_state.rightIcon, &m_state.caseIcon}) {
            element->hidden = true;
        }
        fill(m_state.globalText, m_state.globalIcon, battery.single->percent, battery.single->charging);
    } else if (battery.caseBattery) {
        m_state.cover = PanelImages::FullCover;
        m_state.globalText.hidden = false;
        m_state.leftText.hidden = true;
        m_state.rightText.hidden = true;
        m_state.caseText.hidden = false;
        m_state.globalIcon.hidden = false;
        m_state.leftIcon.hidden = true;
        m_state.rightIcon.hidden = true;
        m_state.caseIcon.hidden = false;
        fill(m_state.globalText, m_state.globalIcon, combinedLevel(left, right), charging(leftBud) || charging(rightBud));
        fill(m_state.caseText, m_state.caseIcon, battery.caseBattery->percent, battery.caseBattery->charging);
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
        fill(m_state.leftText, m_state.leftIcon, left, charging(leftBud));
        fill(m_state.rightText, m_state.rightIcon, right, charging(rightBud));
    }
    m_state.buttonHidden = false;
    m_state.buttonImage = PanelImages::Stop;
    m_state.buttonTint = ConnectedTint;
    m_state.noiseModes = NoiseControl::modesOf(device, noiseMode);
    m_state.noiseMode = m_state.noiseModes.isEmpty() ? std::nullopt : noiseMode;
}

void AirpodsPanelModel::showNearby(const BluetoothDevice &device, const BatteryState &battery)
{
    reloadInfos(device, battery);
    m_areAirpodsConnected = false;
    m_airpodsDevice = device.path;
    m_state.buttonImage = PanelImages::Refresh;
    m_state.buttonTint = DisconnectedTint;
    m_state.noiseModes.clear();
    m_state.noiseMode.reset();
}

void AirpodsPanelModel::hideAllReadings()
{
    for (PanelElement *element : {&m_state.globalText, &m_state.leftText, &m_state.rightText, &m_state.caseText,
                                  &m_state.globalIcon, &m_state.leftIcon, &m_state.rightIcon, &m_state.caseIcon}) {
        element->hidden = true;
    }
    m_state.noiseModes.clear();
    m_state.noiseMode.reset();
}

void AirpodsPanelModel::applyNoAirpods()
{
    m_areAirpodsConnected = false;
    m_state.cover = PanelImages::Disconnected;
    hideAllReadings();
    m_state.name = tr("No Airpods");
    m_airpodsDevice.reset();
    m_state.buttonHidden = true;
}

void AirpodsPanelModel::applyDisconnected()
{
    m_state.cover = PanelImages::Disconnected;
    hideAllReadings();
    m_state.name = tr("Disconnected");
    m_state.buttonHidden = false;
    m_state.buttonImage = PanelImages::Refresh;
    m_state.buttonTint = DisconnectedTint;
}
