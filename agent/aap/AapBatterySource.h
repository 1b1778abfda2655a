// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AapPacket.h"
#include "bluetooth/BatterySource.h"

#include <QDBusConnection>
#include <QHash>
#include <QPointer>

#include <chrono>

class AapKeyStore;
class AccessoryLink;
class AccessoryLinks;
class BluetoothService;
struct BluetoothDevice;
class QTimer;

/**
 * Exact levels from the AirPods themselves, read from the accessory link of every connected pair (AccessoryLinks):
 * battery, in-ear and noise control reports, the model the pair names in its metadata, and its keys. What a link
 * reported holds only while it is open: when it ends, the next best source stands in until it is back.
 *
 * The source also keeps the noise control mode each session reports, and sets it (noiseMode(), setNoiseMode()); the
 * mode is forgotten when the session ends, as it may change unseen until the next one reports it.
 *
 * The first session with a pair asks for its keys and keeps them (AapKeyStore), so that its advertisements can be
 * told from other pairs' (identityKey()) and their sealed levels read (pairKeys()); a pair whose encryption key is
 * missing is asked again. They are forgotten when the pair is unpaired: BlueZ removes the device
 * while its adapter stays. An adapter that goes away (a dongle unplugged) takes its devices along, and keeps them.
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

    /// The keys kept for the device at @p path: its identity resolving key and its encryption key, where known.
    Aap::KeysReport pairKeys(const QString &path) const;
    /// The identity resolving key kept for the device at @p path, if any.
    std::optional<std::array<std::uint8_t, 16>> identityKey(const QString &path) const;

    /// Replaces the pauses between attempts, for tests that cannot wait.
    void setRetryTiming(std::chrono::milliseconds first, std::chrono::milliseconds longest);
    /// How long a removed device's keys wait for its adapter to go too before they are forgotten.
    static constexpr std::chrono::milliseconds AdapterGrace{2000};

private:
    struct Reading {
        BatteryState state;
        bool primaryIsLeft = true;
        std::optional<NoiseMode> noiseMode;
    };

    void subscribe(const QString &path, AccessoryLink *link);
    void forget(const QString &path);
    void onMessage(const QString &path, const Aap::Message &message);
    void onBattery(const QString &path, const Aap::BatteryReport &report);
    void onInEar(const QString &path, const Aap::InEarReport &report);
    void onNoiseMode(const QString &path, std::optional<NoiseMode> mode);
    void onRemoved(const BluetoothDevice &device);

    QPointer<BluetoothService> m_bluetooth;
    AccessoryLinks *m_links = nullptr;
    AapKeyStore *m_keys = nullptr;
    QHash<QString, Reading> m_readings;
    // Keys by device address, read from the key store once and kept in step with what we store.
    mutable QHash<QString, Aap::KeysReport> m_pairKeys;
};
