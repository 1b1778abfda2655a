// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoTrayNotice.h"

#include "DBusNames.h"
#include "Logging.h"
#include "Notifications.h"
#include "desktop/Workspace.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTimer>

NoTrayNotice::NoTrayNotice(const QDBusConnection &sessionBus, Workspace *workspace, QObject *parent)
    : QObject(parent)
    , m_bus(sessionBus)
    , m_workspace(workspace)
    , m_poll(new QTimer(this))
{
    m_poll->setInterval(PollMs);
    connect(m_poll, &QTimer::timeout, this, &NoTrayNotice::update);
}

NoTrayNotice::~NoTrayNotice()
{
    if (m_registered) {
        m_bus.unregisterObject(DBusNames::TrayPath);
    }
}

QString NoTrayNotice::markerPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
        + QStringLiteral("/com.vostel.Earlume.no-tray-notice");
}

void NoTrayNotice::start()
{
    if (!m_bus.isConnected()) {
        return;
    }
    m_registered = m_bus.registerObject(DBusNames::TrayPath, DBusNames::TrayInterface, this,
                                        QDBusConnection::ExportScriptableSlots
                                            | QDBusConnection::ExportScriptableSignals);
    m_bus.connect(DBusNames::NotificationsService, DBusNames::NotificationsPath, DBusNames::NotificationsInterface,
                  QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
    auto *watcher = new QDBusServiceWatcher(DBusNames::StatusNotifierWatcherService, m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &owner) {
                m_watcher = !owner.isEmpty();
                update();
            });
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(DBusNames::DBusService, DBusNames::DBusPath,
                                                           DBusNames::DBusInterface, QStringLiteral("NameHasOwner"));
    hasOwner << DBusNames::StatusNotifierWatcherService;
    auto *call = new QDBusPendingCallWatcher(m_bus.asyncCall(hasOwner), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<bool> reply = *call;
        if (reply.isError()) {
            qCWarning(lcNotices) << "NameHasOwner" << DBusNames::DBusPath << "failed:" << reply.error().message();
        }
        m_watcher = m_watcher || (!reply.isError() && reply.value());
        update();
    });
    QTimer::singleShot(WaitMs, this, [this] {
        m_waited = true;
        update();
    });
}

bool NoTrayNotice::HasTrayHost() const
{
    return m_host;
}

void NoTrayNotice::update()
{
    if (!m_waited) {
        return;
    }
    const bool host = m_watcher || QSystemTrayIcon::isSystemTrayAvailable();
    // Without a host, look for an XEmbed tray now and then: it comes without a word on the bus.
    if (host) {
        m_poll->stop();
    } else if (!m_poll->isActive()) {
        m_poll->start();
    }
    if (host == m_host) {
        return;
    }
    m_host = host;
    qCInfo(lcNotices) << (host ? "A tray host has come" : "No tray host has come");
    Q_EMIT TrayHostChanged(host);
    if (!host && !QFile::exists(markerPath())) {
        notify();
    }
}

void NoTrayNotice::notify()
{
    const QString open = tr("Earlume Settings");
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("com.vostel.Earlume")}};
    QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::NotificationsService, DBusNames::NotificationsPath,
                                                          DBusNames::NotificationsInterface, QStringLiteral("Notify"));
    message.setArguments({QStringLiteral("Earlume"), 0u, QStringLiteral("com.vostel.Earlume"),
                          tr("Earlume is running, but its icon cannot be shown"),
                          tr("This desktop shows no tray icons. On GNOME, install and turn on the AppIndicator "
                             "extension (gnome-shell-extension-appindicator)."),
                          QStringList{QStringLiteral("default"), open, SettingsAction, open}, hints, -1});
    auto *call = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError()) {
            // Without a notification service there is nobody to tell; anything else is a fault.
            if (reply.error().type() == QDBusError::ServiceUnknown) {
                qCDebug(lcNotices) << "No notification service on the session bus; no word that no tray host has come";
            } else {
                qCWarning(lcNotices) << "Notify" << DBusNames::NotificationsPath << "failed:" << reply.error().message();
            }
            return;
        }
        m_noticeId = reply.value();
        // Said for this login: an agent started again later in it keeps quiet.
        QDir().mkpath(QFileInfo(markerPath()).path());
        QFile marker(markerPath());
        if (!marker.open(QIODevice::WriteOnly)) {
            qCWarning(lcNotices).noquote() << "Cannot write" << markerPath() << marker.errorString();
        }
    });
}

void NoTrayNotice::actionInvoked(uint id, const QString &key)
{
    if (id == m_noticeId && m_noticeId != 0 && (key == SettingsAction || key == QLatin1String("default"))
        && m_workspace) {
        m_workspace->openUrl(QUrl(SettingsURL));
    }
}
