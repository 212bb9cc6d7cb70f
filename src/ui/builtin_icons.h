#pragma once
// The built-in icon images compiled into the desktop module, and the crossing between the
// icon sets' images and Qt's.

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cstdint>

#include "themes/icon_sets.h"

namespace pictorb {

// Every image of the three sets at its set's size (control and menu 16 px, the toolbar at
// `uiSize`, the Convert button's image large).
void LoadBuiltInIcons(IconSets& sets, int32_t uiSize);
// The same for one set, when only the icon size changed.
void LoadBuiltInIconSet(IconSets& sets, IconSetKind kind, int32_t uiSize);

QImage ToQImage(const IconImage& image);
QIcon ToQIcon(const IconImage& image);
IconImage ToIconImage(const QImage& image);
// The About window's banner, 360 by 40.
QPixmap BuiltInBanner();
// The program's own icon (16 to 64 px), for the windows' title bars and task switchers.
QIcon BuiltInProgramIcon();

}  // namespace pictorb
