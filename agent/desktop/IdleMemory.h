// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// What drawing our windows leaves behind, given back once none of them is on screen.
namespace IdleMemory
{
enum class Pictures { Keep, Drop };

/// Does nothing while one of our windows is shown (the last one to go calls this again). Otherwise drops Qt's
/// font engines with their glyph caches (and the font files they map; the next text drawn loads them again),
/// with Pictures::Drop also the pixmaps Qt cached while drawing, then hands the heap's free pages back.
/// Returns whether it did.
bool release(Pictures pictures);
} // namespace IdleMemory
