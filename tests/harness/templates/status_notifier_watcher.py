# SPDX-License-Identifier: GPL-3.0-or-later
'''StatusNotifierWatcher mock template for Earlume's integration tests

Serves org.kde.StatusNotifierWatcher at /StatusNotifierWatcher on the session
bus, the way a tray host (Plasma, waybar, the GNOME AppIndicator extension)
does, so that QSystemTrayIcon on the xcb platform finds a tray:

- properties IsStatusNotifierHostRegistered (b, true unless the parameter
  "host" is false), ProtocolVersion (i, 0), RegisteredStatusNotifierItems (as);
- RegisterStatusNotifierItem(s): the argument is a bus name (an item at
  /StatusNotifierItem of that name) or an object path (an item at that path of
  the caller's connection). The item id is "<bus name><path>", e.g.
  ":1.7/StatusNotifierItem"; StatusNotifierItemRegistered(id) follows. A
  second registration of the same id is ignored, as Plasma does;
- when an item's bus name loses its owner, the item is dropped and
  StatusNotifierItemUnregistered(id) is emitted;
- RegisterStatusNotifierHost(s), StatusNotifierHostRegistered().

Qt 6.4 (QSystemTrayIcon on xcb) opens one extra session bus connection per
visible tray icon, serves /StatusNotifierItem and /MenuBar on it, registers
that connection's unique name (":1.5") and closes the connection on hide(); so
an item is dropped exactly when its name leaves the bus, and
RegisteredStatusNotifierItems / GetItems() list the icons that are shown now.

Tests read the items through org.kde.StatusNotifierWatcher.Mock.
'''

import dbus
import dbus.service

BUS_NAME = 'org.kde.StatusNotifierWatcher'
MAIN_OBJ = '/StatusNotifierWatcher'
MAIN_IFACE = 'org.kde.StatusNotifierWatcher'
SYSTEM_BUS = False

WATCHER_MOCK_IFACE = 'org.kde.StatusNotifierWatcher.Mock'
ITEM_PATH = '/StatusNotifierItem'


def _publish(mock):
    mock.props[MAIN_IFACE]['RegisteredStatusNotifierItems'] = dbus.Array(
        [item['id'] for item in mock.earlume_items], signature='s')


def _drop_items_of(mock, name):
    gone = [item for item in mock.earlume_items if item['service'] == name]
    if not gone:
        return
    mock.earlume_items = [item for item in mock.earlume_items if item['service'] != name]
    _publish(mock)
    for item in gone:
        mock.EmitSignal(MAIN_IFACE, 'StatusNotifierItemUnregistered', 's', [item['id']])


def load(mock, parameters):
    mock.earlume_items = []
    mock.earlume_hosts = []
    mock.AddProperties(MAIN_IFACE, {
        'IsStatusNotifierHostRegistered': dbus.Boolean(bool(parameters.get('host', True))),
        'ProtocolVersion': dbus.Int32(0),
        'RegisteredStatusNotifierItems': dbus.Array([], signature='s'),
    })

    def name_owner_changed(name, _old_owner, new_owner):
        if not new_owner:
            _drop_items_of(mock, name)

    if getattr(mock, 'earlume_name_watch', None) is None:
        mock.earlume_name_watch = mock.bus_name.get_bus().add_signal_receiver(
            name_owner_changed, signal_name='NameOwnerChanged', dbus_interface='org.freedesktop.DBus',
            bus_name='org.freedesktop.DBus', path='/org/freedesktop/DBus')


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='', sender_keyword='sender')
def RegisterStatusNotifierItem(self, service, sender=None):
    '''Register an item (a bus name, or an object path on the caller's connection); returns nothing.'''
    service = str(service)
    if service.startswith('/'):
        name, path = sender, service
    else:
        name, path = service, ITEM_PATH
    item_id = name + path
    if any(item['id'] == item_id for item in self.earlume_items):
        return
    bus = self.bus_name.get_bus()
    if not bus.name_has_owner(name):
        # Plasma ignores an item whose name has no owner (it left before we got here)
        return
    self.earlume_items.append({'id': item_id, 'service': name, 'path': path, 'sender': sender})
    _publish(self)
    self.EmitSignal(MAIN_IFACE, 'StatusNotifierItemRegistered', 's', [item_id])


@dbus.service.method(MAIN_IFACE, in_signature='s', out_signature='', sender_keyword='sender')
def RegisterStatusNotifierHost(self, service, sender=None):
    '''Register a tray host; returns nothing.'''
    self.earlume_hosts.append(str(service))
    self.props[MAIN_IFACE]['IsStatusNotifierHostRegistered'] = dbus.Boolean(True)
    self.EmitSignal(MAIN_IFACE, 'StatusNotifierHostRegistered', '', [])


@dbus.service.method(WATCHER_MOCK_IFACE, in_signature='', out_signature='as')
def GetItems(self):
    '''Returns the ids ("<bus name><path>") of the items registered now, in registration order.'''
    return dbus.Array([item['id'] for item in self.earlume_items], signature='s')


@dbus.service.method(WATCHER_MOCK_IFACE, in_signature='', out_signature='a(sss)')
def GetItemDetails(self):
    '''Returns (id, bus name, object path) for each item registered now, in registration order.'''
    return dbus.Array([(item['id'], item['service'], item['path']) for item in self.earlume_items],
                      signature='(sss)')


@dbus.service.method(WATCHER_MOCK_IFACE, in_signature='', out_signature='u')
def GetRegistrationCount(self):
    '''Returns how many RegisterStatusNotifierItem calls the watcher answered since start or ClearCalls().'''
    return dbus.UInt32(sum(1 for call in self.call_log if call[1] == 'RegisterStatusNotifierItem'))
