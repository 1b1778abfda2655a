// SPDX-License-Identifier: GPL-3.0-or-later
#include "ViewController.h"
#include "ui_ViewController.h"

#include <QFile>
#include <QIcon>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>

// Q_INIT_RESOURCE has to be used outside any namespace.
static void initSettingsResources()
{
    Q_INIT_RESOURCE(settings);
}

namespace
{
/// The green or red status dot: ours, else the icon theme's, else one painted here. Ours comes first
/// because common themes draw "user-offline" grey (or as a speech bubble), not as a red light.
QPixmap statusPixmap(bool running, int size, qreal devicePixelRatio)
{
    const QString themeName = running ? QStringLiteral("user-available") : QStringLiteral("user-offline");
    const QString resource =
        running ? QStringLiteral(":/images/status-available") : QStringLiteral(":/images/status-unavailable");
    QIcon icon = QFile::exists(resource) ? QIcon(resource) : QIcon::fromTheme(themeName);
    if (!icon.isNull()) {
        const QPixmap pixmap = icon.pixmap(QSize(size, size), devicePixelRatio);
        if (!pixmap.isNull()) {
            return pixmap;
        }
    }
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = running ? QColor(0x2e, 0xa0, 0x43) : QColor(0xd9, 0x2d, 0x20);
    painter.setPen(QPen(fill.darker(140), 1.0));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(1.5, 1.5, size - 3.0, size - 3.0));
    return pixmap;
}
} // namespace

ViewController::ViewController(SettingsController *controller, QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::ViewController>())
    , m_controller(controller)
{
    m_ui->setupUi(this);
    initSettingsResources();

    // clicked, not toggled: only the user's own clicks are changes; reloadDefaults() sets boxes too.
    for (QCheckBox *box : {m_ui->hideMenuCheckbox,
                           m_ui->showHudOnConnectionCheckbox,
                           m_ui->showSettingsButtonCheckbox,
                           m_ui->showConnectButtonCheckbox,
                           m_ui->pauseMediaCheckbox,
                           m_ui->connectWhenCaseOpensCheckbox,
                           m_ui->lowBatteryWarningCheckbox,
                           m_ui->startAtLogginginCheckbox}) {
        connect(box, &QCheckBox::clicked, this, [this, box] {
            changeCheckbox(box == m_ui->startAtLogginginCheckbox);
        });
    }
    // The spin box tracks no keystrokes (see the form): a value arrives once typed in, or at each arrow step.
    connect(m_ui->lowBatteryThresholdSpinBox, &QSpinBox::valueChanged, this, [this] { changeCheckbox(false); });
    connect(m_ui->lowBatteryWarningCheckbox, &QCheckBox::toggled, m_ui->lowBatteryThresholdSpinBox,
            &QWidget::setEnabled);
    connect(m_ui->startStopButton, &QPushButton::clicked, this, &ViewController::startStopButtonPressed);
    connect(m_controller, &SettingsController::agentStateChanged, this, &ViewController::showAgentState);
    connect(m_controller, &SettingsController::loginItemsChanged, this, &ViewController::reloadAutostartCheckbox);
    connect(m_controller, &SettingsController::saveFailed, this, &ViewController::showSaveError);
    connect(m_controller, &SettingsController::trayMissingChanged, this, [this] { showAgentState(m_shownState); });
    m_ui->saveErrorLabel->hide();

    // The button keeps its width when its title changes between Start and Stop.
    QPushButton *button = m_ui->startStopButton;
    const QString title = button->text();
    int width = 0;
    for (const QString &candidate : {tr("Start"), tr("Stop")}) {
        button->setText(candidate);
        width = std::max(width, button->sizeHint().width());
    }
    button->setText(title);
    button->setMinimumWidth(width);

    const int imageSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    m_ui->statusImageView->setFixedSize(imageSize, imageSize);
}

ViewController::~ViewController() = default;

void ViewController::viewDidLoad()
{
    reloadDefaults();
    m_controller->start();
}

void ViewController::reloadDefaults()
{
    const SettingsController::Options options = SettingsController::readOptions();
    m_ui->hideMenuCheckbox->setChecked(options.hideMenu);
    m_ui->showHudOnConnectionCheckbox->setChecked(options.showHudOnConnection);
    m_ui->showSettingsButtonCheckbox->setChecked(options.settingsButton);
    m_ui->showConnectButtonCheckbox->setChecked(options.connectButton);
    m_ui->pauseMediaCheckbox->setChecked(options.pauseMediaWhenTakenOut);
    m_ui->connectWhenCaseOpensCheckbox->setChecked(options.connectWhenCaseOpens);
    m_ui->lowBatteryWarningCheckbox->setChecked(options.lowBatteryWarning);
    {
        // Showing the stored threshold is no change of it.
        const QSignalBlocker blocker(m_ui->lowBatteryThresholdSpinBox);
        m_ui->lowBatteryThresholdSpinBox->setValue(options.lowBatteryThreshold);
    }
    m_ui->lowBatteryThresholdSpinBox->setEnabled(options.lowBatteryWarning);
    reloadAutostartCheckbox();
}

void ViewController::reloadAutostartCheckbox()
{
    m_ui->startAtLogginginCheckbox->setChecked(m_controller->isStartAtLogin());
}

void ViewController::changeCheckbox(bool loginBoxChanged)
{
    SettingsController::Options options;
    options.hideMenu = m_ui->hideMenuCheckbox->isChecked();
    options.showHudOnConnection = m_ui->showHudOnConnectionCheckbox->isChecked();
    options.settingsButton = m_ui->showSettingsButtonCheckbox->isChecked();
    options.connectButton = m_ui->showConnectButtonCheckbox->isChecked();
    options.pauseMediaWhenTakenOut = m_ui->pauseMediaCheckbox->isChecked();
    options.connectWhenCaseOpens = m_ui->connectWhenCaseOpensCheckbox->isChecked();
    options.lowBatteryWarning = m_ui->lowBatteryWarningCheckbox->isChecked();
    options.lowBatteryThreshold = m_ui->lowBatteryThresholdSpinBox->value();
    if (m_controller->changeSettings(options, m_ui->startAtLogginginCheckbox->isChecked(), loginBoxChanged)) {
        m_ui->saveErrorLabel->hide();
    }
}

void ViewController::showSaveError(const QString &reason)
{
    // The boxes show what is stored, not the click that could not be kept.
    reloadDefaults();
    m_ui->saveErrorLabel->setText(tr("Could not save the settings: %1").arg(reason));
    m_ui->saveErrorLabel->show();
}

void ViewController::startStopButtonPressed()
{
    m_controller->startOrStopAgent();
}

bool ViewController::isDaemonRunning() const
{
    return m_controller->isDaemonRunning();
}

SettingsController *ViewController::controller() const
{
    return m_controller;
}

bool ViewController::event(QEvent *event)
{
    // The status image may come from the icon theme.
    if (event->type() == QEvent::ThemeChange || event->type() == QEvent::StyleChange) {
        showStatusImage();
    }
    return QWidget::event(event);
}

void ViewController::showAgentState(SettingsController::AgentState state)
{
    m_shownState = state;
    switch (state) {
    case SettingsController::AgentState::Running:
        m_ui->statusLabel->setText(m_controller->trayMissing()
                                       ? tr("Earlume is running, but this desktop shows no tray icons.")
                                       : tr("Earlume is running."));
        m_ui->startStopButton->setText(tr("Stop"));
        break;
    case SettingsController::AgentState::NotRunning:
        m_ui->statusLabel->setText(tr("Earlume isn't running."));
        m_ui->startStopButton->setText(tr("Start"));
        break;
    case SettingsController::AgentState::Unknown:
        m_ui->statusLabel->setText(tr("Checking whether Earlume is running…"));
        m_ui->startStopButton->setText(tr("Start"));
        break;
    }
    showStatusImage();
}

void ViewController::showStatusImage()
{
    QLabel *image = m_ui->statusImageView;
    if (m_shownState == SettingsController::AgentState::Unknown) {
        image->clear();
        image->setAccessibleName(QString());
        return;
    }
    const bool running = m_shownState == SettingsController::AgentState::Running;
    image->setPixmap(statusPixmap(running, image->width(), devicePixelRatioF()));
    image->setAccessibleName(running ? tr("Running") : tr("Not running"));
}
