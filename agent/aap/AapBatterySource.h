// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AapPacket.h"
#include "bluetooth/BatterySource.h"

#include <QDBusConnection>
#include <QHash>
#include <QPointer>

#include <chrono>

class AapKeyStore;
class AapProfile;
class AapSession;
class BluetoothService;
struct BluetoothDevice;
class QTimer;

/**
 * Exact levels from the AirPods themselves: for every connected AirPods device, an accessory protocol session
 * (AapSession) on a channel that BlueZ opens for our profile (AapProfile), or, where BlueZ cannot (the device has
 * no service record for it), on an L2CAP socket of our own to PSM 0x1001. AirPods often refuse the channel for a
 * while after connecting, and it can drop while the audio stays: the source tries again with a growing pause
 * (with some jitter, at most MaximumRetries times per connection) for as long as the device stays connected, and
 * closes the session when it disconnects.
 *
 * The source also keeps the noise control mode each session reports, and sets it (noiseMode(), setNoiseMode()); the
 * mode is forgotten when the session ends, as it may change unseen until the next one reports it.
 *
 * The first session with a pair asks for its keys and keeps them (AapKeyStore), so that its advertisements can be
 * told from other pairs' (identityKey()) and their sealed levels read (pairKeys()); they are forgotten when BlueZ
 * removes the device. A pair whose encryption key is missing is asked again.
 */
class AapBatterySource : public BatterySource
{
    Q_OBJECT

public:
    AapBatterySource(BluetoothService *bluetooth,
                     const QDBusConnection &systemBus,
                     AapKeyStore *keys,
                     QObject *parent = nullptr);
    ~AapBatterySource() override;

    std::optional<BatteryState> state(const QString &path) const override;
    std::optional<NoiseMode> noiseMode(const QString &path) const override;
    bool setNoiseMode(const QString &path, NoiseMode mode) override;

    /// The identity resolving key kept for the device at @p path, if any.
    /// Both keys of the device at @p path as stored.
    Aap::KeysReport pairKeys(const QString &path) const;
    std::optional<std::array<std::uint8_t, 16>> identityKey(const QString &path) const;

    static constexpr std::chrono::milliseconds FirstRetry{2000};
    static constexpr std::chrono::milliseconds LongestRetry{30000};
    static constexpr int MaximumRetries = 12;
    /// Replaces the pauses between attempts, for tests that cannot wait.
    void setRetryTiming(std::chrono::milliseconds first, std::chrono::milliseconds longest);


private:
    struct Link {
        QPointer<AapSession> session;
        QTimer *retry = nullptr;
        int attempts = 0;
        bool requesting = false;
        int socketFd = -1; // our own L2CAP socket while it connects
        BatteryState state;
        bool primaryIsLeft = true;
        std::optional<NoiseMode> noiseMode;
    };

    void follow(const BluetoothDevice &device);
    void open(const QString &path);
    void onConnectFinished(const QString &path, const QString &errorName, const QString &errorMessage);
    void onNewConnection(const QString &path, int fd);
    void openOwnSocket(const QString &path);
    void startSession(const QString &path, int fd);
    void scheduleRetry(const QString &path, const QString &why);
    void drop(const QString &path);
    void onBattery(const QString &path, const Aap::BatteryReport &report);
    void onInEar(const QString &path, const Aap::InEarReport &report);
    void onNoiseMode(const QString &path, std::optional<NoiseMode> mode);

    QPointer<BluetoothService> m_bluetooth;
    AapProfile *m_profile = nullptr;
    AapKeyStore *m_keys = nullptr;
    QHash<QString, Link> m_links;
    // Keys by device address, read from the key store once and kept in step with what we store.
    mutable QHash<QString, Aap::KeysReport> m_pairKeys;
    std::chrono::milliseconds m_firstRetry = FirstRetry;
    std::chrono::milliseconds m_longestRetry = LongestRetry;
};
