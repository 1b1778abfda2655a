// SPDX-License-Identifier: GPL-3.0-or-later
#include "IdleMemory.h"

#include <QApplication>
#include <QFont>
#include <QPixmapCache>
#include <QWidget>

#if defined(__GLIBC__)
#include <malloc.h>

#include <cstdlib>
#include <thread>
#include <vector>
#endif

namespace
{
#if defined(__GLIBC__)
// glibc keeps the blocks a thread freed last, a few of each size up to about 1 KiB, for that thread to reuse (its
// tcache). malloc_trim() counts them as in use, so the pages they lie on stay, and after many windows went those are
// scattered through the whole heap. Taking them out of the main thread's cache and freeing them on a thread that ends
// at once (whose own cache goes back to the heap as it ends) leaves them to malloc_trim().
void returnThreadCache()
{
    constexpr std::size_t Smallest = 24; // the requests that fill each of the cache's 64 sizes, 16 bytes apart
    constexpr std::size_t Largest = 1032;
    constexpr int PerSize = 7; // what the cache holds of each size unless tuned otherwise
    std::vector<void *> blocks;
    blocks.reserve((Largest - Smallest) / 16 * PerSize + PerSize);
    for (std::size_t size = Smallest; size <= Largest; size += 16) {
        for (int i = 0; i < PerSize; ++i) {
            blocks.push_back(std::malloc(size));
        }
    }
    std::thread([&blocks] {
        for (void *block : blocks) {
            std::free(block);
        }
    }).join();
}
#endif
} // namespace

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
    returnThreadCache();
    malloc_trim(0);
#endif
    return true;
}
