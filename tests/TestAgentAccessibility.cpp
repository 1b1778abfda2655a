// SPDX-License-Identifier: GPL-3.0-or-later
// The real agent's panel as a screen reader meets it over AT-SPI: switched on through org.a11y.Status, told of the
// panel by its "showing" event (a popup is no child of the application), reading its tree and acting on its controls.
#include "DBusNames.h"
#include "support/TestEnvironment.h"

#include <QDBusArgument>

#include <memory>

class TestAgentAccessibility : public QObject
{
    Q_OBJECT

    struct Node { // an accessible object: where it lives on the accessibility bus, what it says it is
        QString service, path, name;
        uint role = 0;
    };
    // AT-SPI's role and state numbers (atspi-constants.h)
    static constexpr uint CheckBoxRole = 7, LabelRole = 29, PushButtonRole = 43, ToggleButtonRole = 62;
    static constexpr uint CheckedState = 4;
    inline static const QString Accessible = QStringLiteral("org.a11y.atspi.Accessible");

    QDBusConnection m_a11y{QString()};
    std::unique_ptr<ProgramUnderTest> m_agent;
    QList<Node> m_shown; // what the agent said became visible

    // A call into the agent, waiting for its answer (nothing of ours is on this bus for the agent to call back).
    QVariant atspi(const Node &node, const QString &interface, const QString &method,
                   const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(node.service, node.path, interface, method);
        message.setArguments(arguments);
        const QVariant answer = m_a11y.call(message, QDBus::Block, 20000).arguments().value(0);
        return answer.canConvert<QDBusVariant>() ? answer.value<QDBusVariant>().variant() : answer;
    }
    QVariant property(const Node &node, const QString &name)
    {
        return atspi(node, DBusNames::PropertiesInterface, QStringLiteral("Get"), {Accessible, name});
    }
    static QStringList strings(const QDBusArgument &argument) ///< of structures, or arrays of them; paths as strings
    {
        const bool array = argument.currentType() == QDBusArgument::ArrayType;
        QStringList found;
        array ? argument.beginArray() : argument.beginStructure();
        while (!argument.atEnd()) {
            if (argument.currentType() == QDBusArgument::StructureType) {
                found += strings(argument);
            } else {
                const QVariant value = argument.asVariant();
                found.append(value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path()
                                                                 : value.toString());
            }
        }
        array ? argument.endArray() : argument.endStructure();
        return found;
    }
    static QStringList strings(const QVariant &answer) { return strings(answer.value<QDBusArgument>()); }
    Node described(const QString &service, const QString &path)
    {
        Node node{service, path, {}, 0};
        node.name = property(node, QStringLiteral("Name")).toString();
        node.role = atspi(node, Accessible, QStringLiteral("GetRole")).toUInt();
        return node;
    }
    QList<Node> tree(const Node &node) ///< @p node and all under it, walked with GetChildren as a screen reader reviews
    {
        QList<Node> nodes{node};
        const QStringList children = strings(atspi(node, Accessible, QStringLiteral("GetChildren")));
        for (qsizetype i = 0; i + 1 < children.size(); i += 2) {
            nodes += tree(described(children[i], children[i + 1]));
        }
        return nodes;
    }
    std::optional<Node> panel() ///< the window among what showed: a child of the application's root
    {
        const QList<Node> shown = m_shown; // more may come while we ask
        for (const Node &node : shown) {
            if (strings(property(node, QStringLiteral("Parent"))).value(1) == u"/org/a11y/atspi/accessible/root") {
                return described(node.service, node.path);
            }
        }
        return std::nullopt;
    }
    std::optional<Node> find(const QString &name, std::initializer_list<uint> roles)
    {
        for (const Node &node : tree(panel().value())) {
            if (node.name == name && std::find(roles.begin(), roles.end(), node.role) != roles.end()) {
                return node;
            }
        }
        return std::nullopt;
    }
    bool checked(const std::optional<Node> &node)
    {
        const auto states = node ? qdbus_cast<QList<uint>>(atspi(*node, Accessible, QStringLiteral("GetState")))
                                 : QList<uint>();
        return !states.isEmpty() && (states.first() & (1u << CheckedState));
    }
    // Does the named action of @p node, as a screen reader does: by its index among the node's actions.
    bool act(const std::optional<Node> &node, const QString &action)
    {
        const QString interface = QStringLiteral("org.a11y.atspi.Action");
        const qsizetype index = // among the name, description and key binding of each
            node ? strings(atspi(*node, interface, QStringLiteral("GetActions"))).indexOf(action) : -1;
        return index % 3 == 0 && atspi(*node, interface, QStringLiteral("DoAction"), {int(index / 3)}).toBool();
    }

private Q_SLOTS:
    void stateChanged(const QDBusMessage &event)
    {
        if (event.arguments().value(0) == QStringLiteral("showing") && event.arguments().value(1).toInt() == 1) {
            m_shown.append({event.service(), event.path(), {}, 0});
        }
    }

    void initTestCase()
    {
        // A screen reader starts: it switches accessibility on, then asks to hear what shows.
        const QDBusConnection session = QDBusConnection::sessionBus();
        const QString bus = QStringLiteral("org.a11y.Bus"), busPath = QStringLiteral("/org/a11y/bus");
        TestEnvironment::call(session, bus, busPath, DBusNames::PropertiesInterface, QStringLiteral("Set"),
                              {QStringLiteral("org.a11y.Status"), QStringLiteral("ScreenReaderEnabled"),
                               QVariant::fromValue(QDBusVariant(true))});
        const QDBusMessage address = TestEnvironment::call(session, bus, busPath, bus, QStringLiteral("GetAddress"));
        m_a11y = QDBusConnection::connectToBus(address.arguments().value(0).toString(), QStringLiteral("a11y"));
        QVERIFY(m_a11y.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                               QStringLiteral("StateChanged"), this, SLOT(stateChanged(QDBusMessage))));
        const QDBusMessage registered = TestEnvironment::call(
            m_a11y, QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"),
            {QStringLiteral("object:state-changed:showing"), QStringList(), QString()});
        QCOMPARE(registered.type(), QDBusMessage::ReplyMessage);
    }

    void panelWorksThroughItsAccessibleObjects()
    {
        BluezMock::addAdapter();
        const QString pods = BluezMock::addDevice(QStringLiteral("AA:00:00:00:00:01"), QStringLiteral("Pods"),
                                                  BluezMock::AirpodsClass, true, true);
        BluezMock::call(QStringLiteral("SetModalias"), {pods, QStringLiteral("bluetooth:v004Cp2014d0001")});
        // Left 87 % and charging, right 50 %, no case; noise cancellation on.
        BluezMock::call(QStringLiteral("SetAapBattery"), {pods, QByteArray::fromHex("045701023202")});
        BluezMock::call(QStringLiteral("SetAapNoiseMode"), {pods, QVariant::fromValue(uchar(2))});
        TestEnvironment::writeSettings(false, false, true, true);
        m_agent = std::make_unique<ProgramUnderTest>(QStringLiteral("Earlume"));
        QVERIFY(m_agent->start());
        QTRY_COMPARE(TestEnvironment::trayItems().size(), 1);
        TestEnvironment::call(QDBusConnection::sessionBus(), TestEnvironment::trayItems().value(0).section(u'/', 0, 0),
                              DBusNames::StatusNotifierItemPath, DBusNames::StatusNotifierItemInterface,
                              QStringLiteral("Activate"), {700, 12});
        QTRY_VERIFY(panel());

        // Each level row reads as a sentence, from what the AirPods reported.
        QTRY_VERIFY(find(QStringLiteral("Left AirPod 87 percent, charging"), {LabelRole}));
        QVERIFY(find(QStringLiteral("Right AirPod 50 percent"), {LabelRole}));

        // The noise modes: one checkable button each, the AirPods' mode checked; a toggle sends the mode.
        const std::initializer_list<uint> checkable{CheckBoxRole, ToggleButtonRole};
        const auto received = [&](const char *packet) {
            return BluezMock::call(QStringLiteral("GetAapReceived"), {pods}).arguments().value(0).toStringList()
                .contains(QString::fromLatin1(packet));
        };
        for (const char *mode : {"Noise control off", "Noise cancellation", "Transparency", "Adaptive"}) {
            QVERIFY2(find(QString::fromLatin1(mode), checkable), mode);
        }
        QTRY_VERIFY(checked(find(QStringLiteral("Noise cancellation"), checkable)));
        QVERIFY(act(find(QStringLiteral("Transparency"), checkable), QStringLiteral("Toggle")));
        QTRY_VERIFY(received("0400040009000d03000000"));
        QTRY_VERIFY(checked(find(QStringLiteral("Transparency"), checkable)));
        QVERIFY(!checked(find(QStringLiteral("Noise cancellation"), checkable)));

        // From the keyboard, as a screen reader's user goes: Tab past the connect and settings buttons to the first
        // mode, Space.
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                                                      QStringLiteral("Tab"), QStringLiteral("space")});
        QTRY_VERIFY(received("0400040009000d01000000"));

        // The icon buttons say what they do; the connect button, pressed, disconnects the pair.
        QVERIFY(find(QStringLiteral("Earlume settings"), {PushButtonRole}));
        QVERIFY(act(find(QStringLiteral("Disconnect"), {PushButtonRole}), QStringLiteral("Press")));
        QTRY_VERIFY(!TestEnvironment::call(QDBusConnection::systemBus(), DBusNames::BluezService, pods,
                                           DBusNames::PropertiesInterface, QStringLiteral("Get"),
                                           {DBusNames::BluezDeviceInterface, QStringLiteral("Connected")})
                         .arguments().value(0).value<QDBusVariant>().variant().toBool());
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
        QTRY_VERIFY(!TestEnvironment::windowGeometry(QStringLiteral("Earlume")).isValid());
    }
};

QTEST_GUILESS_MAIN(TestAgentAccessibility)
#include "TestAgentAccessibility.moc"
