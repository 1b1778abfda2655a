// SPDX-License-Identifier: GPL-3.0-or-later
#include "AirpodsViewController.h"
#include "ui_AirpodsViewController.h"

#include "EventLine.h"
#include "Notifications.h"
#include "PanelArtwork.h"
#include "Settings.h"
#include "bluetooth/BluetoothService.h"
#include "bluetooth/PairList.h"
#include "desktop/SystemAppearance.h"
#include "desktop/Workspace.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>
#include <QScopedValueRollback>

namespace
{
// What a noise control button adds to its label's width: a little air on each side and its frame.
constexpr int NoiseButtonPadding = 16;
constexpr std::array AllNoiseModes{NoiseMode::Off, NoiseMode::NoiseCancellation, NoiseMode::Transparency,
                                   NoiseMode::Adaptive};

// The button's short label, and the full name that tooltips and screen readers give.
std::pair<QString, QString> noiseModeTexts(NoiseMode mode)
{
    switch (mode) {
    case NoiseMode::Off:
        return {AirpodsViewController::tr("Off"), AirpodsViewController::tr("Noise control off")};
    case NoiseMode::NoiseCancellation:
        return {AirpodsViewController::tr("Cancelling"), AirpodsViewController::tr("Noise cancellation")};
    case NoiseMode::Transparency:
        return {AirpodsViewController::tr("Transparent"), AirpodsViewController::tr("Transparency")};
    case NoiseMode::Adaptive:
        return {AirpodsViewController::tr("Adaptive"), AirpodsViewController::tr("Adaptive")};
    }
    return {};
}
} // namespace

AirpodsViewController::AirpodsViewController(PairList *pairs,
                                             Workspace *workspace,
                                             const Appearance *appearance,
                                             QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::AirpodsViewController>())
    , m_pairs(pairs)
    , m_bluetooth(pairs ? pairs->bluetooth() : nullptr)
    , m_workspace(workspace)
    , m_appearance(appearance)
{
    m_ui->setupUi(this);
    QFont nameFont = m_ui->airpodsNameLabel->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.15);
    m_ui->airpodsNameLabel->setFont(nameFont);
    m_ui->preferencesButton->setIcon(QIcon::fromTheme(QStringLiteral("configure"),
                                                      QIcon::fromTheme(QStringLiteral("preferences-system"),
                                                                       PanelArtwork::named(QStringLiteral("settings")))));
    m_ui->preferencesButton->setAccessibleName(m_ui->preferencesButton->toolTip());
    connect(m_ui->preferencesButton, &QToolButton::clicked, this, &AirpodsViewController::settings);
    connect(m_ui->connectDisconnectButton, &QToolButton::clicked, this, &AirpodsViewController::connectDisconnect);

    m_noiseRow = new QWidget(this);
    m_noiseRow->setObjectName(QStringLiteral("noiseControlRow"));
    m_noiseRow->setAccessibleName(tr("Noise control"));
    auto *row = new QHBoxLayout(m_noiseRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    QFont rowFont = font();
    rowFont.setPointSizeF(rowFont.pointSizeF() * 0.9);
    for (const NoiseMode mode : AllNoiseModes) {
        auto *button = new QToolButton(m_noiseRow);
        const auto [label, name] = noiseModeTexts(mode);
        button->setObjectName(QStringLiteral("noiseMode%1Button").arg(static_cast<int>(mode)));
        button->setText(label);
        button->setToolTip(name);
        button->setAccessibleName(name);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus);
        // Equal shares of the panel's width, which the row never widens: the popover is placed for that width.
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setFont(rowFont);
        // Toggled, not clicked: a screen reader's toggle action checks the button without a click.
        connect(button, &QToolButton::toggled, this, [this, mode](bool on) {
            if (m_renderingNoiseControl) {
                return;
            }
            if (on) {
                chooseNoiseMode(mode);
            } else {
                renderNoiseControl(); // a mode is replaced by another, never switched off by itself
            }
        });
        row->addWidget(button);
        m_noiseButtons[static_cast<std::size_t>(mode)] = button;
    }
    m_ui->mainLayout->addWidget(m_noiseRow);
    m_noiseRow->hide();
    // Each share holds the longest label whole (long words in some languages, a large desktop font), with the
    // buttons' padding and frame. The panel is that wide also while the row is hidden: an open popover keeps its width.
    int widest = 0;
    for (const NoiseMode mode : AllNoiseModes) {
        widest = std::max(widest, QFontMetrics(rowFont).horizontalAdvance(noiseModeTexts(mode).first));
    }
    m_designedMinimumWidth = minimumWidth();
    const QMargins margins = m_ui->mainLayout->contentsMargins();
    const int shares = static_cast<int>(AllNoiseModes.size());
    setMinimumWidth(std::max(minimumWidth(), margins.left() + margins.right() + shares * (widest + NoiseButtonPadding)
                                                 + (shares - 1) * row->spacing()));
    // A change made on the AirPods, or one asked for here, shows at once.
    if (m_bluetooth) {
        connect(m_bluetooth, &BluetoothService::noiseModeChanged, this, [this](const QString &path) {
            if (m_model.airpodsDevice() == path) {
                getAirpodsInfos();
            }
        });
    }
}

AirpodsViewController::~AirpodsViewController() = default;

AirpodsViewController *AirpodsViewController::freshController(PairList *pairs,
                                                               Workspace *workspace,
                                                               const Appearance *appearance,
                                                               QWidget *parent)
{
    auto *controller = new AirpodsViewController(pairs, workspace, appearance, parent);
    controller->setStyles(Style::panelLight(), Style::panelDark());
    controller->viewDidLoad();
    return controller;
}

void AirpodsViewController::setStyles(const Style &light, const Style &dark)
{
    m_style = light;
    m_darkStyle = dark;
    for (AirpodsViewController *card : std::as_const(m_cards)) {
        card->setStyles(light, dark);
    }
}

void AirpodsViewController::viewDidLoad()
{
    m_ui->spinner->hide();
    redrawTheme();
    getAirpodsInfos();
    setPreferencesButton();
    // Clicks must not leave a focus frame on the panel's buttons, but the keyboard reaches them.
    m_ui->preferencesButton->setFocusPolicy(Qt::TabFocus);
    m_ui->connectDisconnectButton->setFocusPolicy(Qt::TabFocus);
}

QList<Pair> AirpodsViewController::getAirpods()
{
    return m_model.getAirpods(m_pairs ? m_pairs->pairs() : QList<Pair>());
}

void AirpodsViewController::getAirpodsInfos()
{
    const QList<Pair> pairs = m_pairs ? m_pairs->pairs() : QList<Pair>();
    const auto nearby = std::find_if(pairs.cbegin(), pairs.cend(), [this](const Pair &pair) {
        return pair.path() == m_nearby && !pair.isConnected();
    });
    if (nearby != pairs.cend()) {
        m_model.showNearby(*nearby);
    } else {
        m_model.getAirpodsInfos(pairs, m_shown);
    }
    m_showPageTimeout = false;
    render();
    // Only the panel that shows the first pair stacks the others below it.
    updateCards(m_shown.isEmpty() ? pairs : QList<Pair>());
}

void AirpodsViewController::reloadInfos(const BluetoothDevice &device)
{
    if (const std::optional<Pair> pair = m_pairs ? m_pairs->pair(device.path) : std::nullopt) {
        m_model.reloadInfos(*pair);
    }
    render();
}

void AirpodsViewController::showPair(const QString &path)
{
    m_shown = path;
    getAirpodsInfos();
}

void AirpodsViewController::updateCards(const QList<Pair> &pairs)
{
    QStringList others;
    for (const Pair &pair : pairs) {
        if (pair.isConnected() && pair.device.isAirpods()) {
            others.append(pair.path());
        }
    }
    if (!others.isEmpty()) {
        others.removeFirst(); // the panel's own
    }
    while (m_cards.size() > others.size()) {
        AirpodsViewController *card = m_cards.takeLast();
        m_ui->mainLayout->removeWidget(card);
        card->hide();
        card->deleteLater(); // its own button may have asked for this refresh
    }
    for (qsizetype i = 0; i < others.size(); ++i) {
        if (i == m_cards.size()) {
            auto *card = new AirpodsViewController(m_pairs, m_workspace, m_appearance, this);
            card->setObjectName(QStringLiteral("pairCard"));
            card->m_isCard = true;
            card->setStyles(m_style, m_darkStyle);
            // Flush with the panel's own content, below a line that parts it from the pair above.
            const QMargins margins = card->m_ui->mainLayout->contentsMargins();
            card->m_ui->mainLayout->setContentsMargins(0, margins.top(), 0, 0);
            card->setMinimumSize(card->minimumWidth() - margins.left() - margins.right(), 0);
            card->m_shown = others.at(i);
            card->viewDidLoad();
            if (m_buttonsSuppressed) {
                card->hideButtons(m_connectButtonKept);
            }
            m_ui->mainLayout->addWidget(card);
            m_cards.append(card);
            continue;
        }
        m_cards.at(i)->showPair(others.at(i));
    }
}

QIcon AirpodsViewController::getBatteryImage(qint64 level)
{
    return PanelArtwork::batteryIcon(AirpodsPanelModel::batteryIconName(level));
}

void AirpodsViewController::render()
{
    const PanelState &state = m_model.state();
    if (m_isCard) {
        setAccessibleName(state.name);
    }
    m_ui->airpodsNameLabel->setText(state.name);
    m_ui->airpodsNameLabel->setToolTip(state.name);
    m_ui->coverImageView->setPixmap(
        PanelArtwork::named(state.cover).pixmap(m_ui->coverImageView->size(), devicePixelRatioF()));

    // A screen reader reads each level as a sentence ("Left AirPod 87 percent, charging"), not as "87% ⚡".
    // Levels that may be a stranger's say so, to the eye (the mark, a tool tip) and to the ear.
    const QString estimatedTip = state.estimated ? tr("Heard nearby and matched only by model and signal strength: "
                                                      "these levels may be another pair's")
                                                 : QString();
    const auto showText = [&](QLabel *label, QLabel *caption, const PanelElement &element, const QString &spoken) {
        label->setText(element.content);
        label->setHidden(element.hidden);
        label->setToolTip(estimatedTip);
        caption->setHidden(element.hidden);
        const qsizetype percent = element.content.indexOf(u'%');
        QString name = percent > 0
                           ? spoken.arg(element.content.left(percent).remove(AirpodsPanelModel::EstimatedMark))
                           : QString();
        if (percent > 0 && element.content.endsWith(AirpodsPanelModel::ChargingMark)) {
            name += tr(", charging");
        }
        if (percent > 0 && state.estimated) {
            name += tr(", estimated");
        }
        label->setAccessibleName(name);
    };
    showText(m_ui->globalAirpodsBatteryLabel, m_ui->globalAirpodsBatteryCaption, state.globalText,
             tr("AirPods %1 percent"));
    showText(m_ui->leftAirpodBatteryLabel, m_ui->leftAirpodBatteryCaption, state.leftText, tr("Left AirPod %1 percent"));
    showText(m_ui->rightAirpodBatteryLabel, m_ui->rightAirpodBatteryCaption, state.rightText,
             tr("Right AirPod %1 percent"));
    showText(m_ui->caseBatteryLabel, m_ui->caseBatteryCaption, state.caseText, tr("Case %1 percent"));

    const auto showIcon = [this](QLabel *view, const PanelElement &element) {
        view->setHidden(element.hidden);
        if (element.content.isEmpty()) {
            view->clear();
            return;
        }
        const QIcon image = element.content == PanelImages::NoAirpods ? PanelArtwork::named(element.content)
                                                                      : PanelArtwork::batteryIcon(element.content);
        const QSize size = element.content == PanelImages::NoAirpods ? QSize(16, 16) : QSize(24, 12);
        view->setPixmap(image.pixmap(size, devicePixelRatioF()));
    };
    showIcon(m_ui->globalAirpodsBatteryImageView, state.globalIcon);
    showIcon(m_ui->leftAirpodBatteryImageView, state.leftIcon);
    showIcon(m_ui->rightAirpodBatteryImageView, state.rightIcon);
    showIcon(m_ui->caseBatteryImageView, state.caseIcon);

    QToolButton *button = m_ui->connectDisconnectButton;
    applyButtonVisibility();
    const QSize iconSize = button->iconSize();
    if (m_showPageTimeout) {
        button->setIcon(PanelArtwork::named(PanelImages::NoAirpods));
        button->setToolTip(tr("The AirPods did not answer. Try again"));
    } else if (!state.buttonImage.isEmpty()) {
        button->setIcon(QIcon(PanelArtwork::tinted(PanelArtwork::named(state.buttonImage), iconSize,
                                                   devicePixelRatioF(), state.buttonTint)));
        button->setToolTip(state.buttonImage == PanelImages::Stop ? tr("Disconnect") : tr("Connect"));
    }
    button->setAccessibleName(button->toolTip()); // a screen reader names an icon by this, not by its tool tip
    button->setProperty("imageName", m_showPageTimeout ? PanelImages::NoAirpods : state.buttonImage);
    button->setProperty("tint", state.buttonTint);
    renderNoiseControl();
}

void AirpodsViewController::renderNoiseControl()
{
    const PanelState &state = m_model.state();
    const QScopedValueRollback rendering(m_renderingNoiseControl, true);
    for (const NoiseMode mode : AllNoiseModes) {
        QToolButton *button = m_noiseButtons[static_cast<std::size_t>(mode)];
        button->setVisible(state.noiseModes.contains(mode));
        button->setChecked(state.noiseMode == mode);
    }
    const bool hidden = m_buttonsSuppressed || state.noiseModes.isEmpty();
    if (!hidden && m_noiseRow->styleSheet() != m_noiseStyle) {
        m_noiseRow->setStyleSheet(m_noiseStyle);
    }
    m_noiseRow->setHidden(hidden);
}

void AirpodsViewController::setPreferencesButton()
{
    const Settings settings;
    m_settingsButtonWanted = settings.settingsButton();
    m_connectButtonWanted = settings.connectButton();
    applyButtonVisibility();
    for (AirpodsViewController *card : std::as_const(m_cards)) {
        card->setPreferencesButton();
    }
}

void AirpodsViewController::applyButtonVisibility()
{
    m_ui->preferencesButton->setHidden(m_isCard || m_buttonsSuppressed || !m_settingsButtonWanted);
    // Without AirPods there is nothing to connect, and during an attempt the spinner stands in its place.
    m_ui->connectDisconnectButton->setHidden((m_buttonsSuppressed && !m_connectButtonKept) || !m_connectButtonWanted
                                             || m_model.state().buttonHidden || m_connecting);
}

void AirpodsViewController::redrawTheme()
{
    m_currentStyle = m_appearance && m_appearance->isDark() ? m_darkStyle : m_style;
    for (QLabel *label : {m_ui->airpodsNameLabel, m_ui->leftAirpodBatteryLabel, m_ui->rightAirpodBatteryLabel,
                          m_ui->caseBatteryLabel, m_ui->globalAirpodsBatteryLabel, m_ui->globalAirpodsBatteryCaption,
                          m_ui->leftAirpodBatteryCaption, m_ui->rightAirpodBatteryCaption,
                          m_ui->caseBatteryCaption}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, m_currentStyle.textColor);
        label->setPalette(palette);
    }
    // The current mode stands out as a filled, framed button in the panel's text colour.
    const QColor text = m_currentStyle.textColor;
    const auto rgba = [&text](qreal alpha) {
        return QStringLiteral("rgba(%1, %2, %3, %4)").arg(text.red()).arg(text.green()).arg(text.blue()).arg(alpha);
    };
    m_noiseStyle = QStringLiteral("QToolButton { color: %1; border: 1px solid %2; border-radius: 6px;"
                                  " padding: 4px 0px; }"
                                  " QToolButton:checked { background: %3; border-color: %4; }"
                                  " QToolButton:hover:!checked { background: %5; }")
                       .arg(text.name(), rgba(0.25), rgba(0.22), rgba(0.7), rgba(0.08));
    // A style sheet makes every widget under it costly to polish (Qt's style sheet style): the row gets it only
    // once it shows, which a heads-up window's never does.
    if (!m_noiseRow->isHidden()) {
        m_noiseRow->setStyleSheet(m_noiseStyle);
    }
    for (AirpodsViewController *card : std::as_const(m_cards)) {
        card->redrawTheme();
    }
    update();
}

void AirpodsViewController::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

void AirpodsViewController::showNearby(const QString &path)
{
    m_nearby = path;
    m_shown = path; // and once it connects here, still this pair
    getAirpodsInfos();
}

void AirpodsViewController::hideButtons(bool keepConnectButton)
{
    m_buttonsSuppressed = true;
    setMinimumWidth(m_designedMinimumWidth); // no noise control row to make room for
    m_connectButtonKept = keepConnectButton;
    applyButtonVisibility();
    renderNoiseControl();
    for (AirpodsViewController *card : std::as_const(m_cards)) {
        card->hideButtons(keepConnectButton);
    }
}

void AirpodsViewController::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    if (m_isCard) {
        QColor line = m_currentStyle.textColor;
        line.setAlphaF(0.18);
        painter.fillRect(QRect(0, 0, width(), 1), line);
        return; // on the panel's background
    }
    if (m_currentStyle.backgroundColor.alpha() == 0) {
        return;
    }
    if (m_cornerRadius <= 0) {
        painter.fillRect(rect(), m_currentStyle.backgroundColor);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_currentStyle.backgroundColor);
    painter.drawRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
}

void AirpodsViewController::settings()
{
    if (m_workspace) {
        m_workspace->openUrl(QUrl(SettingsURL));
    }
}

void AirpodsViewController::connectDisconnect()
{
    writeEventLine(QStringLiteral("C/D pressed"));
    const std::optional<QString> device = m_model.airpodsDevice();
    if (!device || !m_bluetooth || m_connecting) {
        return;
    }
    if (m_model.areAirpodsConnected().value_or(false)) {
        m_bluetooth->disconnectByUser(*device);
        getAirpodsInfos();
        return;
    }
    m_connecting = true;
    m_ui->spinner->show();
    applyButtonVisibility();
    PendingConnect *attempt = m_bluetooth->connectDevice(*device);
    connect(attempt, &PendingConnect::finished, this, &AirpodsViewController::finishConnectAttempt);
}

void AirpodsViewController::chooseNoiseMode(NoiseMode mode)
{
    const std::optional<QString> device = m_model.airpodsDevice();
    if (device && m_bluetooth && m_model.areAirpodsConnected().value_or(false)) {
        m_bluetooth->setNoiseMode(*device, mode);
    }
    // A mode that could not be sent leaves the row as it was; one that was sent is shown by now.
    renderNoiseControl();
}

void AirpodsViewController::finishConnectAttempt(int status)
{
    m_connecting = false;
    m_ui->spinner->hide();
    getAirpodsInfos();
    if (status == PendingConnect::PageTimeout) {
        m_showPageTimeout = true;
        render();
    }
    Q_EMIT connectAttemptFinished(status);
}
