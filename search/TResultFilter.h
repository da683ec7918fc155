// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class TEntry;

/// The filter of the search window's filter page: words that the title of a result must
/// contain (any of them, or all of them) and how many days old a result may be. Built once
/// per Filter, then asked about every row.
class TResultFilter final {
public:
    /// words as typed (split at runs of spaces); anyWord: OR, else AND; days 0 means no limit.
    TResultFilter(const QString& words, bool anyWord, int days, QDate today = QDate::currentDate());

    /// Whether the title holds the words: empty words let every title through; an empty word
    /// (from a space at the start or the end) never matches; a word also matches inside a
    /// longer word; capitals do not matter.
    bool MatchesFilterWords(const QString& title) const;
    /// Whether the entry is younger than the day limit. The age counts months as 30 days and
    /// ignores the year, so a result of a later month than today never passes.
    bool WithinFilterDays(const TEntry& entry) const;
    bool Matches(const TEntry& entry) const;

private:
    QStringList m_words;
    bool m_anyWord;
    int m_days;
    QDate m_today;
};
