# SPDX-License-Identifier: GPL-3.0-or-later
'''xdg-desktop-portal's Settings with org.freedesktop.appearance color-scheme (u, the parameter "color-scheme")

Read(ss) answers a variant inside a variant, as version 1 always did; version 2 (the parameter "version") adds
ReadOne(ss), without it the call fails UnknownMethod as on Debian 12. SetSetting(ssv) on
org.freedesktop.portal.Mock stores a setting and emits SettingChanged, even for an unchanged value.
'''
import dbus

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.Settings'
SYSTEM_BUS = False


def _read_one(mock, namespace, key):
    try:
        return mock.settings[(namespace, key)]
    except KeyError as e:
        raise dbus.exceptions.DBusException(key, name='org.freedesktop.portal.Error.NotFound') from e


def load(mock, parameters):
    mock.settings = {('org.freedesktop.appearance', 'color-scheme'): dbus.UInt32(parameters['color-scheme'])}
    mock.AddProperties(MAIN_IFACE, {'version': dbus.UInt32(parameters['version'])})
    if parameters['version'] >= 2:
        mock.AddMethod(MAIN_IFACE, 'ReadOne', 'ss', 'v', _read_one)


@dbus.service.method(MAIN_IFACE, in_signature='ss', out_signature='v')
def Read(self, namespace, key):
    value = _read_one(self, namespace, key)
    return type(value)(value, variant_level=2)  # v holding v holding the value


@dbus.service.method('org.freedesktop.portal.Mock', in_signature='ssv')
def SetSetting(self, namespace, key, value):
    self.settings[(namespace, key)] = value
    self.EmitSignal(MAIN_IFACE, 'SettingChanged', 'ssv', [namespace, key, value])
