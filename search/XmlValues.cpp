// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/XmlValues.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

#include "core/TextHelpers.h"

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

template <typename T> std::optional<T> ParseWhole(std::string_view text) {
    text = TrimBlanks(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Either decimal separator: files written by other versions used the locale's one.
std::optional<double> ParseDecimal(std::string_view text) {
    std::string normalised(TrimBlanks(text));
    for (char& c : normalised)
        if (c == ',')
            c = '.';
    const auto value = ParseWhole<double>(normalised);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i])
            return false;
    return true;
}

[[noreturn]] void Fail(std::string_view what, std::string_view text) {
    throw TXmlValueError(std::string(what) + " \"" + std::string(text.substr(0, 40)) + "\"");
}

} // namespace

pugi::xml_node RequiredChild(const pugi::xml_node& parent, const char* name) {
    const pugi::xml_node child = parent.child(name);
    if (!child)
        throw TXmlValueError(std::string("Element \"") + parent.name() + "\" has no \"" + name + "\"");
    return child;
}

int ParseXmlInt(std::string_view text) {
    if (const auto value = ParseWhole<int>(text))
        return *value;
    Fail("Not an integer:", text);
}

bool ParseXmlBool(std::string_view text) {
    if (const auto value = ParseDecimal(text))
        return *value != 0;
    const std::string_view word = TrimBlanks(text);
    if (EqualsIgnoringCase(word, "true"))
        return true;
    if (EqualsIgnoringCase(word, "false"))
        return false;
    Fail("Not a boolean:", text);
}

double ParseXmlFloat(std::string_view text) {
    if (const auto value = ParseDecimal(text))
        return *value;
    Fail("Not a number:", text);
}

std::string ReadXmlText(const pugi::xml_node& parent, const char* name) {
    return RequiredChild(parent, name).text().get();
}

int ReadXmlInt(const pugi::xml_node& parent, const char* name) {
    return ParseXmlInt(RequiredChild(parent, name).text().get());
}

bool ReadXmlBool(const pugi::xml_node& parent, const char* name) {
    return ParseXmlBool(RequiredChild(parent, name).text().get());
}

double ReadXmlFloat(const pugi::xml_node& parent, const char* name) {
    return ParseXmlFloat(RequiredChild(parent, name).text().get());
}

pugi::xml_node WriteXmlText(pugi::xml_node& parent, const char* name, std::string_view text) {
    pugi::xml_node child = parent.append_child(name);
    if (!text.empty())
        child.append_child(pugi::node_pcdata).set_value(text.data(), text.size());
    return child;
}

void WriteXmlInt(pugi::xml_node& parent, const char* name, long long value) {
    WriteXmlText(parent, name, std::to_string(value));
}

void WriteXmlBool(pugi::xml_node& parent, const char* name, bool value) {
    WriteXmlText(parent, name, value ? "-1" : "0");
}

void WriteXmlFloat(pugi::xml_node& parent, const char* name, double value) {
    WriteXmlText(parent, name, std::isfinite(value) ? FormatDecimal(value) : "0");
}

void WriteXmlFloat32(pugi::xml_node& parent, const char* name, float value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general);
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    WriteXmlText(parent, name, !std::isfinite(value) || error != std::errc() || text == "-0" ? "0" : text);
}
