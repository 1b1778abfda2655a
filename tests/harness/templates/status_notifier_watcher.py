# SPDX-License-Identifier: GPL-3.0-or-later
'''A tray host's StatusNotifierWatcher for QSystemTrayIcon (xcb). Qt registers a bus connection per visible icon and
closes it on hide(), so GetItems() on org.kde.StatusNotifierWatcher.Mock lists the icons shown now.
'''
import dbus

BUS_NAME = MAIN_IFACE = 'org.kde.StatusNotifierWatcher'
MAIN_OBJ = '/StatusNotifierWatcher'
SYSTEM_BUS = False


@dbus.service.method(MAIN_IFACE, in_signature='s', sender_keyword='sender')
def RegisterStatusNotifierItem(self, service, sender):
    item = sender + service if service.startswith('/') else service + '/StatusNotifierItem'
    self.props[MAIN_IFACE]['RegisteredStatusNotifierItems'].append(item)
    self.EmitSignal(MAIN_IFACE, 'StatusNotifierItemRegistered', 's', [item])


def load(mock, _parameters):
    items = dbus.Array(signature='s')
    mock.AddProperties(MAIN_IFACE, {'IsStatusNotifierHostRegistered': True, 'ProtocolVersion': dbus.Int32(0),
                                    'RegisteredStatusNotifierItems': items})
    mock.AddMethod(MAIN_IFACE + '.Mock', 'GetItems', '', 'as', lambda _: items)

    def name_owner_changed(name, _old, new):
        for item in [item for item in items if not new and item.startswith(name + '/')]:
            items.remove(item)
    mock.bus_name.get_bus().add_signal_receiver(name_owner_changed, 'NameOwnerChanged', 'org.freedesktop.DBus')
