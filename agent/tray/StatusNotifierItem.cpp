// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/StatusNotifierItem.h"

#include "DBusHelper.h"
#include "DBusNames.h"
#include "Logging.h"
#include "tray/DBusMenuExporter.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

// The item's picture types: pixels (iiay) as ARGB32 in network byte order, and the tool tip (sa(iiay)ss).
struct SniIconPixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using SniIconPixmapList = QList<SniIconPixmap>;
struct SniToolTip {
    QString iconName;
    SniIconPixmapList pixmaps;
    QString title;
    QString text;
};
Q_DECLARE_METATYPE(SniIconPixmap)
Q_DECLARE_METATYPE(SniToolTip)

QDBusArgument &operator<<(QDBusArgument &argument, const SniIconPixmap &pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniIconPixmap &pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.bytes;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const SniToolTip &toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniToolTip &toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}

namespace
{
SniIconPixmap sniPixmap(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    SniIconPixmap pixmap{argb.width(), argb.height(), QByteArray(argb.width() * argb.height() * 4, '\0')};
    auto *out = reinterpret_cast<quint32 *>(pixmap.bytes.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const quint32 *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            *out++ = qToBigEndian(line[x]);
        }
    }
    return pixmap;
}

// Where our symbolic icons were installed, when that is not a folder the icon theme searches anyway (a
// prefix such as /opt or ~/.local/opt); empty otherwise, and when running from the build tree.
QString installedIconThemePath()
{
    const QString icons = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/icons"));
    if (!QFileInfo::exists(icons + QStringLiteral("/hicolor/scalable/status"))) {
        return {};
    }
    const QStringList dataDirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &data : dataDirs) {
        if (QDir::cleanPath(data + QStringLiteral("/icons")) == icons) {
            return {};
        }
    }
    return icons;
}
} // namespace

/// The org.kde.StatusNotifierItem interface of a StatusNotifierItem, as tray hosts call it.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(SniIconPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ none)
    Q_PROPERTY(SniIconPixmapList OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ none)
    Q_PROPERTY(SniIconPixmapList AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ none)
    Q_PROPERTY(QString IconAccessibleDesc READ accessibleDescription)
    // There is no attention picture: a host that shows one shows the same one.
    Q_PROPERTY(QString AttentionAccessibleDesc READ accessibleDescription)
    Q_PROPERTY(SniToolTip ToolTip READ toolTip)

public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem *item)
        : QDBusAbstractAdaptor(item)
        , m_item(item)
    {
    }

    QString category() const { return QStringLiteral("Hardware"); }
    QString id() const { return QStringLiteral("Earlume"); }
    QString title() const { return QStringLiteral("Earlume"); }
    // Hidden, the item is not on the bus at all (see StatusNotifierItem::setVisible), so it is Active here.
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString iconThemePath() const { return m_item->m_iconThemePath; }
    QDBusObjectPath menu() const { return QDBusObjectPath(DBusNames::DBusMenuPath); }
    bool itemIsMenu() const { return false; }
    // A host that would draw the symbolic icon as it is (its dark grey on a dark bar) gets only our pixels,
    // which are drawn for the desktop's appearance and keep a halo for the other shade.
    QString iconName() const { return m_item->m_hostKeepsIconColours ? QString() : m_item->m_iconName; }
    SniIconPixmapList iconPixmap() const
    {
        SniIconPixmapList result;
        for (const QImage &image : std::as_const(m_item->m_pictures)) {
            result.append(sniPixmap(image));
        }
        return result;
    }
    QString none() const { return {}; }
    QString accessibleDescription() const { return m_item->m_pictureDescription; }
    SniIconPixmapList noPixmaps() const { return {}; }
    SniToolTip toolTip() const { return {iconName(), {}, m_item->m_toolTipTitle, m_item->m_toolTip}; }

public Q_SLOTS:
    void Activate(int x, int y) { Q_EMIT m_item->activated(QPoint(x, y)); }
    void ContextMenu(int x, int y) { Q_EMIT m_item->contextMenuRequested(QPoint(x, y)); }
    void SecondaryActivate(int x, int y)
    {
        Q_UNUSED(x)
        Q_UNUSED(y)
    }
    void Scroll(int delta, const QString &orientation)
    {
        Q_UNUSED(delta)
        Q_UNUSED(orientation)
    }

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString &status);

private:
    StatusNotifierItem *m_item;
};

StatusNotifierItem::StatusNotifierItem(const QDBusConnection &sessionBus, QObject *parent)
    : StatusItem(parent)
    , m_sessionBus(sessionBus)
    , m_watcherWatch(new QDBusServiceWatcher(DBusNames::StatusNotifierWatcherService, sessionBus,
                                             QDBusServiceWatcher::WatchForOwnerChange, this))
    , m_menu(new DBusMenuExporter(this))
    , m_showPanel(new QAction(tr("Show AirPods"), this))
    , m_separator(new QAction(this))
    , m_iconThemePath(installedIconThemePath())
{
    static const bool registered = [] {
        qDBusRegisterMetaType<SniIconPixmap>();
        qDBusRegisterMetaType<SniIconPixmapList>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    Q_UNUSED(registered)
    m_adaptor = new StatusNotifierItemAdaptor(this);
    m_separator->setSeparator(true);
    connect(m_showPanel, &QAction::triggered, this, &StatusItem::panelRequested);
    m_menu->setMenu(nullptr, {m_showPanel, m_separator});

    // A new watcher (a panel started after us, or restarted) knows nothing of us: register again.
    connect(m_watcherWatch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                m_watcherPresent = !newOwner.isEmpty();
                m_pendingRegistration = 0;
                setRegistered(false);
                identifyHost();
                registerWithWatcher();
            });
    const QDBusMessage hasOwner = QDBusMessage::createMethodCall(DBusNames::DBusService, DBusNames::DBusPath,
                                                                 DBusNames::DBusInterface,
                                                                 QStringLiteral("NameHasOwner"))
                                  << DBusNames::StatusNotifierWatcherService;
    auto *watcher = new QDBusPendingCallWatcher(m_sessionBus.asyncCall(hasOwner), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<bool> reply = *call;
        if (reply.isError()) {
            qCWarning(lcTray) << "NameHasOwner" << DBusNames::StatusNotifierWatcherService << DBusNames::DBusPath
                              << "failed:" << reply.error().message();
        }
        // A watcher that appeared meanwhile has been seen by the service watcher already.
        m_watcherPresent = m_watcherPresent || (!reply.isError() && reply.value());
        Q_EMIT watcherChecked(m_watcherPresent);
        identifyHost();
        registerWithWatcher();
    });
}

void StatusNotifierItem::identifyHost()
{
    if (!m_watcherPresent) {
        return;
    }
    const QDBusMessage message = QDBusMessage::createMethodCall(DBusNames::DBusService, DBusNames::DBusPath,
                                                                DBusNames::DBusInterface,
                                                                QStringLiteral("GetConnectionUnixProcessID"))
                                 << DBusNames::StatusNotifierWatcherService;
    auto *watcher = new QDBusPendingCallWatcher(m_sessionBus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError()) {
            qCWarning(lcTray) << "GetConnectionUnixProcessID" << DBusNames::DBusPath
                              << "failed:" << reply.error().message();
            return;
        }
        // Waybar's tray loads a theme icon as it is, while the other hosts give a symbolic one the bar's colour.
        QFile comm(QStringLiteral("/proc/%1/comm").arg(reply.value()));
        const bool keeps = comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "waybar";
        if (keeps != m_hostKeepsIconColours) {
            m_hostKeepsIconColours = keeps;
            if (keeps) {
                qCInfo(lcTray) << "The tray host draws symbolic icons as they are: it gets the icon's pixels only";
            }
            Q_EMIT m_adaptor->NewIcon();
            Q_EMIT m_adaptor->NewToolTip();
        }
    });
}

StatusNotifierItem::~StatusNotifierItem()
{
    closeConnection();
}

void StatusNotifierItem::setPicture(const QString &iconName, const QIcon &picture)
{
    // The sizes hosts ask for, 16 to 48, and their pages for 2x screens.
    QList<QImage> pictures;
    for (const int size : {16, 22, 24, 32, 48}) {
        for (const int scale : {1, 2}) {
            const int pixels = size * scale;
            const bool known = std::any_of(pictures.cbegin(), pictures.cend(),
                                           [pixels](const QImage &image) { return image.width() == pixels; });
            QImage image = picture.pixmap(QSize(size, size), scale).toImage();
            if (known || image.isNull()) {
                continue;
            }
            if (image.size() != QSize(pixels, pixels)) {
                image = image.scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
            pictures.append(image);
        }
    }
    if (iconName == m_iconName && pictures == m_pictures) {
        return;
    }
    m_iconName = iconName;
    m_pictures = pictures;
    Q_EMIT m_adaptor->NewIcon();
    Q_EMIT m_adaptor->NewToolTip();
}

void StatusNotifierItem::setPictureDescription(const QString &description)
{
    // Hosts read it again with the picture.
    if (description != m_pictureDescription) {
        m_pictureDescription = description;
        Q_EMIT m_adaptor->NewIcon();
    }
}

void StatusNotifierItem::setToolTip(const QString &title, const QString &text)
{
    if (title != m_toolTipTitle || text != m_toolTip) {
        m_toolTipTitle = title;
        m_toolTip = text;
        Q_EMIT m_adaptor->NewToolTip();
    }
}

void StatusNotifierItem::setVisible(bool visible)
{
    // Hosts do not agree on a Passive item: Plasma still lists it among the hidden icons, so "Hide Menu"
    // would leave it one click away. An item whose bus name is gone is dropped by every watcher.
    m_visible = visible;
    if (visible) {
        registerWithWatcher();
    } else {
        closeConnection();
        setRegistered(false);
    }
}

void StatusNotifierItem::setContextMenu(QMenu *menu)
{
    m_menu->setMenu(menu, {m_showPanel, m_separator});
}

void StatusNotifierItem::registerWithWatcher()
{
    if (!m_visible || !m_watcherPresent || m_registered || m_pendingRegistration) {
        return;
    }
    if (m_connectionName.isEmpty()) {
        m_connectionName = QStringLiteral("earlume-status-item-%1").arg(++m_connections);
        QDBusConnection bus = DBusHelper::openSessionBus(m_connectionName);
        if (!bus.isConnected()) {
            qCWarning(lcTray) << "Cannot open a session bus connection for the tray icon:" << bus.lastError().message();
            closeConnection();
            return;
        }
        bus.registerObject(DBusNames::StatusNotifierItemPath, this, QDBusConnection::ExportAdaptors);
        bus.registerObject(DBusNames::DBusMenuPath, m_menu, QDBusConnection::ExportAdaptors);
    }
    const QDBusConnection bus(m_connectionName);
    const QDBusMessage message =
        QDBusMessage::createMethodCall(DBusNames::StatusNotifierWatcherService, DBusNames::StatusNotifierWatcherPath,
                                       DBusNames::StatusNotifierWatcherInterface,
                                       DBusNames::StatusNotifierRegisterMember)
        << bus.baseService();
    const int registration = m_pendingRegistration = ++m_registrations;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, registration](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        // Not for a connection closed, or a watcher gone, meanwhile.
        if (registration != m_pendingRegistration) {
            return;
        }
        m_pendingRegistration = 0;
        if (call->isError()) {
            qCWarning(lcTray) << DBusNames::StatusNotifierRegisterMember << DBusNames::StatusNotifierWatcherPath
                              << "failed:" << call->error().message();
            return;
        }
        setRegistered(true);
    });
}

void StatusNotifierItem::closeConnection()
{
    if (m_connectionName.isEmpty()) {
        return;
    }
    QDBusConnection bus(m_connectionName);
    bus.unregisterObject(DBusNames::StatusNotifierItemPath);
    bus.unregisterObject(DBusNames::DBusMenuPath);
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_connectionName.clear();
    m_pendingRegistration = 0;
}

void StatusNotifierItem::setRegistered(bool registered)
{
    if (registered != m_registered) {
        m_registered = registered;
        Q_EMIT registeredChanged(registered);
    }
}

#include "StatusNotifierItem.moc"
