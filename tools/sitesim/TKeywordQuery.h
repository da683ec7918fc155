// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

/// The site's keyword search: every term must match (words are whole words, case-blind,
/// a trailing "*" matches a prefix), "quoted phrases" match consecutive words, a leading
/// "-" excludes a term, "(a | b)" and "a | b" accept either side. Immutable once built;
/// safe to share between threads.
class TKeywordQuery final {
public:
    explicit TKeywordQuery(const std::string& text);

    /// True when text satisfies the query; an empty query accepts everything.
    bool Matches(const std::string& text) const;
    /// The same for text already split by Words().
    bool MatchesWords(const std::vector<std::string>& words) const;
    bool Empty() const { return m_root.Children.empty() && m_root.Words.empty(); }

    /// The lower-case words of text: runs of letters and digits (bytes of multi-byte
    /// characters count as letters).
    static std::vector<std::string> Words(const std::string& text);

private:
    struct TNode {
        enum class TKind { Phrase, All, Any } Kind = TKind::All;
        bool Negated = false;
        std::vector<std::string> Words;
        std::vector<TNode> Children;
    };

    TNode ParseAlternatives();
    TNode ParseSequence();
    bool ParseAtom(TNode& node);
    static bool Match(const TNode& node, const std::vector<std::string>& words);
    static bool MatchPhrase(const std::vector<std::string>& phrase, const std::vector<std::string>& words);

    std::string m_text;
    size_t m_at = 0;
    TNode m_root;
};
