// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AirpodsPanelModel.h"
#include "Style.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class Appearance;
class BluetoothService;
class PairList;
class QToolButton;
class Workspace;

namespace Ui
{
class AirpodsViewController;
}

/**
 * The AirPods panel: name, picture, battery levels, a connect/disconnect button, a settings button and, for a pair
 * with noise control, a row of mode buttons (one per mode, the current one checked). Every further connected pair
 * is stacked below the first, each a panel of its own (a card) with its name, picture, levels and buttons.
 * The popover holds one for the agent's whole run; every heads-up window makes its own, showing one pair. What it
 * shows is decided by AirpodsPanelModel from the pairs' list; this widget renders that and forwards the buttons.
 */
class AirpodsViewController : public QWidget
{
    Q_OBJECT

public:
    /// A new, loaded panel with the popover's two styles, in the colours @p appearance gives (light without one),
    /// showing @p pairs.
    static AirpodsViewController *freshController(PairList *pairs, Workspace *workspace,
                                                  const Appearance *appearance, QWidget *parent = nullptr);
    ~AirpodsViewController() override;

    /// The paired AirPods; the last of them becomes the device the button acts on until the next refresh picks
    /// the one the panel shows.
    QList<Pair> getAirpods();
    /// Refreshes the whole panel from the current pairs: the first connected one, and a card for each other.
    void getAirpodsInfos();
    /// Fills the panel from one connected device.
    void reloadInfos(const BluetoothDevice &device);
    /// Shows only the pair at @p path from now on (a heads-up window's pair, or a card's): its levels while it is
    /// connected, else the disconnected state.
    void showPair(const QString &path);
    /// The cards of the further connected pairs, in the order shown.
    QList<AirpodsViewController *> cards() const { return m_cards; }
    /// The level icon for a battery level, read from the "Battery Icons" set each time.
    static QIcon getBatteryImage(qint64 level);

    /// Shows or hides the two buttons from the "Settings Button" and "Connect Button" settings.
    void setPreferencesButton();
    /// Applies the style of the current light or dark appearance.
    void redrawTheme();

    /// The settings button: opens the settings program.
    void settings();
    /// The connect/disconnect button.
    void connectDisconnect();
    /// A noise control button: asks the pair shown to switch to @p mode.
    void chooseNoiseMode(NoiseMode mode);

    Style style() const { return m_style; }
    Style darkStyle() const { return m_darkStyle; }
    void setStyles(const Style &light, const Style &dark);
    /// Rounds the corners of the painted background (the heads-up window's panel).
    void setCornerRadius(qreal radius);
    /// Hides both buttons and the noise control row for good, as the heads-up window shows the panel without them;
    /// with @p keepConnectButton the connect button still follows the "Connect Button" setting.
    void hideButtons(bool keepConnectButton = false);
    /// Shows the pair at @p path while it is not connected here, with its levels and the button to connect it;
    /// once it connects, the panel shows what it shows otherwise.
    void showNearby(const QString &path);

    /// The colours applied by the last redrawTheme().
    Style currentStyle() const { return m_currentStyle; }

    std::optional<bool> areAirpodsConnected() const { return m_model.areAirpodsConnected(); }
    std::optional<QString> airpodsDevice() const { return m_model.airpodsDevice(); }
    const PanelState &panelState() const { return m_model.state(); }
    bool isConnecting() const { return m_connecting; }

Q_SIGNALS:
    /// A connection attempt started from the panel has ended and the panel shows its outcome.
    void connectAttemptFinished(int status);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    AirpodsViewController(PairList *pairs, Workspace *workspace, const Appearance *appearance, QWidget *parent);

    void viewDidLoad();
    void render();
    void applyButtonVisibility();
    void renderNoiseControl();
    void finishConnectAttempt(int status);
    void updateCards(const QList<Pair> &pairs);

    const std::unique_ptr<Ui::AirpodsViewController> m_ui;
    QWidget *m_noiseRow = nullptr;
    QString m_noiseStyle; // the row's style sheet for the current appearance, set on it while it shows
    // By NoiseMode, in its order.
    std::array<QToolButton *, 4> m_noiseButtons{};
    QPointer<PairList> m_pairs;
    QPointer<BluetoothService> m_bluetooth;
    QPointer<Workspace> m_workspace;
    QPointer<const Appearance> m_appearance;
    AirpodsPanelModel m_model;
    Style m_style;
    Style m_darkStyle;
    Style m_currentStyle;
    qreal m_cornerRadius = 0;
    bool m_connecting = false;
    bool m_renderingNoiseControl = false;
    // The heads-up window shows the panel without buttons for good.
    bool m_buttonsSuppressed = false;
    int m_designedMinimumWidth = 0;
    bool m_connectButtonKept = false;
    QString m_nearby;
    QString m_shown; // the one pair this panel shows; none: the first connected, with cards for the others
    bool m_isCard = false;
    QList<AirpodsViewController *> m_cards;
    bool m_settingsButtonWanted = true;
    bool m_connectButtonWanted = true;
    // After a page timeout the button shows the "no AirPods" image until the next refresh.
    bool m_showPageTimeout = false;
};
