// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TAdvancedKeywords.h"

#include <array>

#include "search/TSearch.h"

namespace {

bool IsBlankOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
}

/// The alternatives as the site reads them: one alone as it is, two or three as a group.
std::string Alternatives(const std::array<const std::string*, 3>& fields) {
    std::string group;
    int filled = 0;
    for (const std::string* field : fields)
        if (!field->empty()) {
            AppendWithBar(group, *field);
            ++filled;
        }
    return filled > 1 ? "(" + group + ")" : group;
}

/// Every word excluded: "-" in front and each single space becoming " -", so two spaces
/// in a row give "- -".
std::string Excluded(const std::string& words) {
    std::string excluded = "-";
    for (char c : words) {
        excluded += c;
        if (c == ' ')
            excluded += '-';
    }
    return excluded;
}

} // namespace

TAdvancedKeywords TAdvancedKeywords::Of(const TSearch& search) {
    return {search.AdvAllThese, search.AdvExact, search.AdvOr1, search.AdvOr2, search.AdvOr3, search.AdvNoneOfThese};
}

void TAdvancedKeywords::StoreInto(TSearch& search) const {
    search.AdvAllThese = AllThese;
    search.AdvExact = Exact;
    search.AdvOr1 = Or1;
    search.AdvOr2 = Or2;
    search.AdvOr3 = Or3;
    search.AdvNoneOfThese = NoneOfThese;
}

TAdvancedKeywords TAdvancedKeywords::Trimmed() const {
    return {TrimKeywordField(AllThese), TrimKeywordField(Exact), TrimKeywordField(Or1),
            TrimKeywordField(Or2),      TrimKeywordField(Or3),   TrimKeywordField(NoneOfThese)};
}

std::string TAdvancedKeywords::Compose() const {
    std::string line = AllThese;
    if (!Exact.empty())
        AppendWithSpace(line, '"' + Exact + '"');
    const std::string alternatives = Alternatives({&Or1, &Or2, &Or3});
    if (!alternatives.empty())
        AppendWithSpace(line, alternatives);
    if (!NoneOfThese.empty())
        AppendWithSpace(line, Excluded(NoneOfThese));
    return line;
}

void AppendWithSpace(std::string& text, const std::string& part) {
    if (!text.empty())
        text += ' ';
    text += part;
}

void AppendWithBar(std::string& text, const std::string& part) {
    if (!text.empty())
        text += " | ";
    text += part;
}

std::string TrimKeywordField(const std::string& text) {
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && IsBlankOrControl(text[first]))
        ++first;
    while (end > first && IsBlankOrControl(text[end - 1]))
        --end;
    return text.substr(first, end - first);
}
