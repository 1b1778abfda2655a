// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariant>

class QDBusMessage;

/// The desktop's light or dark appearance, as values.
class SystemAppearance
{
public:
    enum Value { light, dark };

    /// The appearance that a portal color-scheme value stands for: 1 is dark, anything else light.
    /// Nested variants, as the portal's older Read answers, are unwrapped.
    static Value fromColorScheme(const QVariant &value);
};

/**
 * Where the agent's parts read the desktop's appearance: getCurrent() answers at once from the last value the
 * desktop reported (light until it has reported anything). PortalAppearance is the real one; tests give their own.
 */
class Appearance : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual SystemAppearance::Value getCurrent() const = 0;
    bool isDark() const { return getCurrent() == SystemAppearance::dark; }

Q_SIGNALS:
    /// The first answer of the desktop arrived and differs from the light appearance assumed until then.
    void initialAppearanceRead();
    /// The desktop announced a change of its color scheme.
    void appearanceChanged();
};

/**
 * Follows org.freedesktop.appearance color-scheme through the desktop portal: reads it once at start
 * (ReadOne, or the older Read where the portal lacks it) and then follows SettingChanged. Without a
 * portal the appearance stays light, with one line on standard error.
 */
class PortalAppearance : public Appearance
{
    Q_OBJECT

public:
    explicit PortalAppearance(const QDBusConnection &sessionBus, QObject *parent = nullptr);

    void start();
    SystemAppearance::Value getCurrent() const override { return m_current; }

private Q_SLOTS:
    void onSettingChanged(const QDBusMessage &message);

private:
    void read(const QString &method);

    QDBusConnection m_bus;
    SystemAppearance::Value m_current = SystemAppearance::light;
};
