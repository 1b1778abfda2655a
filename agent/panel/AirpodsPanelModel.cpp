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

std::pair<QString, QString> AirpodsPanelModel::toolTip(const QList<Pair> &pairs)
{
    QList<Pair> connected;
    std::copy_if(pairs.cbegin(), pairs.cend(), std::back_inserter(connected), [](const Pair &pair) {
        return pair.device.isAirpods() && pair.isConnected();
    });
    if (connected.isEmpty()) {
        const bool anyAirpods = std::any_of(pairs.cbegin(), pairs.cend(), [](const Pair &pair) {
            return pair.device.isAirpods();
        });
        return {QStringLiteral("Earlume"), anyAirpods ? tr("Disconnected") : tr("No Airpods")};
    }
    if (connected.size() == 1) {
        return {connected.constFirst().device.name, levelsText(connected.constFirst().battery)};
    }
    QStringList lines;
    for (const Pair &pair : std::as_const(connected)) {
        //: One connected pair in the tray's tool tip when several are: "AirPods Pro: Left 87 %, Right 91 %"
        lines.append(tr("%1: %2").arg(pair.device.name, levelsText(pair.battery)));
    }
    return {QStringLiteral("Earlume"), lines.join(u'\n')};
}

QList<Pair> AirpodsPanelModel::getAirpods(const QList<Pair> &pairs)
{
    QList<Pair> airpods;
    std::copy_if(pairs.cbegin(), pairs.cend(), std::back_inserter(airpods), [](const Pair &pair) {
        return pair.device.isAirpods();
    });
    if (!airpods.isEmpty()) {
        m_airpodsDevice = airpods.constLast().path();
    }
    return airpods;
}

void AirpodsPanelModel::getAirpodsInfos(const QList<Pair> &pairs, const QString &shown)
{
    const QList<Pair> airpods = getAirpods(pairs);
    if (airpods.isEmpty()) {
        applyNoAirpods();
        return;
    }
    const auto pair = std::find_if(airpods.cbegin(), airpods.cend(), [&shown](const Pair &pair) {
        return shown.isEmpty() ? pair.isConnected() : pair.path() == shown;
    });
    m_areAirpodsConnected = pair != airpods.cend() && pair->isConnected();
    if (*m_areAirpodsConnected) {
        reloadInfos(*pair);
        // With several pairs, the button must act on the pair it shows, not on the last one paired.
        m_airpodsDevice = pair->path();
        return;
    }
    if (!shown.isEmpty()) {
        m_airpodsDevice = shown;
    }
    applyDisconnected();
}

void AirpodsPanelModel::reloadInfos(const Pair &pair)
{
    const BluetoothDevice &device = pair.device;
    const BatteryState &battery = pair.battery;
    const auto percent = [](const std::optional<BatteryLevel> &level) {
        return level ? std::optional(level->percent) : std::nullopt;
    };
    const auto charging = [](const std::optional<BatteryLevel> &level) { return level && level->charging; };
    // A level of 0 % is a reading like any other; a missing one is no reading. A charging part wears a mark.
    const QString estimated = battery.origin == BatteryOrigin::Advertisement ? EstimatedMark : QString();
    m_state.estimated = !estimated.isEmpty();
    const auto fill = [&estimated](PanelElement &text, PanelElement &icon, std::optional<int> level, bool charging) {
        text.content = level ? estimated + percentText(*level) + (charging ? ChargingMark : QString()) : QString();
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
    m_state.noiseModes = NoiseControl::modesOf(device, pair.noiseMode);
    m_state.noiseMode = m_state.noiseModes.isEmpty() ? std::nullopt : pair.noiseMode;
}

void AirpodsPanelModel::showNearby(const Pair &pair)
{
    reloadInfos(pair);
    m_areAirpodsConnected = false;
    m_airpodsDevice = pair.path();
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
    m_state.estimated = false;
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
