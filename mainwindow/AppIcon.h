#pragma once

#include <QIcon>

// The program's icon (a logbook page with a wave), drawn here so that no image
// plug-in is needed at run time; packaging/vantel.svg is the same picture.
QIcon appIcon();
