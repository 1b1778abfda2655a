// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>

/**
 * The settings program's object on the session bus (com.vostel.Earlume.Settings at
 * /com/vostel/Earlume/Settings). A second copy of the program, started while this one runs, calls
 * Raise() and ends; this copy then brings its window forward.
 */
class SettingsAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.vostel.Earlume.Settings")

public:
    explicit SettingsAdaptor(QObject *parent);

public Q_SLOTS:
    /// Shows the settings window and brings it forward.
    void Raise();

Q_SIGNALS:
    void raiseRequested();
};
