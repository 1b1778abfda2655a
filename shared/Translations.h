// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Translations
{
/// Installs, for the user's languages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), Qt's own translations of its standard
/// texts and our @p catalog ("earlume", "earlume_settings", ...), compiled into the program under ":/i18n". English
/// needs neither: the texts in the code are English. Call once, after the application object is made.
void install(const QString &catalog);
} // namespace Translations
