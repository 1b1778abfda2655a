// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

/// The tray's form of an image: sharp square copies at the sizes trays use (16 to 48, 18 for Qt's own tray
/// icon), each with a page for 2x screens, marked as a mask so that the desktop may recolour it like its
/// own symbolic icons. The original is not changed.
QIcon icon(const QIcon &image);

/// How the tray shows a mask icon from icon(). Tray hosts draw the pixels they are given as they are, so
/// the glyph is painted in the text colour of the appearance, with a halo of the opposite colour, a sixteenth of its size,
/// that keeps it visible on a panel of either shade.
QIcon trayRendering(const QIcon &mask, bool darkAppearance);
