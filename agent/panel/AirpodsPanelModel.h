// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bluetooth/BatteryState.h"
#include "bluetooth/BluetoothDevice.h"
#include "bluetooth/NoiseControl.h"
#include "bluetooth/PairList.h"

#include <QColor>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <optional>

/// The picture or icon an element of the panel shows, by the resource name of its artwork.
namespace PanelImages
{
inline const QString FullCover = QStringLiteral("airpodsFullCover");
inline const QString BudsOnly = QStringLiteral("airpodsHudAirpods");
inline const QString OverEar = QStringLiteral("airpodsOverEar");
inline const QString Disconnected = QStringLiteral("airpodsHudDisconnected");
inline const QString NoAirpods = QStringLiteral("noairpods");
// The connect/disconnect button's two images: connect (a refresh arrow) and disconnect (a stop mark).
inline const QString Refresh = QStringLiteral("view-refresh");
inline const QString Stop = QStringLiteral("process-stop");
} // namespace PanelImages

/// What one text or picture element of the panel shows. Hidden elements keep their last content.
struct PanelElement {
    bool hidden = false;
    QString content;

    bool operator==(const PanelElement &) const = default;
};

/// Everything the panel shows: its name, picture, four battery texts, four level icons, button and noise control.
struct PanelState {
    QString name;
    QString cover;
    PanelElement globalText, leftText, rightText, caseText;
    /// Level icons hold an icon name of the "Battery Icons" set (good, ok, ...) or PanelImages::NoAirpods.
    PanelElement globalIcon, leftIcon, rightIcon, caseIcon;
    bool buttonHidden = false;
    QString buttonImage;
    QColor buttonTint;
    /// The noise control row: one button per mode offered, in this order (none: no row), the current one marked.
    QList<NoiseMode> noiseModes;
    std::optional<NoiseMode> noiseMode;
    /// The levels come from an advertisement matched only by model and signal strength: they may be a stranger's.
    bool estimated = false;

    bool operator==(const PanelState &) const = default;
};

/**
 * Decides what the AirPods panel shows from the paired devices and their battery readings. It holds the
 * panel's state the way the panel's widgets would, because a refresh leaves what it hides untouched; the
 * panel widget only renders it. No widgets, no bus: tests drive it with plain device lists.
 */
class AirpodsPanelModel
{
    Q_DECLARE_TR_FUNCTIONS(AirpodsPanelModel)

public:
    /// Follows the level of a part that is charging: "87% ⚡".
    static inline const QString ChargingMark = QStringLiteral(" \u26A1");
    /// Comes before a level that may be another pair's (an advertisement matched by model and strength): "≈80%".
    static inline const QString EstimatedMark = QStringLiteral("\u2248");
    static const QColor ConnectedTint;
    static const QColor DisconnectedTint;

    /// The level icon's name for a battery level: good, ok, medium, bad or empty.
    static QString batteryIconName(qint64 level);
    /// The two buds' combined level: the mean of those with a reading, truncated; none without any.
    static std::optional<int> combinedLevel(std::optional<int> left, std::optional<int> right);
    /// "87%": the number immediately followed by a percent sign.
    static QString percentText(qint64 level);

    /// "Left 87 %, Right 91 %, Case 42 %", in the user's language: the levels there are, or "No battery reading".
    static QString levelsText(const BatteryState &battery);

    /// The tray's tool tip, title and text. One pair connected: its name and levels ("Left 87 %, Right 91 %,
    /// Case 42 %"). Several: each on a line of its own, "name: levels", in the panel's order, under the program's
    /// name. None: "Disconnected" / "No Airpods" under the program's name.
    static std::pair<QString, QString> toolTip(const QList<Pair> &pairs);

    /// The AirPods among @p pairs, in their order. The last of them becomes airpodsDevice().
    QList<Pair> getAirpods(const QList<Pair> &pairs);

    /// Refreshes the whole panel from @p pairs, in the order they are shown (PairList's): no AirPods, disconnected,
    /// or the first connected pair, which the button then acts on; while none is connected, it acts on the last
    /// paired AirPods. With @p shown, the panel shows the pair at that path instead: its levels while it is
    /// connected, else the disconnected state with the button to connect it.
    void getAirpodsInfos(const QList<Pair> &pairs, const QString &shown = QString());

    /// Fills the panel from one connected pair: its levels and the noise control mode it reported.
    void reloadInfos(const Pair &pair);

    /// Fills the panel from a pair that is not connected here but was heard nearby (its case opened): its name and
    /// levels, and the button to connect it.
    void showNearby(const Pair &pair);

    const PanelState &state() const { return m_state; }
    /// Unknown until the first refresh.
    std::optional<bool> areAirpodsConnected() const { return m_areAirpodsConnected; }
    /// The device that connect and disconnect act on, by object path; none without AirPods.
    std::optional<QString> airpodsDevice() const { return m_airpodsDevice; }

private:
    void applyNoAirpods();
    void applyDisconnected();
    void hideAllReadings();

    PanelState m_state;
    std::optional<bool> m_areAirpodsConnected;
    std::optional<QString> m_airpodsDevice;
};
