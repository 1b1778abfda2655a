# SPDX-License-Identifier: GPL-3.0-or-later
'''xdg-desktop-portal Settings mock template for Earlume's integration tests

Serves org.freedesktop.portal.Desktop on the session bus with the object
/org/freedesktop/portal/desktop and the interface
org.freedesktop.portal.Settings, holding one setting:
org.freedesktop.appearance / color-scheme (uint32: 0 no preference, 1 dark,
2 light).

- Read(ss) -> v answers a variant inside a variant, as version 1 of the
  interface always did;
- ReadOne(ss) -> v answers the plain variant (version 2 only);
- ReadAll(as) -> a{sa{sv}};
- property version (u), signal SettingChanged(ssv).

Parameters (JSON, -p): "color-scheme" (initial value, default 0) and
"version" (default 2; 1 leaves out ReadOne, so calling it fails with
org.freedesktop.DBus.Error.UnknownMethod, as the portal of Debian 12 does).

Tests change settings through org.freedesktop.portal.Mock.
'''

import dbus

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.Settings'
SYSTEM_BUS = False

PORTAL_MOCK_IFACE = 'org.freedesktop.portal.Mock'
APPEARANCE = 'org.freedesktop.appearance'
COLOR_SCHEME = 'color-scheme'


def _not_found():
    return dbus.exceptions.DBusException('Requested setting not found',
                                         name='org.freedesktop.portal.Error.NotFound')


def _lookup(mock, namespace, key):
    try:
        return mock.earlume_settings[namespace][key]
    except KeyError as e:
        raise _not_found() from e


def _read_one(mock, namespace, key):
    return _lookup(mock, namespace, key)


def load(mock, parameters):
    version = int(parameters.get('version', 2))
    mock.earlume_settings = {
        APPEARANCE: {COLOR_SCHEME: dbus.UInt32(int(parameters.get(COLOR_SCHEME, 0)))},
    }
    mock.AddProperties(MAIN_IFACE, {'version': dbus.UInt32(version)})
    if version >= 2:
        mock.AddMethod(MAIN_IFACE, 'ReadOne', 'ss', 'v', _read_one)


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='v')
def Read(self, namespace, key):
    '''Returns the value wrapped in one more variant (v holding v holding the value).'''
    return _nest(_lookup(self, namespace, key))


def _nest(value):
    # dbus-python has no variant type: a value's variant_level says how many
    # variants hold it on the wire, so level 2 in a "v" slot is v(v(value)).
    if isinstance(value, (dbus.Array, dbus.Dictionary)):
        return type(value)(value, signature=value.signature, variant_level=2)
    return type(value)(value, variant_level=2)


@dbus.service.method(MAIN_IFACE, in_signature='as', out_signature='a{sa{sv}}')
def ReadAll(self, namespaces):
    '''Returns every setting whose namespace matches one of namespaces ("" or none: all; "prefix*": prefix).'''
    def matches(namespace):
        if not namespaces:
            return True
        for pattern in namespaces:
            if pattern == '' or pattern == namespace:
                return True
            if pattern.endswith('*') and namespace.startswith(pattern[:-1]):
                return True
        return False

    return dbus.Dictionary({
        namespace: dbus.Dictionary(values, signature='sv')
        for namespace, values in self.earlume_settings.items() if matches(namespace)
    }, signature='sa{sv}')


@dbus.service.method(PORTAL_MOCK_IFACE, in_signature='u', out_signature='')
def SetColorScheme(self, value):
    '''Store org.freedesktop.appearance color-scheme and emit SettingChanged, even if unchanged.

    Returns nothing.
    '''
    SetSetting(self, APPEARANCE, COLOR_SCHEME, dbus.UInt32(value))


@dbus.service.method(PORTAL_MOCK_IFACE, in_signature='ssv', out_signature='')
def SetSetting(self, namespace, key, value):
    '''Store any setting and emit SettingChanged(namespace, key, value), even if unchanged.

    Returns nothing.
    '''
    self.earlume_settings.setdefault(str(namespace), {})[str(key)] = value
    self.EmitSignal(MAIN_IFACE, 'SettingChanged', 'ssv', [namespace, key, value])


@dbus.service.method(PORTAL_MOCK_IFACE, in_signature='ss', out_signature='')
def RemoveSetting(self, namespace, key):
    '''Forget a setting, so that Read/ReadOne fail with org.freedesktop.portal.Error.NotFound; emits nothing.

    Returns nothing.
    '''
    self.earlume_settings.get(str(namespace), {}).pop(str(key), None)
