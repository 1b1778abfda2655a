# SPDX-License-Identifier: GPL-3.0-or-later
'''bluetoothd for Earlume's tests: bluez5 and the org.bluez.Mock methods load() lists (device paths as strings), with
discovery sessions per client and Device1.Connect() answered with the delay and error set; changes announced as
bluetoothd does. External profiles follow BlueZ 5.66's src/profile.c, src/service.c and src/device.c (each behaviour
names the function it follows): Device1.ConnectProfile() of a registered profile hands one end of a socket pair to its
NewConnection(), keeps its own copy of that end, and plays AirPods' accessory protocol on the other: the handshake,
battery and in-ear reports after the request for notifications, keys when asked, and whatever SetAap* changes while
the channel is open; a noise control mode the host sets is taken without an answer, as AirPods often give none. Each
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
AAP_UUID = '74ec2172-0bad-4d01-8f77-997b2be0722a'
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
    if not connected:
        _drop_aap(device)  # the link is gone: so is every channel on it
    for name in ('Connected', 'ServicesResolved')[::1 if connected else -1]:
        _set(device, DEVICE, **{name: dbus.Boolean(connected)})


def _aap(opcode, payload=b''):
    return bytes([4, 0, 4, 0, opcode & 0xFF, opcode >> 8]) + bytes(payload)


def _aap_reports(device):
    battery = _aap(0x04, [len(device.aap_battery)] + [b for c, level, status in device.aap_battery
                                                        for b in (c, 1, level, status, 1)])
    noise = [_aap(0x09, [0x0D, device.aap_noise, 0, 0, 0])] if device.aap_noise else []
    return ([battery, _aap(0x06, device.aap_in_ear)] if device.aap_battery else []) + noise + device.aap_extra


def _aap_send(device, packets):
    for packet in packets if device.aap_socket else []:
        try:
            device.aap_socket.send(packet)
        except OSError:
            pass


def _close_bluez_copy(device):  # ext_io_destroy: bluetoothd lets go of its copy; the service is disconnected
    if getattr(device, 'aap_bluez', None):
        GLib.source_remove(device.aap_bluez_watch)
        device.aap_bluez.close()
        device.aap_bluez = None


def _drop_aap(device):  # the AirPods hang up (or the link went): every copy of the host's end sees it
    if getattr(device, 'aap_socket', None):
        GLib.source_remove(device.aap_watch)
        device.aap_socket.close()
        device.aap_socket = None
    _close_bluez_copy(device)


def _bluez_copy_hung_up(device, *_):  # ext_io_disconnected: the service stays connected until this copy hangs up
    device.aap_bluez = None
    _drop_aap(device)
    return False


def _aap_heard(device, sock, _condition):  # the host's packets, as AirPods answer them
    try:
        packet = sock.recv(1024)
    except OSError:
        packet = b''
    if not packet:  # the host shut the channel down
        _drop_aap(device)
        return False
    device.aap_received.append(packet.hex())
    if packet[0] == 0x00 and device.aap_silent > 0:  # busy right after connecting: the handshake goes unanswered
        device.aap_silent -= 1
    elif packet[0] == 0x00 and device.aap_misbehaviour:  # answers the handshake with nonsense, or not at all
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


def _open_channel(device):  # ext_connect: a connected socket pair, bluetoothd watching its copy of the host's end
    host, airpods = socket.socketpair(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    device.aap_socket, device.aap_received, device.aap_bluez = airpods, [], host
    device.aap_watch = GLib.io_add_watch(airpods.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP,
                                         lambda *_: _aap_heard(device, airpods, None))
    device.aap_bluez_watch = GLib.io_add_watch(host.fileno(), GLib.PRIORITY_DEFAULT,
                                               GLib.IO_HUP | GLib.IO_ERR | GLib.IO_NVAL,
                                               lambda *_: _bluez_copy_hung_up(device))
    return host


def _profile_unavailable():  # btd_error_not_available_str (5.66) or btd_error_profile_unavailable (5.84 on)
    if objects['/'].bluez_version >= 84:
        return _error('BREDR.ProfileUnavailable', 'No more profiles to connect to')
    return _error('NotAvailable', 'br-connection-profile-unavailable')


def _request_disconnection(device, done):  # send_disconn_req, then disconn_reply: ext_io_destroy either way
    profile = objects['/'].profiles.get(AAP_UUID)
    if not profile or not device.aap_bluez:
        return done()

    def finished(*_):
        _close_bluez_copy(device)
        done()
    objects['/'].bus_name.get_bus().call_async(profile[0], profile[1], 'org.bluez.Profile1', 'RequestDisconnection',
                                               'o', [device.path], finished, finished)


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

    @dbus.service.method(DEVICE, async_callbacks=('reply', 'error'))
    def Disconnect(self, reply, error):  # services first (ext_disconnect_dev asks the profile), then the link
        _request_disconnection(self, lambda: (_connect(self, False), reply()))

    @dbus.service.method(DEVICE, in_signature='s', async_callbacks=('reply', 'error'))
    def ConnectProfile(self, uuid, reply, error):
        profile = objects['/'].profiles.get(uuid.lower())
        if not profile or not self.aap_record:  # connect_profiles: no service for it
            return error(_profile_unavailable())
        if not self.props[DEVICE]['Connected'] or self.aap_refusals > 0:
            self.aap_refusals = max(self.aap_refusals - 1, 0)
            return error(_error('Failed', 'br-connection-refused'))
        if self.aap_bluez:  # btd_service_connect: -EALREADY while CONNECTED, which connect_profiles answers as success
            return reply()
        host = _open_channel(self)

        def refused(_e):  # new_conn_reply: an error ends the channel and the ConnectProfile call
            _drop_aap(self)
            error(_error('Failed', 'br-connection-refused'))
        objects['/'].bus_name.get_bus().call_async(
            profile[0], profile[1], 'org.bluez.Profile1', 'NewConnection', 'oha{sv}',
            [self.path, dbus.types.UnixFd(host.fileno()), {}], lambda *_: reply(), refused)

    @dbus.service.method(DEVICE, in_signature='s', async_callbacks=('reply', 'error'))
    def DisconnectProfile(self, uuid, reply, error):  # disconnect_profile: nothing connected is success at once
        if uuid.lower() != AAP_UUID or not self.aap_bluez:
            return reply()
        _request_disconnection(self, reply)

    @dbus.service.method('org.bluez.ProfileManager1', in_signature='osa{sv}', sender_keyword='sender')
    def RegisterProfile(self, path, uuid, options, sender):  # register_profile
        profiles = objects['/'].profiles
        if any(owner == sender and where == path for owner, where, _ in profiles.values()):
            raise _error('AlreadyExists', 'Already Exists')
        if uuid.lower() in profiles:
            raise _error('NotPermitted', 'UUID already registered')
        profiles[uuid.lower()] = (sender, path, options)

        def exited(owner):  # ext_exited: the profile goes with its owner, and so do its channels
            if not owner and profiles.get(uuid.lower(), (None,))[0] == sender:
                del profiles[uuid.lower()]
                for device in objects.values():
                    if getattr(device, 'aap_bluez', None) and uuid.lower() == AAP_UUID:
                        _close_bluez_copy(device)
        objects['/'].bus_name.get_bus().watch_name_owner(sender, exited)

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
    device.aap_bluez, device.aap_record, device.aap_silent, device.aap_extra = None, True, 0, []
    device.aap_battery, device.aap_in_ear, device.aap_keys, device.aap_received = [], [1, 1], [], []
    device.aap_misbehaviour = ''  # 'garbage', 'truncated' or 'hangup' in answer to the handshake
    device.aap_noise = 0
    device.methods[DEVICE].update({name: (None, '', '', getattr(_Methods, name)) for name in (
        'Connect', 'Disconnect', 'ConnectProfile', 'DisconnectProfile')})
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


def _release_profiles(mock):  # btd_profile_cleanup -> remove_ext: Release(), and every channel goes
    for owner, path, _ in list(mock.profiles.values()):
        mock.bus_name.get_bus().call_async(owner, path, 'org.bluez.Profile1', 'Release', '', [], None, None)
    mock.profiles.clear()
    for device in list(objects.values()):
        if getattr(device, 'aap_bluez', None):
            _close_bluez_copy(device)


def _unplug_adapter(mock, name):  # adapter_remove: its devices go first (their links with them), then itself
    adapter = '/org/bluez/' + name
    for path in [p for p in objects if p.startswith(adapter + '/dev_')]:
        _drop_aap(objects[path])
        interfaces = dbus.Array(objects[path].props, signature='s')
        mock.RemoveObject(path)
        _announce('Removed', path, interfaces)
    interfaces = dbus.Array(objects[adapter].props, signature='s')
    mock.RemoveObject(adapter)
    _announce('Removed', adapter, interfaces)


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
    mock.bluez_version = 66
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
        # BlueZ's side: a handshake or more left unanswered; no service record for the protocol; a channel that
        # bluetoothd still holds from an earlier client; dropping every profile (btd_profile_cleanup sends
        # Release); an adapter unplugged with its devices; the error names of another version (66 or 84).
        ('SetAapSilentHandshakes', 'si', '', lambda _, path, count: setattr(objects[path], 'aap_silent', count)),
        ('SetAapRecord', 'sb', '', lambda _, path, present: setattr(objects[path], 'aap_record', present)),
        ('SetAapExtra', 'say', '', lambda _, path, packet: setattr(objects[path], 'aap_extra', [bytes(packet)])),
        ('LeaveStaleAapChannel', 's', '', lambda _, path: _open_channel(objects[path]) and None),
        ('ReleaseProfiles', '', '', _release_profiles),
        ('UnplugAdapter', 's', '', _unplug_adapter),
        ('SetBluezVersion', 'u', '', lambda mock, version: setattr(mock, 'bluez_version', version)),
        ('IsAapServiceConnected', 's', 'b', lambda _, path: objects[path].aap_bluez is not None),
        ('GetProfiles', '', 'as', lambda mock: dbus.Array(mock.profiles, signature='s')),
        ('GetBatteryProviders', '', 'as', lambda mock: dbus.Array(mock.providers, signature='s')),  # "sender path"
        ('SimulateAdvertisers', 'uu', '', _simulate_advertisers),  # (devices on hci0, advertisements per second)
        ('OfferAdvertisementMonitor', 's', '', _offer_monitors),  # (adapter name), as bluetoothd --experimental
        ('GetAdvertisementMonitors', '', 'as', _active_monitors),
    ])
