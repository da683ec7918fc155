// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

/// Turns the bytes of a fetched page into UTF-8 text, in place: by the charset that
/// contentType (the HTTP Content-Type header, may be empty) declares, else by the one a
/// meta tag near the start of the page declares, else as UTF-8 when the bytes are valid
/// UTF-8 and as windows-1252 otherwise. Latin-1 and ASCII labels are read as windows-1252,
/// as browsers do. The result is always valid UTF-8; a page that already is valid UTF-8
/// and is not declared otherwise is only validated, not copied.
void DecodePage(std::string& page, std::string_view contentType);

/// The charset named by a Content-Type value ("text/html; charset=UTF-8"), lower case
/// and unquoted; empty when it names none.
std::string CharsetOfContentType(std::string_view contentType);
/// The charset that a meta tag in the first part of page declares, lower case; empty
/// when none does.
std::string CharsetOfMarkup(std::string_view page);
