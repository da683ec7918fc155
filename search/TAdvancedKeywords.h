// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

class TSearch;

/// The six plain fields of the advanced keywords dialog and the keyword line composed from
/// them in the site's search syntax: all words, a "quoted phrase", "(a | b | c)"
/// alternatives and -excluded words. Nothing typed is quoted or escaped. A value type.
struct TAdvancedKeywords {
    std::string AllThese;
    std::string Exact;
    std::string Or1;
    std::string Or2;
    std::string Or3;
    std::string NoneOfThese;

    /// The search's six advanced fields.
    static TAdvancedKeywords Of(const TSearch& search);
    /// Copies the six fields into the search's advanced fields.
    void StoreInto(TSearch& search) const;
    /// Every field without its leading and trailing blanks and control characters.
    TAdvancedKeywords Trimmed() const;
    /// The keyword line, composed from the fields as they are (trim them first); empty when
    /// every field is empty.
    std::string Compose() const;

    bool operator==(const TAdvancedKeywords&) const = default;
};

/// Appends part to text, after a space when text is not empty.
void AppendWithSpace(std::string& text, const std::string& part);
/// Appends part to text, after " | " when text is not empty.
void AppendWithBar(std::string& text, const std::string& part);
/// text without leading and trailing spaces and control characters (bytes up to 0x20 and
/// 0x7F; the bytes of a multi-byte UTF-8 sequence are never among them).
std::string TrimKeywordField(const std::string& text);
