// SPDX-License-Identifier: GPL-3.0-or-later
#include "Settings.h"

#include "Logging.h"
#include "Notifications.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace
{
// The file is opened for every read, so the same problem would be reported over and over; report
// each distinct problem of a file once, and again only after the file has been fine in between.
void reportOnce(const QString &path, const QString &problem)
{
    static QHash<QString, QString> lastReported;
    if (problem.isEmpty()) {
        lastReported.remove(path);
        return;
    }
    if (lastReported.value(path) == problem) {
        return;
    }
    lastReported.insert(path, problem);
    qCWarning(lcSettingsFile).noquote() << problem;
}
// QSettings reads almost anything as INI and quietly keeps what it can make out. A file that is not
// plainly ours (not UTF-8, NUL bytes, lines that are neither "[section]" nor "key=value") is taken as
// damaged instead, so that a half-overwritten file cannot switch options on by accident.
bool looksLikeOurIniFile(const QByteArray &contents)
{
    if (contents.contains('\0')) {
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(contents);
    if (decoder.hasError()) {
        return false;
    }
    const auto lines = QStringView(text).split(QLatin1Char('\n'));
    for (QStringView line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const bool section = line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'));
        if (!section && !line.contains(QLatin1Char('='))) {
            return false;
        }
    }
    return true;
}

bool isIntact(const QString &path)
{
    QFile file(path);
    if (!file.exists()) {
        return true;
    }
    // The file holds four short lines; anything much larger is not ours.
    constexpr qint64 MaxSize = 64 * 1024;
    if (file.size() > MaxSize || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    return looksLikeOurIniFile(file.readAll());
}

// QSettings tells only that a save failed. The file system tells why when asked the same way: a
// temporary file beside the settings file, written to and thrown away.
QString whySaveFails(const QString &path)
{
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory)) {
        return QStringLiteral("cannot create the folder %1").arg(directory);
    }
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) {
        return probe.errorString();
    }
    probe.write("\n");
    const QString reason = probe.flush() ? QStringLiteral("%1 cannot be written").arg(path) : probe.errorString();
    probe.cancelWriting();
    return reason;
}
} // namespace

Settings::Settings(QObject *parent)
    : QObject(parent)
{
}

Settings::~Settings() = default;

QString Settings::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + SettingsSuite
        + QStringLiteral(".ini");
}

bool Settings::hideMenu() const
{
    return value(SettingsKeys::HideMenu);
}

bool Settings::showHudOnConnection() const
{
    return value(SettingsKeys::ShowHudOnConnection);
}

bool Settings::settingsButton() const
{
    return value(SettingsKeys::SettingsButton);
}

bool Settings::connectButton() const
{
    return value(SettingsKeys::ConnectButton);
}

bool Settings::pauseMediaWhenTakenOut() const
{
    return value(SettingsKeys::PauseMediaWhenTakenOut, true);
}

bool Settings::lowBatteryWarning() const
{
    return value(SettingsKeys::LowBatteryWarning, true);
}

int Settings::lowBatteryThreshold() const
{
    const QVariant value = stored(SettingsKeys::LowBatteryThreshold).value_or(QVariant());
    bool ok = false;
    const int percent = value.toString().trimmed().toInt(&ok);
    return ok ? std::clamp(percent, MinimumLowBatteryThreshold, MaximumLowBatteryThreshold)
              : DefaultLowBatteryThreshold;
}

void Settings::setHideMenu(bool on)
{
    m_pending.insert(SettingsKeys::HideMenu, on);
}

void Settings::setShowHudOnConnection(bool on)
{
    m_pending.insert(SettingsKeys::ShowHudOnConnection, on);
}

void Settings::setSettingsButton(bool on)
{
    m_pending.insert(SettingsKeys::SettingsButton, on);
}

void Settings::setConnectButton(bool on)
{
    m_pending.insert(SettingsKeys::ConnectButton, on);
}

bool Settings::connectWhenCaseOpens() const
{
    return value(SettingsKeys::ConnectWhenCaseOpens);
}

void Settings::setConnectWhenCaseOpens(bool on)
{
    m_pending.insert(SettingsKeys::ConnectWhenCaseOpens, on);
}

void Settings::setPauseMediaWhenTakenOut(bool on)
{
    m_pending.insert(SettingsKeys::PauseMediaWhenTakenOut, on);
}

void Settings::setLowBatteryWarning(bool on)
{
    m_pending.insert(SettingsKeys::LowBatteryWarning, on);
}

void Settings::setLowBatteryThreshold(int percent)
{
    m_pending.insert(SettingsKeys::LowBatteryThreshold,
                     std::clamp(percent, MinimumLowBatteryThreshold, MaximumLowBatteryThreshold));
}

std::optional<QVariant> Settings::stored(const QString &key) const
{
    const QString path = filePath();
    const QSettings file(path, QSettings::IniFormat);
    const QFileInfo info(path);
    if (info.exists() && !info.isReadable()) {
        reportOnce(path, QStringLiteral("Cannot read the settings file %1; every option reads as off").arg(path));
        return std::nullopt;
    }
    if (file.status() == QSettings::FormatError || !isIntact(path)) {
        reportOnce(path,
                   QStringLiteral("The settings file %1 is damaged; every option reads as off until it is saved again")
                       .arg(path));
        return std::nullopt;
    }
    reportOnce(path, QString());
    return file.value(key);
}

bool Settings::value(const QString &key, bool absent) const
{
    const std::optional<QVariant> read = stored(key);
    // A file that cannot be trusted switches nothing on, not even what is on by default.
    if (!read) {
        return false;
    }
    const QVariant &value = *read;
    if (!value.isValid()) {
        return absent;
    }
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    const QString text = value.toString().trimmed();
    if (text == QLatin1String("true")) {
        return true;
    }
    if (text != QLatin1String("false")) {
        const QString path = filePath();
        reportOnce(path + key,
                   QStringLiteral("The setting \"%1\" in %2 is \"%3\", not true or false; it reads as off")
                       .arg(key, path, text));
    }
    return false;
}

bool Settings::save()
{
    const QMap<QString, QVariant> pending = std::exchange(m_pending, {});
    const QString path = filePath();
    QSettings file(path, QSettings::IniFormat);
    QVariantMap previous;
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        previous.insert(it.key(), file.value(it.key()));
        file.setValue(it.key(), it.value());
    }
    file.sync();
    if (file.status() == QSettings::NoError) {
        m_errorString.clear();
        Q_EMIT changed();
        return true;
    }
    // QSettings keeps what it could not write in a cache shared by every QSettings on this file, which
    // would read it back and write it at the file's next opening. Put back what the file holds.
    for (auto it = previous.cbegin(); it != previous.cend(); ++it) {
        if (it.value().isValid()) {
            file.setValue(it.key(), it.value());
        } else {
            file.remove(it.key());
        }
    }
    m_errorString = whySaveFails(path);
    qCWarning(lcSettingsFile).noquote()
        << QStringLiteral("Cannot save the settings to %1; the previous file is left as it was").arg(path);
    return false;
}

QString Settings::errorString() const
{
    return m_errorString;
}

