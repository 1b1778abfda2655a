// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusReport.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace
{
const QString Left = QStringLiteral("left");
const QString Right = QStringLiteral("right");
const QString Case = QStringLiteral("case");
const QString Single = QStringLiteral("single");

QJsonValue orNull(const std::optional<int> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}
} // namespace

bool StatusReport::isAddress(const QString &text)
{
    static const QRegularExpression address(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    return address.match(text).hasMatch();
}

StatusReport::StatusReport(const std::optional<QJsonObject> &devices, int threshold, const QString &address)
    : m_devices(devices)
    , m_threshold(threshold)
{
    if (m_devices && !address.isEmpty()) {
        QJsonArray only;
        for (const QJsonValue &device : m_devices->value(QStringLiteral("devices")).toArray()) {
            if (device.toObject().value(QStringLiteral("address")).toString().compare(address, Qt::CaseInsensitive)
                == 0) {
                only.append(device);
            }
        }
        m_devices->insert(QStringLiteral("devices"), only);
    }
    if (m_devices) {
        const QJsonArray list = m_devices->value(QStringLiteral("devices")).toArray();
        const auto connected = std::find_if(list.cbegin(), list.cend(), [](const QJsonValue &device) {
            return device.toObject().value(QStringLiteral("connected")).toBool();
        });
        if (connected != list.cend()) {
            m_device = connected->toObject();
        }
    }
}

std::optional<int> StatusReport::percent(const QString &part) const
{
    // A single battery stands for both buds, as in the agent's panel.
    QJsonValue level = m_device.value(part);
    if (level.isUndefined() && part != Case) {
        level = m_device.value(Single);
    }
    const QJsonValue value = level.toObject().value(QStringLiteral("percent"));
    return value.isDouble() ? std::optional(value.toInt()) : std::nullopt;
}

bool StatusReport::charging(const QString &part) const
{
    QJsonValue level = m_device.value(part);
    if (level.isUndefined() && part != Case) {
        level = m_device.value(Single);
    }
    return level.toObject().value(QStringLiteral("charging")).toBool();
}

std::optional<int> StatusReport::lowest() const
{
    const std::optional<int> left = percent(Left);
    const std::optional<int> right = percent(Right);
    if (left && right) {
        return std::min(*left, *right);
    }
    return left ? left : right;
}

QString StatusReport::statusClass() const
{
    if (m_device.isEmpty()) {
        return QStringLiteral("disconnected");
    }
    bool low = false;
    bool anyCharging = false;
    for (const QString &bud : {Left, Right}) {
        const std::optional<int> level = percent(bud);
        low = low || (level && *level <= m_threshold && !charging(bud));
        anyCharging = anyCharging || charging(bud);
    }
    return low ? QStringLiteral("low") : anyCharging ? QStringLiteral("charging") : QStringLiteral("connected");
}

QJsonObject StatusReport::json() const
{
    QJsonArray chargingParts;
    for (const QString &part : {Left, Right, Case}) {
        if (!m_device.isEmpty() && charging(part)) {
            chargingParts.append(part);
        }
    }
    return {{QStringLiteral("agent"), m_devices.has_value()},
            {QStringLiteral("connected"), !m_device.isEmpty()},
            {QStringLiteral("name"), m_device.value(QStringLiteral("name")).toString()},
            {QStringLiteral("address"), m_device.value(QStringLiteral("address")).toString()},
            {Left, orNull(percent(Left))},
            {Right, orNull(percent(Right))},
            {Case, orNull(percent(Case))},
            {QStringLiteral("lowest"), orNull(lowest())},
            {QStringLiteral("charging"), chargingParts},
            {QStringLiteral("class"), statusClass()},
            {QStringLiteral("devices"),
             m_devices ? m_devices->value(QStringLiteral("devices")).toArray() : QJsonArray()}};
}

QStringList StatusReport::allLines() const
{
    QStringList lines;
    if (!m_devices) {
        return {tr("Earlume is not running")};
    }
    const QJsonArray list = m_devices->value(QStringLiteral("devices")).toArray();
    for (const QJsonValue &value : list) {
        StatusReport one(std::nullopt, m_threshold);
        one.m_device = value.toObject();
        const bool connected = one.m_device.value(QStringLiteral("connected")).toBool();
        const QString levels = one.levelsText();
        const bool known = one.m_device.value(QStringLiteral("source")).toString() != QLatin1String("none");
        const QString where = connected ? tr("connected") : known ? tr("nearby") : tr("not connected");
        const QString name = one.m_device.value(QStringLiteral("name")).toString();
        //: One pair in the list of all: "Pods: nearby, Left 87 %, Right 91 %"
        lines.append(known ? tr("%1: %2, %3").arg(name, where, levels) : tr("%1: %2").arg(name, where));
    }
    if (lines.isEmpty()) {
        lines.append(tr("No Airpods"));
    }
    return lines;
}

QString StatusReport::tooltip() const
{
    if (!m_devices) {
        return tr("Earlume is not running");
    }
    if (m_device.isEmpty()) {
        return tr("No AirPods connected");
    }
    return m_device.value(QStringLiteral("name")).toString() + u'\n' + levelsText();
}

QString StatusReport::levelsText() const
{
    QStringList parts;
    const auto add = [&](const QString &text, const QString &part) {
        if (const std::optional<int> level = percent(part)) {
            parts.append(text.arg(*level) + (charging(part) ? tr(" (charging)") : QString()));
        }
    };
    if (m_device.contains(Single) && !m_device.contains(Left) && !m_device.contains(Right)) {
        add(tr("Battery %1 %"), Single);
    } else {
        add(tr("Left %1 %"), Left);
        add(tr("Right %1 %"), Right);
    }
    add(tr("Case %1 %"), Case);
    //: Between the levels of the parts: "Left 87 %, Right 91 %"
    return parts.isEmpty() ? tr("No battery reading") : parts.join(tr(", "));
}

QJsonObject StatusReport::waybar() const
{
    const std::optional<int> level = lowest();
    QString text;
    if (!m_device.isEmpty()) {
        text = level ? QStringLiteral("%1 %").arg(*level) : m_device.value(QStringLiteral("name")).toString();
    }
    return {{QStringLiteral("text"), text},
            {QStringLiteral("tooltip"), tooltip()},
            {QStringLiteral("class"), statusClass()},
            {QStringLiteral("percentage"), level.value_or(0)}};
}

QString StatusReport::formatted(const QString &format) const
{
    const auto number = [](const std::optional<int> &value) {
        return value ? QString::number(*value) : QStringLiteral("-");
    };
    const QString name = m_device.value(QStringLiteral("name")).toString();
    QString line = format;
    // The name goes in last: braces in it are the user's, not ours.
    line.replace(QStringLiteral("{left}"), number(percent(Left)))
        .replace(QStringLiteral("{right}"), number(percent(Right)))
        .replace(QStringLiteral("{case}"), number(percent(Case)))
        .replace(QStringLiteral("{lowest}"), number(lowest()))
        .replace(QStringLiteral("{class}"), statusClass())
        .replace(QStringLiteral("{name}"), name.isEmpty() ? QStringLiteral("-") : name);
    return line;
}
