# SPDX-License-Identifier: GPL-3.0-or-later
'''bluetoothd for Earlume's tests: bluez5 and the org.bluez.Mock methods load() lists (device paths as strings), with
discovery sessions per client and Device1.Connect() answered with the delay and error set; changes announced as
bluetoothd does. Device1.ConnectProfile() of a registered profile hands one end of a socket pair to its
NewConnection() and plays AirPods' accessory protocol on the other: the handshake, battery and in-ear reports after
the request for notifications, keys when asked, and whatever SetAap* changes while the channel is open; a noise
control mode the host sets is taken without an answer, as AirPods often give none. Each
adapter offers org.bluez.BatteryProviderManager1, which only records who registered which provider; one that
OfferAdvertisementMonitor() names also offers org.bluez.AdvertisementMonitorManager1 (experimental in bluetoothd), which
reads a registered application's monitors and activates those of a supported type; matching advertisements to them is
not simulated (every advertisement added is heard).'''
import os
import socket

import dbus
import dbus.service
from gi.repository import GLib

from dbusmock import OBJECT_MANAGER_IFACE, mockobject
from dbusmock.templates import bluez5

BUS_NAME, MAIN_OBJ, SYSTEM_BUS, IS_OBJECT_MANAGER = bluez5.BUS_NAME, '/', True, True
ADAPTER, DEVICE, BATTERY = bluez5.ADAPTER_IFACE, bluez5.DEVICE_IFACE, 'org.bluez.Battery1'
PROVIDERS = 'org.bluez.BatteryProviderManager1'
MONITORS, MONITOR = 'org.bluez.AdvertisementMonitorManager1', 'org.bluez.AdvertisementMonitor1'
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
    if not connected:
        _drop_aap(device)


def _aap(opcode, payload=b''):
    return bytes([4, 0, 4, 0, opcode & 0xFF, opcode >> 8]) + bytes(payload)


def _aap_reports(device):
    battery = _aap(0x04, [len(device.aap_battery)] + [b for c, level, status in device.aap_battery
                                                        for b in (c, 1, level, status, 1)])
    noise = [_aap(0x09, [0x0D, device.aap_noise, 0, 0, 0])] if device.aap_noise else []
    return ([battery, _aap(0x06, device.aap_in_ear)] if device.aap_battery else []) + noise


def _aap_send(device, packets):
    for packet in packets if device.aap_socket else []:
        device.aap_socket.send(packet)


def _drop_aap(device):
    if getattr(device, 'aap_socket', None):
        GLib.source_remove(device.aap_watch)
        device.aap_socket.close()
        device.aap_socket = None


def _aap_heard(device, sock, _condition):  # the host's packets, as AirPods answer them
    try:
        packet = sock.recv(1024)
    except OSError:
        packet = b''
    if not packet:
        device.aap_socket = None
        sock.close()
        return False
    device.aap_received.append(packet.hex())
    if packet[0] == 0x00 and device.aap_misbehaviour:  # answers the handshake with nonsense, or not at all
        if device.aap_misbehaviour == 'hangup':
            return _drop_aap(device) or True  # its watch is gone with it
        _aap_send(device, [os.urandom(n) for n in (1, 7, 300, 1000)] if device.aap_misbehaviour == 'garbage' else
                  [bytes([4, 0, 4]), _aap(0x04, [3, 4, 1, 80, 1]), _aap(0x31, [1, 1, 0, 16, 0, 1, 2])])
    elif packet[0] == 0x00:
        _aap_send(device, [bytes([1, 0, 4, 0, 0, 0])])
    elif packet[:6] == _aap(0x0F):
        _aap_send(device, _aap_reports(device))
    elif packet[:6] == _aap(0x30) and device.aap_keys:
        keys = [b for kind, key in device.aap_keys for b in (kind, 0, len(key), 0, *key)]
        _aap_send(device, [_aap(0x31, [len(device.aap_keys)] + keys)])
    elif packet[:7] == _aap(0x09, [0x0D]) and len(packet) > 7:
        device.aap_noise = packet[7]
    return True


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

    @dbus.service.method(DEVICE, in_signature='s', async_callbacks=('reply', 'error'))
    def ConnectProfile(self, uuid, reply, error):
        profile = objects['/'].profiles.get(uuid.lower())
        if self.aap_refusals > 0 or not profile or not self.props[DEVICE]['Connected']:
            self.aap_refusals = max(self.aap_refusals - 1, 0)
            return error(_error('Failed', 'br-connection-refused'))
        _drop_aap(self)
        ours, theirs = socket.socketpair(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        self.aap_socket, self.aap_received = theirs, []
        self.aap_watch = GLib.io_add_watch(theirs.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP,
                                           lambda *_: _aap_heard(self, theirs, None))
        bus = objects['/'].bus_name.get_bus()
        bus.call_async(profile[0], profile[1], 'org.bluez.Profile1', 'NewConnection', 'oha{sv}',
                       [self.path, dbus.types.UnixFd(ours.fileno()), {}], lambda *_: reply(),
                       lambda e: error(e))
        ours.close()

    @dbus.service.method('org.bluez.ProfileManager1', in_signature='osa{sv}', sender_keyword='sender')
    def RegisterProfile(self, path, uuid, options, sender):
        objects['/'].profiles[uuid.lower()] = (sender, path, options)

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

    @dbus.service.method(PROVIDERS, in_signature='o', sender_keyword='sender')
    def RegisterBatteryProvider(self, path, sender):
        objects['/'].providers.append(f'{sender} {path}')

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
    objects[path].props[PROVIDERS] = dbus.Dictionary({}, signature='sv')
    objects[path].methods[PROVIDERS] = {'RegisterBatteryProvider': (None, '', '', _Methods.RegisterBatteryProvider)}
    _announce('Added', path, {PROVIDERS: objects[path].props[PROVIDERS]})
    return path


def _add_device(mock, adapter, address, **properties):
    path = dbus.ObjectPath(f'/org/bluez/{adapter}/dev_' + address.upper().replace(':', '_'))
    properties.update(Address=address.upper(), Adapter=dbus.ObjectPath('/org/bluez/' + adapter), Blocked=False,
                      Trusted=properties['Paired'], ServicesResolved=properties['Connected'])
    mock.AddObject(path, DEVICE, properties, [])
    device = objects[path]
    device.connect_error, device.connect_delay, device.aap_refusals, device.aap_socket = None, 0, 0, None
    device.aap_battery, device.aap_in_ear, device.aap_keys, device.aap_received = [], [1, 1], [], []
    device.aap_misbehaviour = ''  # 'garbage', 'truncated' or 'hangup' in answer to the handshake
    device.aap_noise = 0
    device.methods[DEVICE].update({name: (None, '', '', getattr(_Methods, name)) for name in (
        'Connect', 'Disconnect', 'ConnectProfile')})
    _announce('Added', path, {DEVICE: properties})
    return path


def _set_battery(_mock, path, percentage):
    if BATTERY in objects[path].props:
        _set(objects[path], BATTERY, Percentage=dbus.Byte(percentage))
    else:
        objects[path].props[BATTERY] = {'Percentage': dbus.Byte(percentage)}
        _announce('Added', path, {BATTERY: objects[path].props[BATTERY]})


def _set_aap(path, **values):
    device = objects[path]
    for name, value in values.items():
        setattr(device, 'aap_' + name, value)
    _aap_send(device, _aap_reports(device))


def _simulate_advertisers(mock, count, per_second):  # nearby LE devices, heard while any discovery session is open
    paths = [_add_device(mock, 'hci0', f'5A:00:00:00:{i // 256:02X}:{i % 256:02X}', AddressType='random',
                         Alias='', RSSI=dbus.Int16(-70), Paired=False, Connected=False) for i in range(count)]
    heard = iter(range(1 << 62))

    def advertise():
        if any(getattr(o, 'sessions', None) for o in objects.values()):
            i = next(heard)
            _set(objects[paths[i % count]], DEVICE, always=True, RSSI=dbus.Int16(-60 - i % 20),
                 ManufacturerData=_manufacturer_data({0x004C: [0x10, 0x05, i % 256, 0x1C, 0x00, 0x00]}))
        return True
    GLib.timeout_add(max(1, 1000 // per_second), advertise)


# AdvertisementMonitorManager1 as BlueZ's doc/org.bluez.AdvertisementMonitorManager.rst and src/adv_monitor.c have it:
# the root is read with GetManagedObjects after RegisterMonitor has answered; a monitor of a supported type with
# patterns is activated (Activate, no reply), any other released; UnregisterMonitor releases the application's monitors.
class _Monitors:
    @dbus.service.method(MONITORS, in_signature='o', sender_keyword='sender')
    def RegisterMonitor(self, application, sender):
        key = (str(sender), str(application))
        if key in self.monitor_apps:
            raise _error('AlreadyExists', 'Already Exists')
        self.monitor_apps[key] = {}
        bus = objects['/'].bus_name.get_bus()

        def read(managed):
            for path, interfaces in managed.items():
                props = interfaces.get(MONITOR)
                if props is None or key not in self.monitor_apps:
                    continue
                ok = props.get('Type') in self.props[MONITORS]['SupportedMonitorTypes'] and props.get('Patterns')
                self.monitor_apps[key][str(path)] = (str(props.get('Type')), [
                    f'{int(p[0])}/{int(p[1]):02x}/{bytes(p[2]).hex()}' for p in props.get('Patterns', [])], ok)
                bus.call_async(key[0], path, MONITOR, 'Activate' if ok else 'Release', '', [], None, None)
                if not ok:
                    del self.monitor_apps[key][str(path)]
        GLib.idle_add(lambda: bus.call_async(key[0], application, OBJECT_MANAGER_IFACE, 'GetManagedObjects', '', [],
                                             read, lambda e: None) and False)

    @dbus.service.method(MONITORS, in_signature='o', sender_keyword='sender')
    def UnregisterMonitor(self, application, sender):
        key = (str(sender), str(application))
        if key not in self.monitor_apps:
            raise _error('DoesNotExist', 'Does Not Exist')
        bus = objects['/'].bus_name.get_bus()
        for path in self.monitor_apps.pop(key):
            bus.call_async(key[0], path, MONITOR, 'Release', '', [], None, None)


def _offer_monitors(_mock, adapter):
    obj = objects['/org/bluez/' + adapter]
    obj.monitor_apps = {}
    obj.props[MONITORS] = dbus.Dictionary({'SupportedMonitorTypes': dbus.Array(['or_patterns'], signature='s'),
                                           'SupportedFeatures': dbus.Array([], signature='s')}, signature='sv')
    obj.methods[MONITORS] = {name: (None, '', '', getattr(_Monitors, name))
                             for name in ('RegisterMonitor', 'UnregisterMonitor')}
    _announce('Added', dbus.ObjectPath('/org/bluez/' + adapter), {MONITORS: obj.props[MONITORS]})


def _active_monitors(_mock):  # "sender path type pattern,..." of each monitor activated, patterns as start/type/hex
    return dbus.Array([f'{key[0]} {path} {kind} {",".join(patterns)}'
                       for o in list(objects.values()) for key, monitors in getattr(o, 'monitor_apps', {}).items()
                       for path, (kind, patterns, _ok) in monitors.items()], signature='s')


def load(mock, parameters):
    bluez5.load(mock, parameters)
    mock.refused, mock.discovery_filter, mock.profiles, mock.providers = False, dbus.Dictionary(signature='sv'), {}, []
    objects['/org/bluez'].methods['org.bluez.ProfileManager1']['RegisterProfile'] = (
        None, '', '', _Methods.RegisterProfile)
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
        ('SetBatterySource', 'ss', '', lambda _, path, source: _set(objects[path], BATTERY, Source=source)),
        ('SetConnectError', 'sss', '', lambda _, path, name, message: setattr(
            objects[path], 'connect_error', (name, message) if name else None)),
        ('SetConnectDelay', 'sd', '', lambda _, path, seconds: setattr(objects[path], 'connect_delay', seconds)),
        ('SetDiscoveryRefused', 'b', '', lambda mock, refused: setattr(mock, 'refused', refused)),
        ('GetDiscoveryFilter', '', 'a{sv}', lambda mock: mock.discovery_filter),
        ('GetDiscoverySessions', '', 'as', lambda _: dbus.Array(
            set().union(*(getattr(o, 'sessions', ()) for o in objects.values())), signature='s')),
        ('GetManagedObjectsCallCount', '', 'u', lambda mock: len(mock.GetMethodCalls('GetManagedObjects'))),
        # Accessory protocol: battery as (component, level, status) triples, in-ear as (primary, secondary), the
        # keys (IRK, encryption key); what the host sent (hex packets); refusals of the next connects; a dropped link.
        ('SetAapBattery', 'say', '', lambda _, path, flat: _set_aap(path, battery=[
            tuple(flat[i:i + 3]) for i in range(0, len(flat) - 2, 3)])),
        ('SetAapInEar', 'syy', '', lambda _, path, primary, secondary: _set_aap(path, in_ear=[primary, secondary])),
        ('SetAapNoiseMode', 'sy', '', lambda _, path, mode: _set_aap(path, noise=mode)),  # 1 off ... 4 adaptive
        ('SetAapKeys', 'sayay', '', lambda _, path, irk, key: setattr(objects[path], 'aap_keys',
                                                                     [(1, bytes(irk)), (4, bytes(key))])),
        ('SetAapMisbehaviour', 'ss', '', lambda _, path, mode: setattr(objects[path], 'aap_misbehaviour', mode)),
        ('GetAapReceived', 's', 'as', lambda _, path: dbus.Array(objects[path].aap_received, signature='s')),
        ('RefuseAap', 'si', '', lambda _, path, count: setattr(objects[path], 'aap_refusals', count)),
        ('DropAap', 's', '', lambda _, path: _drop_aap(objects[path])),
        ('GetProfiles', '', 'as', lambda mock: dbus.Array(mock.profiles, signature='s')),
        ('GetBatteryProviders', '', 'as', lambda mock: dbus.Array(mock.providers, signature='s')),  # "sender path"
        ('SimulateAdvertisers', 'uu', '', _simulate_advertisers),  # (devices on hci0, advertisements per second)
        ('OfferAdvertisementMonitor', 's', '', _offer_monitors),  # (adapter name), as bluetoothd --experimental
        ('GetAdvertisementMonitors', '', 'as', _active_monitors),
    ])
