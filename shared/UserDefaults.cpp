// SPDX-License-Identifier: GPL-3.0-or-later
#include "UserDefaults.h"

#include "Logging.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QSettings>
#include <QStandardPaths>

namespace
{
// The suite is opened for every read, so the same problem would be reported over and over; report
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
} // namespace

UserDefaults::UserDefaults(const QString &suiteName)
    : m_path(filePath(suiteName))
    , m_settings(std::make_unique<QSettings>(m_path, QSettings::IniFormat))
{
    const QFileInfo info(m_path);
    if (info.exists() && !info.isReadable()) {
        m_readable = false;
        reportOnce(m_path, QStringLiteral("Cannot read the settings file %1; every option reads as off").arg(m_path));
    } else if (m_settings->status() == QSettings::FormatError || !isIntact()) {
        m_readable = false;
        reportOnce(m_path,
                   QStringLiteral("The settings file %1 is damaged; every option reads as off until it is saved again")
                       .arg(m_path));
    } else {
        reportOnce(m_path, QString());
    }
}

UserDefaults::~UserDefaults() = default;

bool UserDefaults::isIntact() const
{
    QFile file(m_path);
    if (!file.exists()) {
        return true;
    }
    // The suite holds four short lines; anything much larger is not ours.
    constexpr qint64 MaxSize = 64 * 1024;
    if (file.size() > MaxSize || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    return looksLikeOurIniFile(file.readAll());
}

QString UserDefaults::filePath(const QString &suiteName)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + suiteName
        + QStringLiteral(".ini");
}

bool UserDefaults::boolForKey(const QString &key) const
{
    if (!m_readable) {
        return false;
    }
    const QVariant value = m_settings->value(key);
    if (!value.isValid()) {
        return false;
    }
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    const QString text = value.toString().trimmed();
    if (text == QLatin1String("true")) {
        return true;
    }
    if (text != QLatin1String("false")) {
        reportOnce(m_path + key,
                   QStringLiteral("The setting \"%1\" in %2 is \"%3\", not true or false; it reads as off")
                       .arg(key, m_path, text));
    }
    return false;
}

void UserDefaults::setBool(bool value, const QString &key)
{
    m_settings->setValue(key, value);
}

bool UserDefaults::synchronize()
{
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError) {
        return true;
    }
    qCWarning(lcSettingsFile).noquote()
        << QStringLiteral("Cannot save the settings to %1; the previous file is left as it was").arg(m_path);
    return false;
}
