// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsController.h"

#include <QWidget>

#include <memory>

namespace Ui
{
class ViewController;
}

/**
 * The settings window's content: the four option boxes, the start-at-login box and the agent's status
 * with its start/stop button. It shows what its SettingsController knows and hands every click to it;
 * the widgets' object names (hideMenuCheckbox, statusLabel, startStopButton, ...) are part of its
 * interface.
 */
class ViewController : public QWidget
{
    Q_OBJECT

public:
    explicit ViewController(SettingsController *controller, QWidget *parent = nullptr);
    ~ViewController() override;

    /// Fills the boxes, then lets the controller listen to the agent and ask it whether it runs. Once.
    void viewDidLoad();

    /// Sets the four option boxes from the settings suite and the start-at-login box from the login items.
    void reloadDefaults();

    /// Sets the start-at-login box from the login items.
    void reloadAutostartCheckbox();

    /// A box was clicked: writes all four options and the login item, and tells the agent.
    void changeCheckbox();

    /// Stops the agent when it runs, starts it otherwise.
    void startStopButtonPressed();

    bool isDaemonRunning() const;
    SettingsController *controller() const;

protected:
    bool event(QEvent *event) override;

private:
    void showAgentState(SettingsController::AgentState state);
    void showStatusImage();

    const std::unique_ptr<Ui::ViewController> m_ui;
    SettingsController *const m_controller;
    SettingsController::AgentState m_shownState = SettingsController::AgentState::Unknown;
};
