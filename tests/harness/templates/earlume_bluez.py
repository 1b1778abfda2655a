# SPDX-License-Identifier: GPL-3.0-or-later
'''BlueZ mock template for Earlume's integration tests

Builds on python-dbusmock's bluez5 template: org.bluez on the system bus, an
object manager on "/", /org/bluez with the agent and profile managers, and no
adapters or devices at start. On top of that it offers what the agent's tests
need, all on the org.bluez.Mock interface of "/":

- classic and Low Energy devices whose Device1.Connect()/Disconnect() keep the
  Connected property, with injectable connect errors and delays;
- org.bluez.Battery1 on devices;
- Adapter1 discovery sessions counted per D-Bus client, as bluetoothd does;
- a count of GetManagedObjects calls per client.

Every state change is announced as bluetoothd announces it (InterfacesAdded and
InterfacesRemoved on "/", PropertiesChanged on the object), and failures are
named D-Bus errors.
'''

import re
import time

import dbus
import dbus.service
from gi.repository import GLib

from dbusmock import OBJECT_MANAGER_IFACE, mockobject
from dbusmock.templates import bluez5

BUS_NAME = bluez5.BUS_NAME
MAIN_OBJ = '/'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

BLUEZ_MOCK_IFACE = bluez5.BLUEZ_MOCK_IFACE
ADAPTER_IFACE = bluez5.ADAPTER_IFACE
DEVICE_IFACE = bluez5.DEVICE_IFACE
BATTERY_IFACE = 'org.bluez.Battery1'

DISCOVERY_FILTER_KEYS = {
    'UUIDs': 'as',
    'RSSI': 'n',
    'Pathloss': 'q',
    'Transport': 's',
    'DuplicateData': 'b',
    'Discoverable': 'b',
    'Pattern': 's',
}

# Service classes a paired audio device (headphones, headset) announces.
AUDIO_UUIDS = [
    '0000110b-0000-1000-8000-00805f9b34fb',  # Audio Sink
    '0000110c-0000-1000-8000-00805f9b34fb',  # A/V Remote Control Target
    '0000110e-0000-1000-8000-00805f9b34fb',  # A/V Remote Control
    '0000111e-0000-1000-8000-00805f9b34fb',  # Handsfree
]

_ADDRESS_RE = re.compile(r'^([0-9A-Fa-f]{2}:){5}[0-9A-Fa-f]{2}$')


#
# Helpers (plain functions: only decorated functions become D-Bus methods)
#
# Property values are stored as plain typed values (variant level 0): an a{sv}
# wraps them in a variant on the wire anyway, and dbusmock's introspection then
# shows their real types instead of "v".
#

def _error(name, message):
    return dbus.exceptions.DBusException(message, name=name)


def _manager():
    return mockobject.objects[MAIN_OBJ]


def _record(obj, name, args=()):
    '''Log a call the way dbusmock logs its own mock methods (log file, GetCalls(), MethodCalled).'''
    args = list(args)
    obj.log(name + mockobject._format_args(args))  # pylint: disable=protected-access
    obj.call_log.append((int(time.time()), name, args))
    obj.MethodCalled(name, args)


def _emit_properties_changed(obj, interface, changed):
    obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as', [
        interface,
        dbus.Dictionary(changed, signature='sv'),
        dbus.Array([], signature='s'),
    ])


def _emit_interfaces_added(path, interfaces):
    _manager().EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}', [
        dbus.ObjectPath(path),
        dbus.Dictionary(interfaces, signature='sa{sv}'),
    ])


def _emit_interfaces_removed(path, interfaces):
    _manager().EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesRemoved', 'oas', [
        dbus.ObjectPath(path),
        dbus.Array(interfaces, signature='s'),
    ])


def _update(obj, interface, values):
    '''Store values; announce the ones that changed in one PropertiesChanged. Returns True if any changed.'''
    props = obj.props[interface]
    changed = {}
    for name, value in values.items():
        if name in props and props[name] == value and type(props[name]) is type(value):
            continue
        props[name] = value
        changed[name] = value
    if changed:
        _emit_properties_changed(obj, interface, changed)
    return bool(changed)


def _adapter_path(adapter_device_name):
    path = '/org/bluez/' + adapter_device_name
    if path not in mockobject.objects or ADAPTER_IFACE not in mockobject.objects[path].props:
        raise _error(BLUEZ_MOCK_IFACE + '.NoSuchAdapter', f'Adapter {adapter_device_name} does not exist.')
    return path


def _new_device_path(adapter_device_name, address):
    if not _ADDRESS_RE.match(address):
        raise _error('org.bluez.Error.InvalidArguments', f'Invalid Bluetooth address {address}')
    path = _adapter_path(adapter_device_name) + '/dev_' + address.upper().replace(':', '_')
    if path in mockobject.objects:
        raise _error(BLUEZ_MOCK_IFACE + '.AlreadyExists', f'Device {path} already exists.')
    return path


def _device(path):
    obj = mockobject.objects.get(str(path))
    if obj is None or DEVICE_IFACE not in obj.props:
        raise _error(BLUEZ_MOCK_IFACE + '.NoSuchDevice', f'Device {path} does not exist.')
    return obj


def _icon_for_class(class_):
    major = (class_ >> 8) & 0x1f
    minor = (class_ >> 2) & 0x3f
    if major == 0x01:
        return 'computer'
    if major == 0x02:
        return 'phone'
    if major == 0x04:
        if minor in (0x01, 0x02):
            return 'audio-headset'
        if minor == 0x06:
            return 'audio-headphones'
        return 'audio-card'
    return None


def _manufacturer_data(data):
    '''a{qay} as received -> the a{qv} (each v holding ay) that Device1.ManufacturerData carries'''
    return dbus.Dictionary({
        dbus.UInt16(company): dbus.Array([dbus.Byte(int(b)) for b in payload], signature='y', variant_level=1)
        for company, payload in data.items()
    }, signature='qv')


def _cancel_pending_connect(device):
    pending = getattr(device, 'earlume_pending_connect', None)
    if pending is not None:
        source, error = pending
        GLib.source_remove(source)
        device.earlume_pending_connect = None
        error(_error('org.bluez.Error.Failed', 'br-connection-canceled'))
        return True
    return False


def _set_connected(device, connected):
    '''Connected changes first, ServicesResolved follows (and goes first on the way down), as in bluetoothd.'''
    if connected:
        _update(device, DEVICE_IFACE, {'Connected': dbus.Boolean(True)})
        _update(device, DEVICE_IFACE, {'ServicesResolved': dbus.Boolean(True)})
    else:
        _update(device, DEVICE_IFACE, {'ServicesResolved': dbus.Boolean(False)})
        _update(device, DEVICE_IFACE, {'Connected': dbus.Boolean(False)})


def _remove_device(path):
    device = _device(path)
    _cancel_pending_connect(device)
    interfaces = list(device.props.keys())
    _manager().RemoveObject(str(path))
    _emit_interfaces_removed(path, interfaces)


def _adapters():
    return [obj for obj in mockobject.objects.values() if hasattr(obj, 'earlume_discovery_sessions')]


def _end_discovery_session(adapter, client):
    sessions = adapter.earlume_discovery_sessions
    sessions.discard(client)
    adapter.earlume_discovery_filters.pop(client, None)
    if not sessions:
        _update(adapter, ADAPTER_IFACE, {'Discovering': dbus.Boolean(False)})


def _on_name_owner_changed(name, _old_owner, new_owner):
    # bluetoothd ends the discovery session of a client that leaves the bus
    if new_owner or not name.startswith(':'):
        return
    for adapter in _adapters():
        if name in adapter.earlume_discovery_sessions:
            _end_discovery_session(adapter, name)


#
# Methods of Device1, Adapter1 and the object manager that need the caller's
# name or an asynchronous reply. They are built here, outside module scope, so
# that dbusmock does not also put them on "/".
#

def _make_device_methods():
    @dbus.service.method(DEVICE_IFACE, in_signature='', out_signature='', async_callbacks=('reply', 'error'))
    def Connect(device, reply, error):
        _record(device, 'Connect')
        if getattr(device, 'earlume_pending_connect', None) is not None:
            error(_error('org.bluez.Error.InProgress', 'br-connection-busy'))
            return
        if device.props[DEVICE_IFACE]['Connected']:
            reply()
            return
        failure = getattr(device, 'earlume_connect_error', None)

        def finish():
            device.earlume_pending_connect = None
            if mockobject.objects.get(device.path) is not device:
                error(_error('org.bluez.Error.DoesNotExist', 'Does Not Exist'))
            elif failure:
                error(_error(*failure))
            else:
                _set_connected(device, True)
                reply()
            return False

        delay = getattr(device, 'earlume_connect_delay', 0.0)
        if delay > 0:
            device.earlume_pending_connect = (GLib.timeout_add(int(delay * 1000), finish), error)
        else:
            finish()

    @dbus.service.method(DEVICE_IFACE, in_signature='', out_signature='')
    def Disconnect(device):
        _record(device, 'Disconnect')
        if _cancel_pending_connect(device):
            return
        if not device.props[DEVICE_IFACE]['Connected']:
            raise _error('org.bluez.Error.NotConnected', 'Not Connected')
        _set_connected(device, False)

    @dbus.service.method(DEVICE_IFACE, in_signature='s', out_signature='')
    def ConnectProfile(device, uuid):
        _record(device, 'ConnectProfile', [uuid])

    @dbus.service.method(DEVICE_IFACE, in_signature='s', out_signature='')
    def DisconnectProfile(device, uuid):
        _record(device, 'DisconnectProfile', [uuid])

    @dbus.service.method(DEVICE_IFACE, in_signature='', out_signature='')
    def Pair(device):
        _record(device, 'Pair')
        if device.props[DEVICE_IFACE]['Paired']:
            raise _error('org.bluez.Error.AlreadyExists', 'Already Exists')
        _update(device, DEVICE_IFACE, {
            'Paired': dbus.Boolean(True),
            'Bonded': dbus.Boolean(True),
        })

    @dbus.service.method(DEVICE_IFACE, in_signature='', out_signature='')
    def CancelPairing(device):
        _record(device, 'CancelPairing')
        raise _error('org.bluez.Error.DoesNotExist', 'Does Not Exist')

    return {fn.__name__: fn for fn in (Connect, Disconnect, ConnectProfile, DisconnectProfile, Pair, CancelPairing)}


def _make_adapter_methods():
    @dbus.service.method(ADAPTER_IFACE, in_signature='', out_signature='', sender_keyword='sender')
    def StartDiscovery(adapter, sender=None):
        _record(adapter, 'StartDiscovery')
        if getattr(_manager(), 'earlume_discovery_refused', False):
            raise _error('org.bluez.Error.NotReady', 'Resource Not Ready')
        if not adapter.props[ADAPTER_IFACE]['Powered']:
            raise _error('org.bluez.Error.NotReady', 'Resource Not Ready')
        if sender in adapter.earlume_discovery_sessions:
            raise _error('org.bluez.Error.InProgress', 'Operation already in progress')
        adapter.earlume_discovery_sessions.add(sender)
        _update(adapter, ADAPTER_IFACE, {'Discovering': dbus.Boolean(True)})

    @dbus.service.method(ADAPTER_IFACE, in_signature='', out_signature='', sender_keyword='sender')
    def StopDiscovery(adapter, sender=None):
        _record(adapter, 'StopDiscovery')
        if sender not in adapter.earlume_discovery_sessions:
            raise _error('org.bluez.Error.Failed', 'No discovery started')
        _end_discovery_session(adapter, sender)

    @dbus.service.method(ADAPTER_IFACE, in_signature='a{sv}', out_signature='', sender_keyword='sender')
    def SetDiscoveryFilter(adapter, discovery_filter, sender=None):
        _record(adapter, 'SetDiscoveryFilter', [discovery_filter])
        for key, value in discovery_filter.items():
            if key not in DISCOVERY_FILTER_KEYS:
                raise _error('org.bluez.Error.InvalidArguments', 'Invalid arguments in method call')
            if key == 'Transport' and value not in ('auto', 'bredr', 'le'):
                raise _error('org.bluez.Error.InvalidArguments', 'Invalid arguments in method call')
        if 'RSSI' in discovery_filter and 'Pathloss' in discovery_filter:
            raise _error('org.bluez.Error.InvalidArguments', 'Invalid arguments in method call')
        stored = dbus.Dictionary(discovery_filter, signature='sv')
        if stored:
            adapter.earlume_discovery_filters[sender] = stored
        else:
            adapter.earlume_discovery_filters.pop(sender, None)
        _manager().earlume_last_discovery_filter = stored

    @dbus.service.method(ADAPTER_IFACE, in_signature='', out_signature='as')
    def GetDiscoveryFilters(adapter):
        _record(adapter, 'GetDiscoveryFilters')
        return dbus.Array(sorted(DISCOVERY_FILTER_KEYS), signature='s')

    @dbus.service.method(ADAPTER_IFACE, in_signature='o', out_signature='')
    def RemoveDevice(adapter, path):
        _record(adapter, 'RemoveDevice', [path])
        if not str(path).startswith(adapter.path + '/'):
            raise _error('org.bluez.Error.DoesNotExist', 'Does Not Exist')
        try:
            _remove_device(path)
        except dbus.exceptions.DBusException as e:
            raise _error('org.bluez.Error.DoesNotExist', 'Does Not Exist') from e

    return {fn.__name__: fn for fn in (StartDiscovery, StopDiscovery, SetDiscoveryFilter, GetDiscoveryFilters,
                                       RemoveDevice)}


def _make_object_manager_methods():
    @dbus.service.method(OBJECT_MANAGER_IFACE, in_signature='', out_signature='a{oa{sa{sv}}}',
                         sender_keyword='sender')
    def GetManagedObjects(manager, sender=None):
        _record(manager, 'GetManagedObjects')
        manager.earlume_get_managed_objects_calls[sender] = manager.earlume_get_managed_objects_calls.get(sender, 0) + 1
        return dbus.Dictionary({dbus.ObjectPath(path): obj.props
                                for path, obj in mockobject.objects.items() if path != MAIN_OBJ},
                               signature='oa{sa{sv}}')

    return {'GetManagedObjects': GetManagedObjects}


_DEVICE_METHODS = _make_device_methods()
_ADAPTER_METHODS = _make_adapter_methods()
_OBJECT_MANAGER_METHODS = _make_object_manager_methods()


def _install(obj, interface, methods):
    for name, fn in methods.items():
        obj.methods.setdefault(interface, {})[name] = (fn._dbus_in_signature, fn._dbus_out_signature, '', fn)


def _init_device(device):
    _install(device, DEVICE_IFACE, _DEVICE_METHODS)
    device.earlume_connect_error = None
    device.earlume_connect_delay = 0.0
    device.earlume_pending_connect = None


def _add_device(path, properties):
    manager = _manager()
    manager.AddObject(path, DEVICE_IFACE, properties, [])
    device = mockobject.objects[path]
    _init_device(device)
    _emit_interfaces_added(path, {DEVICE_IFACE: properties})
    return device


def load(mock, parameters):
    bluez5.load(mock, parameters)
    _install(mock, OBJECT_MANAGER_IFACE, _OBJECT_MANAGER_METHODS)
    mock.earlume_get_managed_objects_calls = {}
    mock.earlume_discovery_refused = False
    mock.earlume_last_discovery_filter = dbus.Dictionary({}, signature='sv')
    if getattr(mock, 'earlume_name_watch', None) is None:
        mock.earlume_name_watch = mock.bus_name.get_bus().add_signal_receiver(
            _on_name_owner_changed, signal_name='NameOwnerChanged', dbus_interface='org.freedesktop.DBus',
            bus_name='org.freedesktop.DBus', path='/org/freedesktop/DBus')


#
# org.bluez.Mock: adapters (bluez5's, with per-client discovery)
#

@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='ss', out_signature='s')
def AddAdapter(self, device_name, system_name):
    '''Add a powered Bluetooth adapter, e.g. AddAdapter("hci0", "my-computer")

    device_name must be a valid object path element ending in a digit. The
    adapter counts discovery sessions per client: Discovering stays true while
    any client has one, StopDiscovery from a client without one fails with
    org.bluez.Error.Failed "No discovery started", and a client that leaves
    the bus loses its session.

    Returns the new object path, e.g. "/org/bluez/hci0".
    '''
    path = bluez5.AddAdapter(self, device_name, system_name)
    adapter = mockobject.objects[path]
    _install(adapter, ADAPTER_IFACE, _ADAPTER_METHODS)
    adapter.earlume_discovery_sessions = set()
    adapter.earlume_discovery_filters = {}
    return path


RemoveAdapter = bluez5.RemoveAdapter
RemoveAdapterWithDevices = bluez5.RemoveAdapterWithDevices


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='b', out_signature='')
def SetDiscoveryRefused(_self, refused):
    '''While refused is true, Adapter1.StartDiscovery fails with org.bluez.Error.NotReady.

    Returns nothing.
    '''
    _manager().earlume_discovery_refused = bool(refused)


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='', out_signature='a{sv}')
def GetDiscoveryFilter(_self):
    '''Returns the filter most recently passed to Adapter1.SetDiscoveryFilter by any client ({} if none).'''
    return _manager().earlume_last_discovery_filter


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='', out_signature='as')
def GetDiscoverySessions(_self):
    '''Returns the unique bus names of the clients that have discovery started, over all adapters.'''
    clients = set()
    for adapter in _adapters():
        clients |= adapter.earlume_discovery_sessions
    return dbus.Array(sorted(clients), signature='s')


#
# org.bluez.Mock: devices
#

@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='sssubb', out_signature='o')
def AddClassicDevice(_self, adapter_device_name, address, alias, class_, paired, connected):
    '''Add a BR/EDR device under an adapter, announced with InterfacesAdded

    adapter_device_name is the name given to AddAdapter ("hci0"), address is
    "AA:BB:CC:DD:EE:FF", class_ the Class of Device (e.g. 0x240418 for
    headphones). Name and Alias are alias; Trusted and Bonded follow paired.
    There is no Modalias until SetModalias.

    Returns the new object path, e.g. "/org/bluez/hci0/dev_AA_BB_CC_DD_EE_FF".
    '''
    path = _new_device_path(adapter_device_name, address)
    uuids = AUDIO_UUIDS if paired and ((class_ >> 8) & 0x1f) == 0x04 else []
    properties = {
        'Address': dbus.String(address.upper()),
        'AddressType': dbus.String('public'),
        'Name': dbus.String(alias),
        'Alias': dbus.String(alias),
        'Class': dbus.UInt32(class_),
        'Paired': dbus.Boolean(paired),
        'Bonded': dbus.Boolean(paired),
        'Trusted': dbus.Boolean(paired),
        'Blocked': dbus.Boolean(False),
        'LegacyPairing': dbus.Boolean(False),
        'Connected': dbus.Boolean(connected),
        'ServicesResolved': dbus.Boolean(connected),
        'UUIDs': dbus.Array(uuids, signature='s'),
        'Adapter': dbus.ObjectPath('/org/bluez/' + adapter_device_name),
        'WakeAllowed': dbus.Boolean(False),
    }
    icon = _icon_for_class(class_)
    if icon:
        properties['Icon'] = dbus.String(icon)
    _add_device(path, properties)
    return dbus.ObjectPath(path)


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='ssa{qay}n', out_signature='o')
def AddLEDevice(_self, adapter_device_name, address, manufacturer_data, rssi):
    '''Add a Low Energy device as bluetoothd does when discovery sees its advertisement

    The device is not paired or connected, has AddressType "random", an Alias
    made from its address, no Name and no Class, RSSI rssi, and
    ManufacturerData built from manufacturer_data (company id -> payload bytes;
    as a property it is a{qv}, each v holding ay). Announced with
    InterfacesAdded.

    Returns the new object path.
    '''
    path = _new_device_path(adapter_device_name, address)
    properties = {
        'Address': dbus.String(address.upper()),
        'AddressType': dbus.String('random'),
        'Alias': dbus.String(address.upper().replace(':', '-')),
        'Paired': dbus.Boolean(False),
        'Bonded': dbus.Boolean(False),
        'Trusted': dbus.Boolean(False),
        'Blocked': dbus.Boolean(False),
        'LegacyPairing': dbus.Boolean(False),
        'Connected': dbus.Boolean(False),
        'ServicesResolved': dbus.Boolean(False),
        'UUIDs': dbus.Array([], signature='s'),
        'Adapter': dbus.ObjectPath('/org/bluez/' + adapter_device_name),
        'RSSI': dbus.Int16(rssi),
        'ManufacturerData': _manufacturer_data(manufacturer_data),
    }
    _add_device(path, properties)
    return dbus.ObjectPath(path)


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='oa{qay}n', out_signature='')
def UpdateAdvertisement(_self, path, manufacturer_data, rssi):
    '''A new advertisement from the device: ManufacturerData and RSSI in one PropertiesChanged

    Both are announced even when unchanged, as bluetoothd does with
    DuplicateData (its default). Fails with org.bluez.Mock.NoSuchDevice.

    Returns nothing.
    '''
    device = _device(path)
    values = {
        'ManufacturerData': _manufacturer_data(manufacturer_data),
        'RSSI': dbus.Int16(rssi),
    }
    device.props[DEVICE_IFACE].update(values)
    _emit_properties_changed(device, DEVICE_IFACE, values)


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='o', out_signature='')
def RemoveDevice(_self, path):
    '''Remove any device object; InterfacesRemoved lists all its interfaces (Device1, Battery1)

    A pending Connect() on it fails with org.bluez.Error.Failed. Fails with
    org.bluez.Mock.NoSuchDevice.

    Returns nothing.
    '''
    _remove_device(path)


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='ob', out_signature='')
def SetConnected(_self, path, connected):
    '''The device (dis)connects by itself: Connected (and ServicesResolved) with PropertiesChanged

    Nothing is emitted when the value does not change. Fails with
    org.bluez.Mock.NoSuchDevice.

    Returns nothing.
    '''
    _set_connected(_device(path), bool(connected))


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='oss', out_signature='')
def SetConnectError(_self, path, error_name, message):
    '''Make Device1.Connect() on the device fail with the D-Bus error error_name and message

    e.g. SetConnectError(dev, "org.bluez.Error.Failed", "Page Timeout"); an
    empty error_name makes Connect succeed again. Fails with
    org.bluez.Mock.NoSuchDevice.

    Returns nothing.
    '''
    device = _device(path)
    device.earlume_connect_error = (str(error_name), str(message)) if error_name else None


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='od', out_signature='')
def SetConnectDelay(_self, path, seconds):
    '''Make Device1.Connect() on the device answer (success or error) only after seconds

    The mock keeps serving other calls meanwhile; a second Connect() while one
    is pending fails with org.bluez.Error.InProgress, Disconnect() cancels it.
    0 answers at once. Fails with org.bluez.Mock.NoSuchDevice.

    Returns nothing.
    '''
    _device(path).earlume_connect_delay = max(0.0, float(seconds))


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='os', out_signature='')
def SetModalias(_self, path, modalias):
    '''Set Device1.Modalias, e.g. "bluetooth:v004Cp200Ed0001", with PropertiesChanged

    Fails with org.bluez.Mock.NoSuchDevice.

    Returns nothing.
    '''
    _update(_device(path), DEVICE_IFACE, {'Modalias': dbus.String(modalias)})


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='oy', out_signature='')
def SetBattery(_self, path, percentage):
    '''Give the device org.bluez.Battery1 with Percentage, or update it

    The first call adds the interface (InterfacesAdded for the device path with
    only Battery1); later calls emit PropertiesChanged when the value changes.
    Fails with org.bluez.Error.InvalidArguments above 100 and with
    org.bluez.Mock.NoSuchDevice.

    Returns nothing.
    '''
    device = _device(path)
    if percentage > 100:
        raise _error('org.bluez.Error.InvalidArguments', 'Invalid arguments in method call')
    value = dbus.Byte(percentage)
    if BATTERY_IFACE in device.props:
        _update(device, BATTERY_IFACE, {'Percentage': value})
    else:
        device.props[BATTERY_IFACE] = {'Percentage': value}
        _emit_interfaces_added(path, {BATTERY_IFACE: {'Percentage': value}})


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='o', out_signature='')
def RemoveBattery(_self, path):
    '''Take org.bluez.Battery1 off the device: InterfacesRemoved with ["org.bluez.Battery1"]

    Fails with org.bluez.Error.DoesNotExist if the device has no battery and
    with org.bluez.Mock.NoSuchDevice.

    Returns nothing.
    '''
    device = _device(path)
    if BATTERY_IFACE not in device.props:
        raise _error('org.bluez.Error.DoesNotExist', 'Does Not Exist')
    del device.props[BATTERY_IFACE]
    _emit_interfaces_removed(path, [BATTERY_IFACE])


#
# org.bluez.Mock: bluez5's device helpers, kept consistent with Device1 above
#

@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='sss', out_signature='s')
def AddDevice(self, adapter_device_name, device_address, alias):
    '''bluez5's unpaired, unconnected device (Class 0)

    Returns the new object path.
    '''
    path = bluez5.AddDevice(self, adapter_device_name, device_address, alias)
    _init_device(mockobject.objects[path])
    return path


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='ssi', out_signature='')
def PairDevice(self, adapter_device_name, device_address, class_):
    '''bluez5's PairDevice, which also stores the class it announces

    Fails with org.bluez.Mock.NoSuchAdapter or org.bluez.Mock.NoSuchDevice.

    Returns nothing.
    '''
    bluez5.PairDevice(self, adapter_device_name, device_address, class_)
    path = '/org/bluez/' + adapter_device_name + '/dev_' + device_address.replace(':', '_').upper()
    device = mockobject.objects[path]
    device.props[DEVICE_IFACE]['Class'] = dbus.UInt32(class_)
    device.props[DEVICE_IFACE]['Bonded'] = dbus.Boolean(True)


BlockDevice = bluez5.BlockDevice
ConnectDevice = bluez5.ConnectDevice
DisconnectDevice = bluez5.DisconnectDevice


#
# org.bluez.Mock: counting GetManagedObjects
#

@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='', out_signature='u')
def GetManagedObjectsCallCount(_self):
    '''Returns how many GetManagedObjects calls "/" answered since start or the last reset, from all clients.'''
    return dbus.UInt32(sum(_manager().earlume_get_managed_objects_calls.values()))


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='', out_signature='a{su}')
def GetManagedObjectsCallers(_self):
    '''Returns the GetManagedObjects call count per client unique name since start or the last reset.'''
    return dbus.Dictionary(_manager().earlume_get_managed_objects_calls, signature='su')


@dbus.service.method(BLUEZ_MOCK_IFACE, in_signature='', out_signature='')
def ResetGetManagedObjectsCallCount(_self):
    '''Set the GetManagedObjects counts back to zero.

    Returns nothing.
    '''
    _manager().earlume_get_managed_objects_calls = {}
