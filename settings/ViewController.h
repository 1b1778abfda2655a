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
 * The settings window's content: the option boxes with the low-battery threshold, the start-at-login box,
 * the agent's status with its start/stop button, and a line (saveErrorLabel) that says when the options
 * could not be saved. It shows what its SettingsController knows and hands every click to it; the widgets' object
 * names (hideMenuCheckbox, statusLabel, startStopButton, ...) are part of its interface.
 */
class ViewController : public QWidget
{
    Q_OBJECT

public:
    explicit ViewController(SettingsController *controller, QWidget *parent = nullptr);
    ~ViewController() override;

    /// Fills the boxes, then lets the controller listen to the agent and ask it whether it runs. Once.
    void viewDidLoad();

    /// Sets the option boxes and the threshold from the settings suite and the start-at-login box from the login items.
    void reloadDefaults();

    /// Sets the start-at-login box from the login items.
    void reloadAutostartCheckbox();

    /// A box was clicked or the threshold changed: saves all options, the login item too when
    /// @p loginBoxChanged, and tells the agent. When the options cannot be saved the boxes go back to what is
    /// stored and saveErrorLabel says why.
    void changeCheckbox(bool loginBoxChanged);

    /// Stops the agent when it runs, starts it otherwise.
    void startStopButtonPressed();

    bool isDaemonRunning() const;
    SettingsController *controller() const;

protected:
    bool event(QEvent *event) override;

private:
    void showAgentState(SettingsController::AgentState state);
    void showSaveError(const QString &reason);
    void showStatusImage();

    const std::unique_ptr<Ui::ViewController> m_ui;
    SettingsController *const m_controller;
    SettingsController::AgentState m_shownState = SettingsController::AgentState::Unknown;
};
