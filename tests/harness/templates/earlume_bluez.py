# SPDX-License-Identifier: GPL-3.0-or-later
'''bluetoothd for Earlume's tests: dbusmock's bluez5 with, on org.bluez.Mock at "/", AddAdapter(name, alias) (discovery
sessions per client, StartDiscovery NotReady while refused or unpowered), AddClassicDevice(adapter, address, alias,
class, paired, connected), AddLEDevice(adapter, address, a{qay} manufacturer data, rssi), UpdateAdvertisement(device,
data, rssi), SetConnected, SetModalias, SetBattery, SetConnectError(device, error name or "", message),
SetConnectDelay(device, seconds), SetDiscoveryRefused, GetDiscoveryFilter (the last one set), GetDiscoverySessions and
GetManagedObjectsCallCount. Adapter1.RemoveDevice removes a device. Changes are announced as bluetoothd does.
'''
import dbus
import dbus.service
from gi.repository import GLib

from dbusmock import OBJECT_MANAGER_IFACE, mockobject
from dbusmock.templates import bluez5

BUS_NAME, MAIN_OBJ, SYSTEM_BUS, IS_OBJECT_MANAGER = bluez5.BUS_NAME, '/', True, True
MOCK, ADAPTER, DEVICE, BATTERY = bluez5.BLUEZ_MOCK_IFACE, bluez5.ADAPTER_IFACE, bluez5.DEVICE_IFACE, 'org.bluez.Battery1'


def load(mock, parameters):
    bluez5.load(mock, parameters)
    mock.refused, mock.discovery_filter = False, dbus.Dictionary(signature='sv')


def _error(name, message):
    return dbus.exceptions.DBusException(message, name=name if '.' in name else 'org.bluez.Error.' + name)


def _set(obj, interface, always=False, **values):
    changed = {k: v for k, v in values.items() if always or obj.props[interface].get(k) != v}
    obj.props[interface].update(changed)
    if changed:
        obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as', [interface, changed, []])


def _announce(what, path, interfaces):
    mockobject.objects['/'].EmitSignal(OBJECT_MANAGER_IFACE, 'Interfaces' + what,
                                       'oa{sa{sv}}' if what == 'Added' else 'oas', [path, interfaces])


def _connect(device, connected):  # ServicesResolved follows Connected, and goes first on the way down
    for name in ('Connected', 'ServicesResolved')[::1 if connected else -1]:
        _set(device, DEVICE, **{name: dbus.Boolean(connected)})


def _manufacturer_data(data):
    return dbus.Dictionary({dbus.UInt16(k): dbus.Array(v, signature='y') for k, v in data.items()}, signature='qv')


class _Methods:  # not at module level, where dbusmock would put them on "/"
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
        if mockobject.objects['/'].refused or not self.props[ADAPTER]['Powered']:
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
        mockobject.objects['/'].discovery_filter = discovery_filter

    @dbus.service.method(ADAPTER, in_signature='o')
    def RemoveDevice(self, path):
        interfaces = dbus.Array(mockobject.objects[path].props, signature='s')
        self.RemoveObject(path)
        _announce('Removed', path, interfaces)


def _install(obj, interface, *names):
    for name in names:
        obj.methods.setdefault(interface, {})[name] = (None, '', '', getattr(_Methods, name))


@dbus.service.method(MOCK, in_signature='ss', out_signature='s')
def AddAdapter(self, name, alias):
    path = bluez5.AddAdapter(self, name, alias)
    mockobject.objects[path].sessions = set()
    _install(mockobject.objects[path], ADAPTER, 'StartDiscovery', 'StopDiscovery', 'SetDiscoveryFilter', 'RemoveDevice')
    return path


def _add_device(self, adapter, address, properties):
    path = dbus.ObjectPath(f'/org/bluez/{adapter}/dev_' + address.upper().replace(':', '_'))
    properties.update(Address=address.upper(), Adapter=dbus.ObjectPath('/org/bluez/' + adapter), Blocked=False,
                      Trusted=properties['Paired'], ServicesResolved=properties['Connected'])
    self.AddObject(path, DEVICE, properties, [])
    mockobject.objects[path].connect_error, mockobject.objects[path].connect_delay = None, 0
    _install(mockobject.objects[path], DEVICE, 'Connect', 'Disconnect')
    _announce('Added', path, {DEVICE: properties})
    return path


@dbus.service.method(MOCK, in_signature='sssubb', out_signature='o')
def AddClassicDevice(self, adapter, address, alias, class_, paired, connected):
    return _add_device(self, adapter, address, dict(AddressType='public', Name=alias, Alias=alias, Class=class_,
                                                    Paired=paired, Connected=connected))


@dbus.service.method(MOCK, in_signature='ssa{qay}n', out_signature='o')
def AddLEDevice(self, adapter, address, data, rssi):
    return _add_device(self, adapter, address, dict(AddressType='random', Alias=address.replace(':', '-'), RSSI=rssi,
                                                    Paired=False, Connected=False, ManufacturerData=_manufacturer_data(data)))


@dbus.service.method(MOCK, in_signature='oa{qay}n')
def UpdateAdvertisement(_self, path, data, rssi):
    _set(mockobject.objects[path], DEVICE, always=True, ManufacturerData=_manufacturer_data(data), RSSI=rssi)


@dbus.service.method(MOCK, in_signature='ob')
def SetConnected(_self, path, connected):
    _connect(mockobject.objects[path], connected)


@dbus.service.method(MOCK, in_signature='os')
def SetModalias(_self, path, modalias):
    _set(mockobject.objects[path], DEVICE, Modalias=modalias)


@dbus.service.method(MOCK, in_signature='oy')
def SetBattery(_self, path, percentage):
    if BATTERY in mockobject.objects[path].props:
        _set(mockobject.objects[path], BATTERY, Percentage=percentage)
    else:
        mockobject.objects[path].props[BATTERY] = {'Percentage': percentage}
        _announce('Added', path, {BATTERY: {'Percentage': percentage}})


@dbus.service.method(MOCK, in_signature='oss')
def SetConnectError(_self, path, name, message):
    mockobject.objects[path].connect_error = (name, message) if name else None


@dbus.service.method(MOCK, in_signature='od')
def SetConnectDelay(_self, path, seconds):
    mockobject.objects[path].connect_delay = seconds


@dbus.service.method(MOCK, in_signature='b')
def SetDiscoveryRefused(self, refused):
    self.refused = refused


@dbus.service.method(MOCK, out_signature='a{sv}')
def GetDiscoveryFilter(self):
    return self.discovery_filter


@dbus.service.method(MOCK, out_signature='as')
def GetDiscoverySessions(_self):
    return dbus.Array(set().union(*(getattr(o, 'sessions', ()) for o in mockobject.objects.values())), signature='s')


@dbus.service.method(MOCK, out_signature='u')
def GetManagedObjectsCallCount(self):
    return len(self.GetMethodCalls('GetManagedObjects'))
