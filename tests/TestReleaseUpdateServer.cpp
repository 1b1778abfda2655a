// SPDX-License-Identifier: GPL-3.0-or-later
// The update server's location as a release build has it: built without the testing hooks.
#include "update/UpdateServer.h"

#include <QTest>

class TestReleaseUpdateServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void environmentCannotMoveTheServer()
    {
        qputenv("EARLUME_UPDATE_BASE_URL", "http://127.0.0.1:9");
        QCOMPARE(updateBaseUrl(), builtInUpdateBaseUrl());
        QCOMPARE(updateBaseUrl().scheme(), QStringLiteral("https"));
    }
};

QTEST_GUILESS_MAIN(TestReleaseUpdateServer)
#include "TestReleaseUpdateServer.moc"
