// SPDX-License-Identifier: GPL-3.0-or-later
#include "IdleMemory.h"

#include <QApplication>
#include <QFont>
#include <QPixmapCache>
#include <QWidget>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

bool IdleMemory::release(Pictures pictures)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    if (std::any_of(windows.cbegin(), windows.cend(), [](const QWidget *window) { return window->isVisible(); })) {
        return false;
    }
    if (pictures == Pictures::Drop) {
        QPixmapCache::clear();
    }
    // Qt's font cache keeps every font engine it made, each with its glyph cache and its font file mapped,
    // for the program's life. This drops the cache (as a thread's end does); fonts still held by widgets
    // notice and load their engine again when next drawn.
    QFont::cleanup();
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    return true;
}
