// SPDX-License-Identifier: GPL-3.0-or-later
#include "Logging.h"

Q_LOGGING_CATEGORY(lcShared, "earlume.shared", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSettingsFile, "earlume.shared.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcChannel, "earlume.shared.channel", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAgent, "earlume.agent", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBluez, "earlume.agent.bluez", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBattery, "earlume.agent.battery", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAap, "earlume.agent.aap", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMedia, "earlume.agent.media", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAppearance, "earlume.agent.appearance", QtInfoMsg)
Q_LOGGING_CATEGORY(lcTray, "earlume.agent.tray", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHud, "earlume.agent.hud", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUpdate, "earlume.agent.update", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSettingsApp, "earlume.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAutostart, "earlume.settings.autostart", QtInfoMsg)
