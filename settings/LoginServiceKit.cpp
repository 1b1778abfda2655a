// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoginServiceKit.h"

#include "Logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>

namespace
{
const QString EntryFileName = QStringLiteral("com.vostel.Earlume.desktop");
const QString MainGroup = QStringLiteral("[Desktop Entry]");
// Characters that keep their special meaning inside a quoted Exec argument and so take a backslash.
const QString ExecQuotedSpecials = QStringLiteral("\"`$\\");

/// Escapes a value of the desktop entry type "string".
QString escapeValue(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        switch (c.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        case u' ':
            // Only a leading space would be lost to the reader's trimming.
            escaped += i == 0 ? QStringLiteral("\\s") : QStringLiteral(" ");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString unescapeValue(QStringView value)
{
    QString plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            plain += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case u's':
            plain += u' ';
            break;
        case u'n':
            plain += u'\n';
            break;
        case u't':
            plain += u'\t';
            break;
        case u'r':
            plain += u'\r';
            break;
        case u'\\':
            plain += u'\\';
            break;
        default:
            // Not a string escape. Hand-written entries often escape Exec quoting this way; keep it for
            // the Exec rules to read.
            plain += c;
            plain += next;
        }
    }
    return plain;
}

struct DesktopEntry {
    bool valid = false;
    QHash<QString, QString> values;
};

/// The keys of the main group, unescaped; valid is false when the file cannot be read or is no desktop entry.
DesktopEntry readEntry(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString text = QString::fromUtf8(file.readAll());
    DesktopEntry entry;
    bool inMainGroup = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            if (inMainGroup) {
                break;
            }
            // The main group has to come first.
            if (line != MainGroup) {
                return {};
            }
            inMainGroup = true;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals <= 0) {
            return {};
        }
        const QString key = line.left(equals).trimmed().toString();
        if (!entry.values.contains(key)) {
            entry.values.insert(key, unescapeValue(line.mid(equals + 1).trimmed()));
        }
    }
    entry.valid = inMainGroup;
    return entry;
}

/// Whether @p program, the first argument of an Exec line, is the executable at @p path.
bool sameProgram(const QString &program, const QString &path)
{
    if (program == path) {
        return true;
    }
    const QString resolved = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    if (resolved.isEmpty() || !QDir::isAbsolutePath(resolved)) {
        return false;
    }
    const QString canonical = QFileInfo(resolved).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(path).canonicalFilePath();
}

/// The program an entry starts, or an empty string when the entry starts nothing.
QString entryProgram(const DesktopEntry &entry)
{
    const QStringList arguments = LoginServiceKit::splitExec(entry.values.value(QStringLiteral("Exec")));
    return arguments.isEmpty() ? QString() : arguments.first();
}

QString entryContents(const QString &path)
{
    const QString exec = escapeValue(LoginServiceKit::quoteExecArgument(path));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Earlume\n"
                          "Comment=Shows the battery levels of your AirPods in the system tray\n"
                          "Exec=%1\n"
                          "TryExec=%2\n"
                          "Icon=com.vostel.Earlume\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(exec, escapeValue(path));
}

/**
 * The entry at @p filePath, switched on for @p path: Exec (and TryExec, where there is one) start the
 * path, Hidden=true goes, X-GNOME-Autostart-enabled says true, and every other line stays as the user
 * or a desktop tool left it. A file that is no desktop entry gives way to a fresh entry.
 */
QString enabledEntryContents(const QString &filePath, const QString &path)
{
    QFile file(filePath);
    if (!readEntry(filePath).valid || !file.open(QIODevice::ReadOnly)) {
        return entryContents(path);
    }
    QHash<QString, QString> values{{QStringLiteral("Exec"), escapeValue(LoginServiceKit::quoteExecArgument(path))},
                                   {QStringLiteral("TryExec"), escapeValue(path)},
                                   {QStringLiteral("Type"), QStringLiteral("Application")},
                                   {QStringLiteral("X-GNOME-Autostart-enabled"), QStringLiteral("true")}};
    // Without these the entry would not start us; they are added when missing.
    QStringList missing{QStringLiteral("Type"), QStringLiteral("Name"), QStringLiteral("Exec")};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    qsizetype endOfMainGroup = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView line = QStringView(lines.at(i)).trimmed();
        if (line.startsWith(u'[')) {
            if (endOfMainGroup > 0) {
                break;
            }
            endOfMainGroup = i + 1;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'#') || equals <= 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed().toString();
        const QString value = unescapeValue(line.mid(equals + 1).trimmed());
        missing.removeAll(key);
        if (key == QLatin1String("Hidden") && value == QLatin1String("true")) {
            lines.removeAt(i--);
            continue;
        }
        if (values.contains(key)) {
            lines[i] = key + u'=' + values.value(key);
        } else if (key == QLatin1String("Name") && value.isEmpty()) {
            lines[i] = QStringLiteral("Name=Earlume");
        }
        endOfMainGroup = i + 1;
    }
    values.insert(QStringLiteral("Name"), QStringLiteral("Earlume"));
    for (const QString &key : std::as_const(missing)) {
        lines.insert(endOfMainGroup++, key + u'=' + values.value(key));
    }
    return lines.join(u'\n');
}
} // namespace

bool LoginServiceKit::isExistLoginItems(const QString &path)
{
    const DesktopEntry entry = readEntry(entryFilePath());
    if (!entry.valid) {
        return false;
    }
    const auto value = [&entry](const QString &key) {
        return entry.values.value(key);
    };
    if (value(QStringLiteral("Type")) != QLatin1String("Application") || value(QStringLiteral("Name")).isEmpty()) {
        return false;
    }
    // Desktops honour both ways of switching an entry off.
    if (value(QStringLiteral("Hidden")) == QLatin1String("true")
        || value(QStringLiteral("X-GNOME-Autostart-enabled")) == QLatin1String("false")) {
        return false;
    }
    const QString program = entryProgram(entry);
    return !program.isEmpty() && sameProgram(program, path);
}

bool LoginServiceKit::addLoginItems(const QString &path)
{
    const QString directory = autostartDirectory();
    if (!QDir().mkpath(directory)) {
        qCWarning(lcAutostart).noquote()
            << QStringLiteral("Cannot create the autostart folder %1; Earlume will not start at login").arg(directory);
        return false;
    }
    const QByteArray contents = enabledEntryContents(entryFilePath(), path).toUtf8();
    QSaveFile file(entryFilePath());
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcAutostart).noquote() << QStringLiteral("Cannot write the autostart entry %1 (%2); Earlume will not "
                                                           "start at login")
                                                .arg(file.fileName(), file.errorString());
        return false;
    }
    file.write(contents);
    if (!file.commit()) {
        qCWarning(lcAutostart).noquote() << QStringLiteral("Cannot write the autostart entry %1 (%2); Earlume will not "
                                                           "start at login")
                                                .arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

bool LoginServiceKit::removeLoginItems(const QString &path)
{
    const QString filePath = entryFilePath();
    const QFileInfo info(filePath);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    // An entry that starts another copy of the agent belongs to that copy.
    const DesktopEntry entry = readEntry(filePath);
    const QString program = entryProgram(entry);
    if (entry.valid && !program.isEmpty() && !sameProgram(program, path)) {
        return true;
    }
    QFile file(filePath);
    if (!file.remove()) {
        qCWarning(lcAutostart).noquote() << QStringLiteral("Cannot remove the autostart entry %1 (%2); Earlume will "
                                                           "still start at login")
                                                .arg(filePath, file.errorString());
        return false;
    }
    return true;
}

QString LoginServiceKit::autostartDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
}

QString LoginServiceKit::entryFilePath()
{
    return autostartDirectory() + QLatin1Char('/') + EntryFileName;
}

QString LoginServiceKit::quoteExecArgument(const QString &path)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (ExecQuotedSpecials.contains(c)) {
            quoted += u'\\';
        } else if (c == u'%') {
            // A single percent sign would start a field code.
            quoted += u'%';
        }
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

QStringList LoginServiceKit::splitExec(const QString &exec)
{
    QStringList arguments;
    QString current;
    bool inQuotes = false;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (inQuotes) {
            if (c == u'\\' && i + 1 < exec.size() && ExecQuotedSpecials.contains(exec.at(i + 1))) {
                current += exec.at(++i);
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument) {
                arguments.append(current);
                current.clear();
                inArgument = false;
            }
        } else if (c == u'"') {
            inQuotes = true;
            inArgument = true;
        } else if (c == u'\\' && i + 1 < exec.size()) {
            current += exec.at(++i);
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inQuotes) {
        return {};
    }
    if (inArgument) {
        arguments.append(current);
    }
    for (QString &argument : arguments) {
        argument.replace(QStringLiteral("%%"), QStringLiteral("%"));
    }
    return arguments;
}
