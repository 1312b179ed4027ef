#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures, drawn in code so that they stay sharp at any scale and need
// no image files.
namespace yz {

/// Start picture of the job buttons: two film strips.
QIcon startIcon();
/// Stop picture of the job buttons: a red no-entry sign.
QIcon stopIcon();

/// The window and tray icon.
QIcon appIcon();

/// Icons of the three large page buttons.
QIcon convertPageIcon();
QIcon mergePageIcon();
QIcon clipPageIcon();

/// The picture of the initialisation window.
QPixmap initPicture(int size);

} // namespace yz
