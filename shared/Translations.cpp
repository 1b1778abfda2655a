// SPDX-License-Identifier: GPL-3.0-or-later
#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void Translations::install(const QString &catalog)
{
    const QLocale locale;
    // Owned by the application: they serve until it ends.
    auto *qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
    } else {
        delete qt;
    }
    auto *ours = new QTranslator(QCoreApplication::instance());
    if (ours->load(locale, catalog, QStringLiteral("_"), QStringLiteral(":/i18n"))) {
        QCoreApplication::installTranslator(ours);
    } else {
        delete ours;
    }
}
