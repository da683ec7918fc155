// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

/// The program's icon (windows, tray), drawn at the sizes desktops ask for.
QIcon TrawlixIcon();
