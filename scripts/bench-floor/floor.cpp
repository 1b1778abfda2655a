// SPDX-License-Identifier: GPL-3.0-or-later
// The floor scripts/bench measures the agent against: a bare Qt tray program, one QSystemTrayIcon with a
// small menu and nothing else.
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap picture(22, 22);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::black);
    painter.drawEllipse(picture.rect().adjusted(3, 3, -3, -3));
    painter.end();

    QMenu menu;
    menu.addAction(QStringLiteral("Settings…"));
    QObject::connect(menu.addAction(QStringLiteral("Quit")), &QAction::triggered, &app, &QApplication::quit);

    QSystemTrayIcon tray{QIcon(picture)};
    tray.setToolTip(QStringLiteral("Floor"));
    tray.setContextMenu(&menu);
    tray.show();
    return app.exec();
}
