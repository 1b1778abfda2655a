// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QString;

/// Writes one event line ("Settings reloaded", "C/D pressed", ...) to standard output exactly as
/// given, followed by a line end, and flushes at once. Other programs and tests read these lines.
void writeEventLine(const QString &line);
