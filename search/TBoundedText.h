// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "core/TextHelpers.h"

/// A text field that keeps at most N characters: a longer value assigned to it keeps its
/// first N (never splitting a UTF-8 sequence). Reads like a const std::string. Plain value,
/// no thread affinity.
template <std::size_t N> class TBoundedText final {
public:
    static constexpr std::size_t Capacity = N;

    TBoundedText() = default;
    TBoundedText(std::string_view text) : m_text(CutToChars(text, N)) {}
    TBoundedText(const std::string& text) : m_text(CutToChars(text, N)) {}
    TBoundedText(const char* text) : m_text(CutToChars(text ? std::string_view(text) : std::string_view(), N)) {}

    TBoundedText& operator=(std::string_view text) {
        m_text = CutToChars(text, N);
        return *this;
    }
    TBoundedText& operator=(const std::string& text) { return *this = std::string_view(text); }
    TBoundedText& operator=(const char* text) { return *this = std::string_view(text ? text : ""); }

    const std::string& str() const { return m_text; }
    const char* c_str() const { return m_text.c_str(); }
    bool empty() const { return m_text.empty(); }
    std::size_t size() const { return m_text.size(); }
    operator const std::string&() const { return m_text; }
    operator std::string_view() const { return m_text; }

    bool operator==(const TBoundedText& other) const { return m_text == other.m_text; }
    bool operator==(std::string_view other) const { return m_text == other; }
    bool operator==(const std::string& other) const { return m_text == other; }
    bool operator==(const char* other) const { return m_text == std::string_view(other ? other : ""); }

    friend std::string operator+(const TBoundedText& left, std::string_view right) {
        return left.m_text + std::string(right);
    }
    friend std::string operator+(std::string_view left, const TBoundedText& right) {
        return std::string(left) + right.m_text;
    }
    friend std::ostream& operator<<(std::ostream& out, const TBoundedText& text) { return out << text.m_text; }

private:
    std::string m_text;
};
