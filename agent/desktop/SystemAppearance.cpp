// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemAppearance.h"

#include "DBusNames.h"
#include "Logging.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

SystemAppearance::Value SystemAppearance::fromColorScheme(const QVariant &value)
{
    QVariant unwrapped = value;
    // The portal's Read wraps the value in one more variant than ReadOne does.
    for (int depth = 0; depth < 4 && unwrapped.canConvert<QDBusVariant>(); ++depth) {
        unwrapped = unwrapped.value<QDBusVariant>().variant();
    }
    bool ok = false;
    const uint scheme = unwrapped.toUInt(&ok);
    const bool isUnsigned = unwrapped.typeId() == QMetaType::UInt || unwrapped.typeId() == QMetaType::Int;
    return ok && isUnsigned && scheme == 1 ? dark : light;
}

PortalAppearance::PortalAppearance(const QDBusConnection &sessionBus, QObject *parent)
    : Appearance(parent)
    , m_bus(sessionBus)
{
}

void PortalAppearance::start()
{
    if (!m_bus.isConnected()) {
        return;
    }
    const bool listening = m_bus.connect(DBusNames::PortalService,
                                         DBusNames::PortalPath,
                                         DBusNames::PortalSettingsInterface,
                                         QStringLiteral("SettingChanged"),
                                         this,
                                         SLOT(onSettingChanged(QDBusMessage)));
    if (!listening) {
        qCWarning(lcAppearance) << "Cannot follow the desktop's appearance:" << m_bus.lastError().message();
    }
    read(QStringLiteral("ReadOne"));
}

void PortalAppearance::read(const QString &method)
{
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::PortalService,
                                                          DBusNames::PortalPath,
                                                          DBusNames::PortalSettingsInterface,
                                                          method);
    message << DBusNames::AppearanceNamespace << DBusNames::ColorSchemeKey;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isError()) {
            if (method == QLatin1String("ReadOne") && reply.error().type() == QDBusError::UnknownMethod) {
                read(QStringLiteral("Read"));
                return;
            }
            qCInfo(lcAppearance) << "No appearance setting from the desktop portal (" << reply.error().message()
                                 << "); using the light appearance";
            return;
        }
        const SystemAppearance::Value value = SystemAppearance::fromColorScheme(reply.value().variant());
        if (value != m_current) {
            m_current = value;
            Q_EMIT initialAppearanceRead();
        }
    });
}

void PortalAppearance::onSettingChanged(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() != 3 || args.at(0).toString() != DBusNames::AppearanceNamespace
        || args.at(1).toString() != DBusNames::ColorSchemeKey) {
        return;
    }
    m_current = SystemAppearance::fromColorScheme(args.at(2));
    Q_EMIT appearanceChanged();
}
