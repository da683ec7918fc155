// SPDX-License-Identifier: GPL-3.0-or-later
#include "TKeywordQuery.h"

#include <cctype>
#include <string_view>

namespace {

bool IsWordByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return std::isalnum(byte) || byte >= 0x80;
}

bool WordMatches(const std::string& pattern, const std::string& word) {
    if (!pattern.empty() && pattern.back() == '*')
        return word.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return pattern == word;
}

} // namespace

TKeywordQuery::TKeywordQuery(const std::string& text) : m_text(text) {
    m_root = ParseAlternatives();
    // Stray ")" or "|" at the top level: read on so that no term is lost.
    while (m_at < m_text.size()) {
        ++m_at;
        TNode rest = ParseAlternatives();
        TNode both;
        both.Children = {std::move(m_root), std::move(rest)};
        m_root = std::move(both);
    }
}

std::vector<std::string> TKeywordQuery::Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (IsWordByte(c)) {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

TKeywordQuery::TNode TKeywordQuery::ParseAlternatives() {
    std::vector<TNode> choices{ParseSequence()};
    while (m_at < m_text.size() && m_text[m_at] == '|') {
        ++m_at;
        choices.push_back(ParseSequence());
    }
    if (choices.size() == 1)
        return std::move(choices.front());
    TNode any;
    any.Kind = TNode::TKind::Any;
    for (TNode& choice : choices)
        if (!choice.Children.empty())
            any.Children.push_back(std::move(choice));
    return any;
}

TKeywordQuery::TNode TKeywordQuery::ParseSequence() {
    TNode all;
    while (true) {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at])))
            ++m_at;
        if (m_at >= m_text.size() || m_text[m_at] == ')' || m_text[m_at] == '|')
            break;
        TNode node;
        if (m_text[m_at] == '-') {
            node.Negated = true;
            ++m_at;
        }
        if (ParseAtom(node))
            all.Children.push_back(std::move(node));
    }
    return all;
}

bool TKeywordQuery::ParseAtom(TNode& node) {
    const bool negated = node.Negated;
    if (m_at >= m_text.size())
        return false;
    if (m_text[m_at] == '"') {
        const size_t end = m_text.find('"', m_at + 1);
        const std::string phrase =
            m_text.substr(m_at + 1, end == std::string::npos ? std::string::npos : end - m_at - 1);
        m_at = end == std::string::npos ? m_text.size() : end + 1;
        node.Kind = TNode::TKind::Phrase;
        node.Words = Words(phrase);
        return !node.Words.empty();
    }
    if (m_text[m_at] == '(') {
        ++m_at;
        node = ParseAlternatives();
        node.Negated = negated;
        if (m_at < m_text.size() && m_text[m_at] == ')')
            ++m_at;
        return !node.Children.empty() || !node.Words.empty();
    }
    const size_t start = m_at;
    while (m_at < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[m_at])) &&
           std::string_view("()|\"").find(m_text[m_at]) == std::string_view::npos)
        ++m_at;
    const std::string raw = m_text.substr(start, m_at - start);
    node.Kind = TNode::TKind::Phrase;
    node.Words = Words(raw);
    if (!node.Words.empty() && raw.back() == '*')
        node.Words.back() += '*';
    return !node.Words.empty();
}

bool TKeywordQuery::Matches(const std::string& text) const {
    return Match(m_root, Words(text));
}

bool TKeywordQuery::MatchesWords(const std::vector<std::string>& words) const {
    return Match(m_root, words);
}

bool TKeywordQuery::Match(const TNode& node, const std::vector<std::string>& words) {
    bool result = true;
    switch (node.Kind) {
    case TNode::TKind::Phrase:
        result = MatchPhrase(node.Words, words);
        break;
    case TNode::TKind::All:
        for (const TNode& child : node.Children)
            if (!Match(child, words)) {
                result = false;
                break;
            }
        break;
    case TNode::TKind::Any:
        result = false;
        for (const TNode& child : node.Children)
            if (Match(child, words)) {
                result = true;
                break;
            }
        break;
    }
    return node.Negated ? !result : result;
}

bool TKeywordQuery::MatchPhrase(const std::vector<std::string>& phrase, const std::vector<std::string>& words) {
    if (phrase.empty())
        return true;
    for (size_t start = 0; start + phrase.size() <= words.size(); ++start) {
        size_t matched = 0;
        while (matched < phrase.size() && WordMatches(phrase[matched], words[start + matched]))
            ++matched;
        if (matched == phrase.size())
            return true;
    }
    return false;
}
