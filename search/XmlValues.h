// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include <pugixml.hpp>

// Value encodings of the searches file: integers in decimal, booleans "-1"/"0", floats in
// the shortest general form with "." (read with "." or ","), texts as element content.
// Readers throw TXmlValueError when a required child is missing or a value does not convert.

/// An element of the searches file that cannot be read.
class TXmlValueError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Parse options for the searches file: no line-end conversion (texts come back byte for
/// byte), whitespace-only texts kept, comments, declarations and the like kept so that
/// writing a document back loses nothing of what was read, and texts held in their
/// elements (half the nodes of a separate text node each).
constexpr unsigned SearchesParseOptions =
    (pugi::parse_full & ~pugi::parse_eol) | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;

/// The named child element; throws when it is missing.
pugi::xml_node RequiredChild(const pugi::xml_node& parent, const char* name);

int ParseXmlInt(std::string_view text);
bool ParseXmlBool(std::string_view text);
double ParseXmlFloat(std::string_view text);

/// The text content of a child element (throws when the child is missing).
std::string ReadXmlText(const pugi::xml_node& parent, const char* name);
int ReadXmlInt(const pugi::xml_node& parent, const char* name);
bool ReadXmlBool(const pugi::xml_node& parent, const char* name);
double ReadXmlFloat(const pugi::xml_node& parent, const char* name);

/// Appends a child element holding text (nothing inside when the text is empty).
pugi::xml_node WriteXmlText(pugi::xml_node& parent, const char* name, std::string_view text);
void WriteXmlInt(pugi::xml_node& parent, const char* name, long long value);
void WriteXmlBool(pugi::xml_node& parent, const char* name, bool value);
void WriteXmlFloat(pugi::xml_node& parent, const char* name, double value);
/// A 32-bit float in the shortest form that reads back as the same float ("0.3").
void WriteXmlFloat32(pugi::xml_node& parent, const char* name, float value);
