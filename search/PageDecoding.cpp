// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/PageDecoding.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace {

/// How far into a page a meta tag may declare the charset: the head of every page of the
/// site ends well before this.
constexpr std::size_t MarkupCharsetWindow = 8192;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    return lower;
}

/// Case-blind search for an ASCII word.
std::size_t FindNoCase(std::string_view text, std::string_view word, std::size_t from = 0) {
    for (std::size_t at = from; at + word.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < word.size() && Lower(text[at + i]) == word[i])
            ++i;
        if (i == word.size())
            return at;
    }
    return std::string_view::npos;
}

bool StartsWithNoCase(std::string_view text, std::string_view word) {
    if (text.size() < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(text[i]) != word[i])
            return false;
    return true;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

/// The value after "charset" at from (optional spaces, "=", an optionally quoted value);
/// empty when no "=" follows.
std::string CharsetValueAt(std::string_view text, std::size_t from) {
    std::size_t at = from;
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    if (at >= text.size() || text[at] != '=')
        return {};
    ++at;
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    if (at < text.size() && (text[at] == '"' || text[at] == '\''))
        ++at;
    std::size_t end = at;
    while (end < text.size() && !IsSpace(text[end]) && std::strchr("\"';>/", text[end]) == nullptr)
        ++end;
    return LowerCase(text.substr(at, end - at));
}

bool IsUtf8Label(const std::string& label) {
    return label == "utf-8" || label == "utf8" || label == "unicode-1-1-utf-8";
}

/// Labels that browsers read as windows-1252: pages that say Latin-1 or ASCII still use
/// its quotes and dashes.
bool IsWindows1252Label(const std::string& label) {
    static constexpr std::array<std::string_view, 14> labels = {
        "windows-1252", "cp1252",   "x-cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1", "latin1",
        "l1",           "us-ascii", "ascii",    "cp819",      "ibm819",    "iso-ir-100", "iso_8859-1:1987"};
    return std::find(labels.begin(), labels.end(), label) != labels.end();
}

bool IsAscii(std::string_view text) {
    unsigned char any = 0;
    for (const char c : text)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

/// Decodes page with a decoder Qt knows by name; false when it knows none by that name.
bool DecodeWith(std::string& page, const char* name) {
    QStringDecoder decoder(name);
    if (!decoder.isValid())
        return false;
    const QString text = decoder(QByteArrayView(page.data(), static_cast<qsizetype>(page.size())));
    const QByteArray utf8 = text.toUtf8();
    page.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    return true;
}

void DecodeUtf8Lossy(std::string& page) {
    const QByteArray utf8 = QString::fromUtf8(page.data(), static_cast<qsizetype>(page.size())).toUtf8();
    page.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

bool IsValidUtf8(const std::string& page) {
    return QByteArrayView(page.data(), static_cast<qsizetype>(page.size())).isValidUtf8();
}

/// Without a usable declaration: UTF-8 when the bytes are, windows-1252 otherwise.
void DecodeUndeclared(std::string& page) {
    if (!IsValidUtf8(page) && !DecodeWith(page, "windows-1252"))
        DecodeUtf8Lossy(page);
}

} // namespace

std::string CharsetOfContentType(std::string_view contentType) {
    for (std::size_t at = FindNoCase(contentType, "charset"); at != std::string_view::npos;
         at = FindNoCase(contentType, "charset", at + 1))
        if (std::string value = CharsetValueAt(contentType, at + 7); !value.empty())
            return value;
    return {};
}

std::string CharsetOfMarkup(std::string_view page) {
    const std::string_view head = page.substr(0, std::min(page.size(), MarkupCharsetWindow));
    // Tags are found by their "<" (a memchr); the head's end ends the search.
    for (std::size_t open = head.find('<'); open != std::string_view::npos; open = head.find('<', open + 1)) {
        const std::string_view rest = head.substr(open + 1);
        if (StartsWithNoCase(rest, "/head") || StartsWithNoCase(rest, "body"))
            break;
        if (!StartsWithNoCase(rest, "meta"))
            continue;
        const std::size_t end = std::min(head.find('>', open), head.size());
        const std::string_view tag = head.substr(open, end - open);
        for (std::size_t at = FindNoCase(tag, "charset"); at != std::string_view::npos;
             at = FindNoCase(tag, "charset", at + 1))
            if (std::string value = CharsetValueAt(tag, at + 7); !value.empty())
                return value;
    }
    return {};
}

void DecodePage(std::string& page, std::string_view contentType) {
    std::string label = CharsetOfContentType(contentType);
    if (label.empty())
        label = CharsetOfMarkup(page);
    if (label.empty()) {
        DecodeUndeclared(page);
    } else if (IsUtf8Label(label)) {
        if (!IsValidUtf8(page))
            DecodeUtf8Lossy(page);
    } else if (IsWindows1252Label(label)) {
        if (!IsAscii(page) && !DecodeWith(page, "windows-1252"))
            DecodeUtf8Lossy(page);
    } else if (!DecodeWith(page, label.c_str())) {
        // A charset nobody knows is as good as none.
        DecodeUndeclared(page);
    }
}
