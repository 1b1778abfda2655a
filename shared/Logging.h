// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// Diagnostics, on standard error. The programs' event lines are something else: see EventLine.h.
Q_DECLARE_LOGGING_CATEGORY(lcShared)
Q_DECLARE_LOGGING_CATEGORY(lcSettingsFile)
Q_DECLARE_LOGGING_CATEGORY(lcChannel)
Q_DECLARE_LOGGING_CATEGORY(lcAgent)
Q_DECLARE_LOGGING_CATEGORY(lcBluez)
Q_DECLARE_LOGGING_CATEGORY(lcBattery)
Q_DECLARE_LOGGING_CATEGORY(lcAap)
Q_DECLARE_LOGGING_CATEGORY(lcMedia)
Q_DECLARE_LOGGING_CATEGORY(lcAppearance)
Q_DECLARE_LOGGING_CATEGORY(lcTray)
Q_DECLARE_LOGGING_CATEGORY(lcHud)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
Q_DECLARE_LOGGING_CATEGORY(lcSettingsApp)
Q_DECLARE_LOGGING_CATEGORY(lcAutostart)
