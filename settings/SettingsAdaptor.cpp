// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsAdaptor.h"

SettingsAdaptor::SettingsAdaptor(QObject *parent)
    : QDBusAbstractAdaptor(parent)
{
}

void SettingsAdaptor::Raise()
{
    Q_EMIT raiseRequested();
}
