// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusNames.h"
#include "SystemAppearance.h"
#include "support/TestEnvironment.h"

#include <QDBusVariant>
#include <QSignalSpy>
#include <QTest>

class TestSystemAppearance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colorSchemeValues_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("appearance");
        QTest::newRow("1 is dark") << QVariant(1u) << int(SystemAppearance::dark);
        QTest::newRow("0 no preference") << QVariant(0u) << int(SystemAppearance::light);
        QTest::newRow("2 prefers light") << QVariant(2u) << int(SystemAppearance::light);
        QTest::newRow("nested as Read answers")
            << QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(1u)))) << int(SystemAppearance::dark);
        QTest::newRow("a string") << QVariant(QStringLiteral("1")) << int(SystemAppearance::light);
        QTest::newRow("nothing") << QVariant() << int(SystemAppearance::light);
    }
    void colorSchemeValues()
    {
        QFETCH(QVariant, value);
        QFETCH(int, appearance);
        QCOMPARE(int(SystemAppearance::fromColorScheme(value)), appearance);
    }

    void followsThePortal()
    {
        SystemAppearance::setCurrent(SystemAppearance::light);
        PortalAppearance portal(QDBusConnection::sessionBus());
        QSignalSpy initial(&portal, &PortalAppearance::initialAppearanceRead);
        QSignalSpy changed(&portal, &PortalAppearance::appearanceChanged);
        portal.start();
        // This portal has no ReadOne: the answer comes through Read's nested variant.
        QVERIFY(initial.wait());
        QCOMPARE(SystemAppearance::getCurrent(), SystemAppearance::dark);
        QCOMPARE(changed.size(), 0);

        TestEnvironment::setColorScheme(0);
        QTRY_COMPARE(changed.size(), 1);
        QCOMPARE(SystemAppearance::getCurrent(), SystemAppearance::light);

        // Another setting of the same portal is none of our business.
        TestEnvironment::call(QDBusConnection::sessionBus(), DBusNames::PortalService, DBusNames::PortalPath,
                              QStringLiteral("org.freedesktop.portal.Mock"), QStringLiteral("SetSetting"),
                              {DBusNames::AppearanceNamespace, QStringLiteral("accent-color"),
                               QVariant::fromValue(QDBusVariant(1u))});
        TestEnvironment::setColorScheme(1);
        QTRY_COMPARE(changed.size(), 2);
        QCOMPARE(SystemAppearance::getCurrent(), SystemAppearance::dark);
    }
};

QTEST_GUILESS_MAIN(TestSystemAppearance)
#include "TestSystemAppearance.moc"
