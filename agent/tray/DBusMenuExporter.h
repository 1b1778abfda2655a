// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

class QAction;
class QMenu;
class DBusMenuAdaptor;

/**
 * Exports a flat QMenu as com.canonical.dbusmenu, the menu a StatusNotifierItem names in its Menu property:
 * some leading actions of our own, then the menu's actions (separators included, submenus not). Register
 * this object on a connection at DBusNames::DBusMenuPath. Owns the adaptor; the actions stay their owners'.
 * A host's "about to show" becomes the menu's aboutToShow(), so whatever refreshes the menu before it opens
 * runs for the exported one too; changes of the actions are announced to the host as they happen.
 */
class DBusMenuExporter : public QObject
{
    Q_OBJECT

public:
    explicit DBusMenuExporter(QObject *parent = nullptr);

    void setMenu(QMenu *menu, const QList<QAction *> &leading = {});

    /// Layout item id 0 is the root; the actions follow from 1 in order.
    QList<QAction *> actions() const;
    QVariantMap properties(int id, const QStringList &names) const;
    /// The layout revision, raised whenever actions come or go.
    uint revision() const { return m_revision; }
    /// Runs the menu's aboutToShow(); whether that changed any item.
    bool aboutToShow();
    /// A host's event on item @p id: "clicked" triggers its action (after this call returns).
    void handleEvent(int id, const QString &eventId);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QMenu> m_menu;
    QList<QAction *> m_leading;
    DBusMenuAdaptor *m_adaptor = nullptr;
    uint m_revision = 1;
    bool m_changed = false;
    bool m_layoutUpdatePending = false;
};
