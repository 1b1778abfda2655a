# SPDX-License-Identifier: GPL-3.0-or-later
'''bluetoothd for Earlume's tests: bluez5 and the org.bluez.Mock methods load() lists (device paths as strings), with
discovery sessions per client and Device1.Connect() answered with the delay and error set; changes announced as
bluetoothd does.'''
import dbus
import dbus.service
from gi.repository import GLib

from dbusmock import OBJECT_MANAGER_IFACE, mockobject
from dbusmock.templates import bluez5

BUS_NAME, MAIN_OBJ, SYSTEM_BUS, IS_OBJECT_MANAGER = bluez5.BUS_NAME, '/', True, True
ADAPTER, DEVICE, BATTERY = bluez5.ADAPTER_IFACE, bluez5.DEVICE_IFACE, 'org.bluez.Battery1'
objects = mockobject.objects


def _error(name, message):
    return dbus.exceptions.DBusException(message, name=name if '.' in name else 'org.bluez.Error.' + name)


def _set(obj, interface, always=False, **values):
    changed = {k: v for k, v in values.items() if always or obj.props[interface].get(k) != v}
    obj.props[interface].update(changed)
    if changed:
        obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as', [interface, changed, []])


def _announce(what, path, interfaces):
    objects['/'].EmitSignal(OBJECT_MANAGER_IFACE, 'Interfaces' + what, 'oa{sa{sv}}' if what == 'Added' else 'oas',
                            [path, interfaces])


def _connect(device, connected):  # ServicesResolved follows Connected, and goes first on the way down
    for name in ('Connected', 'ServicesResolved')[::1 if connected else -1]:
        _set(device, DEVICE, **{name: dbus.Boolean(connected)})


def _manufacturer_data(data):
    return dbus.Dictionary({dbus.UInt16(k): dbus.Array(v, signature='y') for k, v in data.items()}, signature='qv')


class _Methods:  # methods of adapters and devices (at module level, dbusmock would put them on "/")
    @dbus.service.method(DEVICE, async_callbacks=('reply', 'error'))
    def Connect(self, reply, error):
        def answer():
            if self.connect_error:
                error(_error(*self.connect_error))
            else:
                _connect(self, True)
                reply()
        GLib.timeout_add(int(self.connect_delay * 1000), answer)

    @dbus.service.method(DEVICE)
    def Disconnect(self):
        _connect(self, False)

    @dbus.service.method(ADAPTER, sender_keyword='sender')
    def StartDiscovery(self, sender):
        if objects['/'].refused or not self.props[ADAPTER]['Powered']:
            raise _error('NotReady', 'Resource Not Ready')
        if sender in self.sessions:
            raise _error('InProgress', 'Operation already in progress')
        self.sessions.add(sender)
        _set(self, ADAPTER, Discovering=dbus.Boolean(True))

    @dbus.service.method(ADAPTER, sender_keyword='sender')
    def StopDiscovery(self, sender):
        if sender not in self.sessions:
            raise _error('Failed', 'No discovery started')
        self.sessions.remove(sender)
        _set(self, ADAPTER, Discovering=dbus.Boolean(bool(self.sessions)))

    @dbus.service.method(ADAPTER, in_signature='a{sv}')
    def SetDiscoveryFilter(self, discovery_filter):
        objects['/'].discovery_filter = discovery_filter

    @dbus.service.method(ADAPTER, in_signature='o')
    def RemoveDevice(self, path):
        interfaces = dbus.Array(objects[path].props, signature='s')
        self.RemoveObject(path)
        _announce('Removed', path, interfaces)


def _add_adapter(mock, name, alias):
    path = bluez5.AddAdapter(mock, name, alias)
    objects[path].sessions = set()
    objects[path].methods[ADAPTER].update({name: (None, '', '', getattr(_Methods, name)) for name in (
        'StartDiscovery', 'StopDiscovery', 'SetDiscoveryFilter', 'RemoveDevice')})
    return path


def _add_device(mock, adapter, address, **properties):
    path = dbus.ObjectPath(f'/org/bluez/{adapter}/dev_' + address.upper().replace(':', '_'))
    properties.update(Address=address.upper(), Adapter=dbus.ObjectPath('/org/bluez/' + adapter), Blocked=False,
                      Trusted=properties['Paired'], ServicesResolved=properties['Connected'])
    mock.AddObject(path, DEVICE, properties, [])
    objects[path].connect_error, objects[path].connect_delay = None, 0
    objects[path].methods[DEVICE].update({name: (None, '', '', getattr(_Methods, name)) for name in (
        'Connect', 'Disconnect')})
    _announce('Added', path, {DEVICE: properties})
    return path


def _set_battery(_mock, path, percentage):
    if BATTERY in objects[path].props:
        _set(objects[path], BATTERY, Percentage=dbus.Byte(percentage))
    else:
        objects[path].props[BATTERY] = {'Percentage': dbus.Byte(percentage)}
        _announce('Added', path, {BATTERY: objects[path].props[BATTERY]})


def load(mock, parameters):
    bluez5.load(mock, parameters)
    mock.refused, mock.discovery_filter = False, dbus.Dictionary(signature='sv')
    mock.AddMethods(bluez5.BLUEZ_MOCK_IFACE, [
        ('AddAdapter', 'ss', 's', _add_adapter),  # (name, alias) -> path
        ('AddClassicDevice', 'sssubb', 'o', lambda mock, adapter, address, alias, cls, paired, connected: _add_device(
            mock, adapter, address, AddressType='public', Name=alias, Alias=alias, Class=cls, Paired=paired,
            Connected=connected)),
        ('AddLEDevice', 'ssa{qay}n', 'o', lambda mock, adapter, address, data, rssi: _add_device(  # as when heard
            mock, adapter, address, AddressType='random', Alias=address.replace(':', '-'), RSSI=rssi,
            ManufacturerData=_manufacturer_data(data), Paired=False, Connected=False)),
        ('UpdateAdvertisement', 'sa{qay}n', '', lambda _, path, data, rssi: _set(  # announced even when unchanged
            objects[path], DEVICE, always=True, ManufacturerData=_manufacturer_data(data), RSSI=rssi)),
        ('SetConnected', 'sb', '', lambda _, path, connected: _connect(objects[path], connected)),
        ('SetModalias', 'ss', '', lambda _, path, modalias: _set(objects[path], DEVICE, Modalias=modalias)),
        ('SetBattery', 'si', '', _set_battery),
        ('SetConnectError', 'sss', '', lambda _, path, name, message: setattr(
            objects[path], 'connect_error', (name, message) if name else None)),
        ('SetConnectDelay', 'sd', '', lambda _, path, seconds: setattr(objects[path], 'connect_delay', seconds)),
        ('SetDiscoveryRefused', 'b', '', lambda mock, refused: setattr(mock, 'refused', refused)),
        ('GetDiscoveryFilter', '', 'a{sv}', lambda mock: mock.discovery_filter),
        ('GetDiscoverySessions', '', 'as', lambda _: dbus.Array(
            set().union(*(getattr(o, 'sessions', ()) for o in objects.values())), signature='s')),
        ('GetManagedObjectsCallCount', '', 'u', lambda mock: len(mock.GetMethodCalls('GetManagedObjects'))),
    ])
