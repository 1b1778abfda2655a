# SPDX-License-Identifier: GPL-3.0-or-later
'''bluetoothd as Earlume's tests need it: dbusmock's bluez5 template plus, on org.bluez.Mock at "/",

AddAdapter(s name, s alias) -> s     bluez5's adapter, with discovery sessions kept per client as bluetoothd
                                     does; StartDiscovery fails NotReady while refused or unpowered
AddClassicDevice(s adapter, s address, s alias, u class, b paired, b connected) -> o
AddLEDevice(s adapter, s address, a{qay} manufacturer_data, n rssi) -> o     heard, not paired, no class
UpdateAdvertisement(o device, a{qay} data, n rssi)    one PropertiesChanged, even when unchanged
SetConnected(o, b), SetModalias(o, s), SetBattery(o, y)    Battery1 appears with InterfacesAdded
SetConnectError(o, s name, s message)    Device1.Connect() fails so; an empty name clears it
SetConnectDelay(o, d seconds)            Connect() answers that much later, the mock serving meanwhile
SetDiscoveryRefused(b); GetDiscoveryFilter() -> a{sv} (the last one set); GetDiscoverySessions() -> as

Adapter1.RemoveDevice(o) announces InterfacesRemoved with all the device's interfaces. GetManagedObjects calls are
in dbusmock's GetMethodCalls on "/". Every change is a PropertiesChanged or InterfacesAdded/Removed, as bluetoothd
sends them.
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
    mock.refused = False


def _error(name, message=''):
    return dbus.exceptions.DBusException(message, name='org.bluez.Error.' + name)


def _device(path):
    if str(path) not in mockobject.objects:
        raise _error('DoesNotExist', f'No device {path}')
    return mockobject.objects[str(path)]


def _set(obj, interface, always=False, **values):
    changed = {k: v for k, v in values.items() if always or obj.props[interface].get(k) != v}
    obj.props[interface].update(changed)
    if changed:
        obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as', [interface, changed, []])


def _interfaces(signal, path, interfaces):
    mockobject.objects['/'].EmitSignal(OBJECT_MANAGER_IFACE, 'Interfaces' + signal, 'oa{sa{sv}}' if signal == 'Added'
                                       else 'oas', [dbus.ObjectPath(path), interfaces])


def _set_connected(device, connected):
    for name in ('Connected', 'ServicesResolved')[::1 if connected else -1]:
        _set(device, DEVICE, **{name: dbus.Boolean(connected)})


def _manufacturer_data(data):
    return dbus.Dictionary({dbus.UInt16(k): dbus.Array(v, signature='y') for k, v in data.items()}, signature='qv')


class _Methods:  # in a class, so that dbusmock does not put them on "/"
    @dbus.service.method(DEVICE, async_callbacks=('reply', 'error'))
    def Connect(self, reply, error):
        def finish():
            if self.connect_error:
                error(dbus.exceptions.DBusException(self.connect_error[1], name=self.connect_error[0]))
            else:
                _set_connected(self, True)
                reply()
        GLib.timeout_add(int(self.connect_delay * 1000), finish) if self.connect_delay else finish()

    @dbus.service.method(DEVICE)
    def Disconnect(self):
        _set_connected(self, False)

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
        device = _device(path)
        self.RemoveObject(str(path))
        _interfaces('Removed', path, dbus.Array(device.props.keys(), signature='s'))


def _install(obj, interface, *names):
    for name in names:
        method = getattr(_Methods, name)
        obj.methods.setdefault(interface, {})[name] = (method._dbus_in_signature, '', '', method)


@dbus.service.method(MOCK, in_signature='ss', out_signature='s')
def AddAdapter(self, name, alias):
    path = bluez5.AddAdapter(self, name, alias)
    adapter = mockobject.objects[path]
    adapter.sessions = set()
    _install(adapter, ADAPTER, 'StartDiscovery', 'StopDiscovery', 'SetDiscoveryFilter', 'RemoveDevice')
    return path


def _add_device(self, adapter, address, properties):
    path = f'/org/bluez/{adapter}/dev_' + address.upper().replace(':', '_')
    properties.update(Address=address.upper(), Adapter=dbus.ObjectPath('/org/bluez/' + adapter),
                      Trusted=properties['Paired'], Blocked=False, ServicesResolved=properties['Connected'],
                      UUIDs=dbus.Array([], signature='s'))
    self.AddObject(path, DEVICE, properties, [])
    device = mockobject.objects[path]
    device.connect_error, device.connect_delay = None, 0
    _install(device, DEVICE, 'Connect', 'Disconnect')
    _interfaces('Added', path, {DEVICE: properties})
    return dbus.ObjectPath(path)


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
    _set(_device(path), DEVICE, always=True, ManufacturerData=_manufacturer_data(data), RSSI=rssi)


@dbus.service.method(MOCK, in_signature='ob')
def SetConnected(_self, path, connected):
    _set_connected(_device(path), connected)


@dbus.service.method(MOCK, in_signature='os')
def SetModalias(_self, path, modalias):
    _set(_device(path), DEVICE, Modalias=modalias)


@dbus.service.method(MOCK, in_signature='oy')
def SetBattery(_self, path, percentage):
    device = _device(path)
    if BATTERY in device.props:
        _set(device, BATTERY, Percentage=percentage)
    else:
        device.props[BATTERY] = {'Percentage': percentage}
        _interfaces('Added', path, {BATTERY: device.props[BATTERY]})


@dbus.service.method(MOCK, in_signature='oss')
def SetConnectError(_self, path, name, message):
    _device(path).connect_error = (name, message) if name else None


@dbus.service.method(MOCK, in_signature='od')
def SetConnectDelay(_self, path, seconds):
    _device(path).connect_delay = seconds


@dbus.service.method(MOCK, in_signature='b')
def SetDiscoveryRefused(self, refused):
    self.refused = refused


@dbus.service.method(MOCK, out_signature='a{sv}')
def GetDiscoveryFilter(self):
    return getattr(self, 'discovery_filter', dbus.Dictionary(signature='sv'))


@dbus.service.method(MOCK, out_signature='as')
def GetDiscoverySessions(_self):
    return dbus.Array(sorted(set().union(*(getattr(o, 'sessions', set()) for o in mockobject.objects.values()))),
                      signature='s')


@dbus.service.method(MOCK, out_signature='u')
def GetManagedObjectsCallCount(self):
    return len(self.GetMethodCalls('GetManagedObjects'))
