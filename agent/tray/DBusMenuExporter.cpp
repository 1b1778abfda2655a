// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/DBusMenuExporter.h"

#include <QAction>
#include <QActionEvent>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

// The com.canonical.dbusmenu types: a layout item (ia{sv}av) whose children are layout items in variants,
// the property lists of several items a(ia{sv}), removed property names a(ias) and queued events a(isvu).
struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
Q_DECLARE_METATYPE(DBusMenuLayoutItem)
Q_DECLARE_METATYPE(DBusMenuItem)
Q_DECLARE_METATYPE(DBusMenuItemKeys)
Q_DECLARE_METATYPE(DBusMenuEvent)

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuLayoutItem &item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenuLayoutItem &child : item.children) {
        argument << QDBusVariant(QVariant::fromValue(child));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

// We only send layouts; reading one back keeps the children's count, not their content.
const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuLayoutItem &item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children.append(DBusMenuLayoutItem());
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItem &item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItem &item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuItemKeys &keys)
{
    argument.beginStructure();
    argument << keys.id << keys.names;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuItemKeys &keys)
{
    argument.beginStructure();
    argument >> keys.id >> keys.names;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const DBusMenuEvent &event)
{
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, DBusMenuEvent &event)
{
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

/// The com.canonical.dbusmenu interface of a DBusMenuExporter, as hosts call it.
class DBusMenuAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    explicit DBusMenuAdaptor(DBusMenuExporter *exporter)
        : QDBusAbstractAdaptor(exporter)
        , m_exporter(exporter)
    {
    }

    uint version() const { return 3; }
    QString textDirection() const
    {
        return QGuiApplication::isRightToLeft() ? QStringLiteral("rtl") : QStringLiteral("ltr");
    }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList &propertyNames, DBusMenuLayoutItem &layout)
    {
        layout = {parentId, m_exporter->properties(parentId, propertyNames), {}};
        // The menu is flat: only the root has children.
        if (parentId == 0 && recursionDepth != 0) {
            for (int id = 1; id <= m_exporter->actions().size(); ++id) {
                layout.children.append({id, m_exporter->properties(id, propertyNames), {}});
            }
        }
        return m_exporter->revision();
    }
    QList<DBusMenuItem> GetGroupProperties(const QList<int> &ids, const QStringList &propertyNames)
    {
        QList<DBusMenuItem> result;
        for (const int id : ids) {
            result.append({id, m_exporter->properties(id, propertyNames)});
        }
        return result;
    }
    QDBusVariant GetProperty(int id, const QString &name)
    {
        return QDBusVariant(m_exporter->properties(id, {name}).value(name));
    }
    void Event(int id, const QString &eventId, const QDBusVariant &data, uint timestamp)
    {
        Q_UNUSED(data)
        Q_UNUSED(timestamp)
        m_exporter->handleEvent(id, eventId);
    }
    QList<int> EventGroup(const QList<DBusMenuEvent> &events)
    {
        for (const DBusMenuEvent &event : events) {
            m_exporter->handleEvent(event.id, event.eventId);
        }
        return {};
    }
    bool AboutToShow(int id) { return id == 0 && m_exporter->aboutToShow(); }
    QList<int> AboutToShowGroup(const QList<int> &ids, QList<int> &idErrors)
    {
        idErrors.clear();
        return ids.contains(0) && m_exporter->aboutToShow() ? QList<int>{0} : QList<int>{};
    }

Q_SIGNALS:
    void ItemsPropertiesUpdated(const QList<DBusMenuItem> &updatedProps, const QList<DBusMenuItemKeys> &removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    DBusMenuExporter *m_exporter;
};

namespace
{
// Qt marks the mnemonic with '&', dbusmenu with '_'.
QString dbusMenuLabel(const QString &text)
{
    QString label;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_') {
            label += QStringLiteral("__");
        } else if (text[i] == u'&' && i + 1 < text.size() && text[i + 1] == u'&') {
            label += u'&';
            ++i;
        } else if (text[i] == u'&') {
            label += u'_';
        } else {
            label += text[i];
        }
    }
    return label;
}
} // namespace

DBusMenuExporter::DBusMenuExporter(QObject *parent)
    : QObject(parent)
{
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuItem>();
        qDBusRegisterMetaType<QList<DBusMenuItem>>();
        qDBusRegisterMetaType<DBusMenuItemKeys>();
        qDBusRegisterMetaType<QList<DBusMenuItemKeys>>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<QList<DBusMenuEvent>>();
        return true;
    }();
    Q_UNUSED(registered)
    m_adaptor = new DBusMenuAdaptor(this);
}

void DBusMenuExporter::setMenu(QMenu *menu, const QList<QAction *> &leading)
{
    if (m_menu) {
        m_menu->removeEventFilter(this);
    }
    m_menu = menu;
    m_leading = leading;
    if (m_menu) {
        m_menu->installEventFilter(this);
    }
    ++m_revision;
    Q_EMIT m_adaptor->LayoutUpdated(m_revision, 0);
}

QList<QAction *> DBusMenuExporter::actions() const
{
    return m_leading + (m_menu ? m_menu->actions() : QList<QAction *>());
}

QVariantMap DBusMenuExporter::properties(int id, const QStringList &names) const
{
    QVariantMap result;
    if (id == 0) {
        result.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (const QAction *action = actions().value(id - 1)) {
        if (action->isSeparator()) {
            result.insert(QStringLiteral("type"), QStringLiteral("separator"));
        } else {
            result.insert(QStringLiteral("label"), dbusMenuLabel(action->text()));
            if (!action->icon().name().isEmpty()) {
                result.insert(QStringLiteral("icon-name"), action->icon().name());
            }
        }
        // Sent even at their defaults, so that a change back to the default reaches the host.
        result.insert(QStringLiteral("enabled"), action->isEnabled());
        result.insert(QStringLiteral("visible"), action->isVisible());
    }
    if (!names.isEmpty()) {
        result.removeIf([&names](const auto &entry) { return !names.contains(entry.key()); });
    }
    return result;
}

bool DBusMenuExporter::aboutToShow()
{
    m_changed = false;
    if (m_menu) {
        Q_EMIT m_menu->aboutToShow();
    }
    return m_changed;
}

void DBusMenuExporter::handleEvent(int id, const QString &eventId)
{
    if (id == 0 && eventId == QLatin1String("opened")) {
        aboutToShow();
        return;
    }
    QAction *action = actions().value(id - 1);
    if (eventId != QLatin1String("clicked") || !action || action->isSeparator() || !action->isEnabled()) {
        return;
    }
    // As from a menu that has closed: the host's call is answered before the action runs.
    QTimer::singleShot(0, action, [action] { action->trigger(); });
}

bool DBusMenuExporter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_menu) {
        return false;
    }
    if (event->type() == QEvent::ActionChanged) {
        m_changed = true;
        const int id = int(actions().indexOf(static_cast<QActionEvent *>(event)->action())) + 1;
        if (id > 0) {
            Q_EMIT m_adaptor->ItemsPropertiesUpdated({{id, properties(id, {})}}, {});
        }
    } else if ((event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved)
               && !m_layoutUpdatePending) {
        // Menus are built an action at a time: the host reloads the layout once.
        m_layoutUpdatePending = true;
        QTimer::singleShot(0, this, [this] {
            m_layoutUpdatePending = false;
            ++m_revision;
            Q_EMIT m_adaptor->LayoutUpdated(m_revision, 0);
        });
    }
    return false;
}

#include "DBusMenuExporter.moc"
