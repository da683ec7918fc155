// SPDX-License-Identifier: GPL-3.0-or-later
// Must not compile as GUI-free code: see the WidgetGuard tests in tests/CMakeLists.txt.
#include WIDGET_HEADER
