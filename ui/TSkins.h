// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QStringList>

/// The skins of the data folder: style sheets in "Skins/<name>/skin.qss". A skin applies to
/// the whole application at once, so every open window takes it. Images a sheet names
/// as "skin:<file>" are looked up in its own folder. User-interface thread.
namespace TSkins {

/// The names of the skins found under dataFolder's "Skins", sorted.
QStringList Available(const std::string& dataFolder);

/// Applies the named skin; an empty name means the built-in default (no style sheet). A
/// skin that is missing or unreadable leaves the default and returns false.
bool Apply(const std::string& dataFolder, const std::string& name);

/// The skin applied last; empty for the default.
QString Current();

} // namespace TSkins
