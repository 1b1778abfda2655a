// SPDX-License-Identifier: GPL-3.0-or-later
// The appearance from the desktop portal: here its older version (no ReadOne), starting out dark.
#include "SystemAppearance.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

class TestSystemAppearance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsThePortal()
    {
        SystemAppearance::setCurrent(SystemAppearance::light);
        PortalAppearance portal(QDBusConnection::sessionBus());
        QSignalSpy initial(&portal, &PortalAppearance::initialAppearanceRead);
        QSignalSpy changed(&portal, &PortalAppearance::appearanceChanged);
        portal.start();
        QVERIFY(initial.wait());
        QCOMPARE(SystemAppearance::getCurrent(), SystemAppearance::dark);
        QCOMPARE(changed.size(), 0);
        TestEnvironment::setColorScheme(2);
        QTRY_COMPARE(changed.size(), 1);
        QCOMPARE(SystemAppearance::getCurrent(), SystemAppearance::light);
        TestEnvironment::setColorScheme(1);
        QTRY_COMPARE(changed.size(), 2);
        QCOMPARE(SystemAppearance::getCurrent(), SystemAppearance::dark);
    }
};

QTEST_GUILESS_MAIN(TestSystemAppearance)
#include "TestSystemAppearance.moc"
