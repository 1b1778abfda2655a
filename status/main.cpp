// SPDX-License-Identifier: GPL-3.0-or-later
// earlume-status: the AirPods' levels for bars (waybar, polybar, i3blocks), read from the running agent.
#include "AgentDevicesClient.h"
#include "DBusHelper.h"
#include "EventLine.h"
#include "Settings.h"
#include "StatusReport.h"
#include "Translations.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("earlume-status"));
    Translations::install(QStringLiteral("earlume_status"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Prints the AirPods' battery levels as Earlume knows them. Without --waybar or --format, one JSON object."));
    parser.addHelpOption();
    const QCommandLineOption once(QStringLiteral("once"),
                                  QCoreApplication::translate("main", "Print once and exit, instead of a line per change."));
    const QCommandLineOption waybar(QStringLiteral("waybar"), QCoreApplication::translate("main", "Print waybar custom-module objects."));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QCoreApplication::translate("main", "Print lines of <format>, with {name} {left} {right} {case} "
                                                                        "{lowest} {class}."),
                                    QStringLiteral("format"));
    const QCommandLineOption all(QStringLiteral("all"),
                                 QCoreApplication::translate("main", "Print every paired AirPods, one line each: connected, "
                                                                     "seen nearby (with its levels) or not connected; then exit."));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QCoreApplication::translate("main", "Speak of the AirPods with this Bluetooth address "
                                                                        "only, instead of the pair the panel shows first."),
                                    QStringLiteral("address"));
    parser.addOptions({once, waybar, format, all, device});
    parser.process(app);
    const QString address = parser.value(device);
    if (parser.isSet(device) && !StatusReport::isAddress(address)) {
        fprintf(stderr, "%s\n",
                qPrintable(QCoreApplication::translate("main", "Not a Bluetooth address: \"%1\" (expected one like "
                                                               "AA:BB:CC:DD:EE:FF)").arg(address)));
        return 2;
    }

    const bool watching = !parser.isSet(once) && !parser.isSet(all) && (parser.isSet(waybar) || parser.isSet(format));
    const QString lineFormat = parser.value(format);
    const bool asWaybar = parser.isSet(waybar);
    QString lastLine;

    AgentDevicesClient client(DBusHelper::sessionBus());
    QObject::connect(&client, &AgentDevicesClient::devicesChanged, &app,
                     [&](const std::optional<QJsonObject> &devices) {
                         const StatusReport report(devices, Settings().lowBatteryThreshold(), address);
                         QString line;
                         if (parser.isSet(all)) {
                             line = report.allLines().join(u'\n');
                         } else if (asWaybar) {
                             line = QString::fromUtf8(QJsonDocument(report.waybar()).toJson(QJsonDocument::Compact));
                         } else if (parser.isSet(format)) {
                             line = report.formatted(lineFormat);
                         } else {
                             line = QString::fromUtf8(QJsonDocument(report.json()).toJson(QJsonDocument::Compact));
                         }
                         // A bar redraws on every line; a change that changes nothing shown is no line.
                         if (line != lastLine) {
                             lastLine = line;
                             writeEventLine(line);
                         }
                         if (!watching) {
                             QCoreApplication::exit(0);
                         }
                     });
    // Started from the event loop: an answer known at once (no session bus) must still be able to end it.
    QMetaObject::invokeMethod(&client, &AgentDevicesClient::start, Qt::QueuedConnection);
    return app.exec();
}
