# SPDX-License-Identifier: GPL-3.0-or-later
'''The portal's Settings with org.freedesktop.appearance color-scheme. Read answers a variant in a variant; version 2
adds ReadOne (version 1, as on Debian 12, has none). org.freedesktop.portal.Mock.SetSetting announces any setting.
'''
import dbus

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.Settings'
SYSTEM_BUS = False


def _read_one(mock, namespace, key):
    if (namespace, key) not in mock.settings:
        raise dbus.exceptions.DBusException(key, name='org.freedesktop.portal.Error.NotFound')
    return mock.settings[(namespace, key)]


def _set_setting(mock, namespace, key, value):
    mock.settings[(namespace, key)] = value
    mock.EmitSignal(MAIN_IFACE, 'SettingChanged', 'ssv', [namespace, key, value])


def load(mock, parameters):
    mock.settings = {('org.freedesktop.appearance', 'color-scheme'): dbus.UInt32(parameters['color-scheme'])}
    mock.AddProperties(MAIN_IFACE, {'version': dbus.UInt32(parameters['version'])})
    mock.AddMethod(MAIN_IFACE, 'Read', 'ss', 'v', lambda mock, *key: type(_read_one(mock, *key))(
        _read_one(mock, *key), variant_level=2))  # v holding v holding the value
    if parameters['version'] >= 2:
        mock.AddMethod(MAIN_IFACE, 'ReadOne', 'ss', 'v', _read_one)
    mock.AddMethod('org.freedesktop.portal.Mock', 'SetSetting', 'ssv', '', _set_setting)
