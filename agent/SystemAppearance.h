// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariant>

class QDBusMessage;

/**
 * The desktop's light or dark appearance. getCurrent() answers at once from the last value the desktop
 * reported (light until it has reported anything); PortalAppearance keeps that value current.
 */
class SystemAppearance
{
public:
    enum Value { light, dark };

    static Value getCurrent();
    static void setCurrent(Value value);

    /// The appearance that a portal color-scheme value stands for: 1 is dark, anything else light.
    /// Nested variants, as the portal's older Read answers, are unwrapped.
    static Value fromColorScheme(const QVariant &value);
};

/**
 * Follows org.freedesktop.appearance color-scheme through the desktop portal: reads it once at start
 * (ReadOne, or the older Read where the portal lacks it) and then follows SettingChanged. Without a
 * portal the appearance stays light, with one line on standard error.
 */
class PortalAppearance : public QObject
{
    Q_OBJECT

public:
    explicit PortalAppearance(const QDBusConnection &sessionBus, QObject *parent = nullptr);

    void start();

Q_SIGNALS:
    /// The first answer of the portal arrived and differs from the light appearance assumed until then.
    void initialAppearanceRead();
    /// The desktop announced a change of its color scheme.
    void appearanceChanged();

private Q_SLOTS:
    void onSettingChanged(const QDBusMessage &message);

private:
    void read(const QString &method);

    QDBusConnection m_bus;
};
