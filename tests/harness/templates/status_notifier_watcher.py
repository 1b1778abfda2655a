# SPDX-License-Identifier: GPL-3.0-or-later
'''A tray host's org.kde.StatusNotifierWatcher, enough for QSystemTrayIcon (xcb) to find a tray

Qt 6 opens one extra bus connection per visible tray icon and registers its unique name; hide() closes that
connection. So an item, "<name>/StatusNotifierItem", is dropped when its name leaves the bus, and
RegisteredStatusNotifierItems, like GetItems() on org.kde.StatusNotifierWatcher.Mock, lists the icons shown now.
'''
import dbus

BUS_NAME = MAIN_IFACE = 'org.kde.StatusNotifierWatcher'
MAIN_OBJ = '/StatusNotifierWatcher'
SYSTEM_BUS = False


def _items(mock, items):
    mock.props[MAIN_IFACE]['RegisteredStatusNotifierItems'] = dbus.Array(items, signature='s')


def load(mock, _parameters):
    mock.AddProperties(MAIN_IFACE, {'IsStatusNotifierHostRegistered': True, 'ProtocolVersion': dbus.Int32(0)})
    _items(mock, [])

    def name_left(name, _old, new):
        for item in [item for item in GetItems(mock) if not new and item.startswith(name + '/')]:
            _items(mock, [other for other in GetItems(mock) if other != item])
            mock.EmitSignal(MAIN_IFACE, 'StatusNotifierItemUnregistered', 's', [item])
    mock.bus_name.get_bus().add_signal_receiver(name_left, 'NameOwnerChanged', 'org.freedesktop.DBus')


@dbus.service.method(MAIN_IFACE, in_signature='s', sender_keyword='sender')
def RegisterStatusNotifierItem(self, service, sender):
    item = sender + service if service.startswith('/') else service + '/StatusNotifierItem'
    if item not in GetItems(self):
        _items(self, GetItems(self) + [item])
        self.EmitSignal(MAIN_IFACE, 'StatusNotifierItemRegistered', 's', [item])


@dbus.service.method(MAIN_IFACE + '.Mock', out_signature='as')
def GetItems(self):
    return list(self.props[MAIN_IFACE]['RegisteredStatusNotifierItems'])
