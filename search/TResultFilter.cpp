// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TResultFilter.h"

#include <cstdint>

#include <QRegularExpression>

#include "search/TEntry.h"

TResultFilter::TResultFilter(const QString& words, bool anyWord, int days, QDate today)
    : m_anyWord(anyWord), m_days(days), m_today(today) {
    if (words.isEmpty())
        return;
    static const QRegularExpression spaces(QStringLiteral(" +"));
    for (const QString& word : words.split(spaces))
        m_words << word.toLower();
}

bool TResultFilter::MatchesFilterWords(const QString& title) const {
    if (m_words.isEmpty())
        return true;
    const QString lowered = title.toLower();
    for (const QString& word : m_words) {
        const bool found = !word.isEmpty() && lowered.contains(word);
        if (m_anyWord && found)
            return true;
        if (!m_anyWord && !found)
            return false;
    }
    return !m_anyWord;
}

bool TResultFilter::WithinFilterDays(const TEntry& entry) const {
    if (m_days == 0)
        return true;
    // Unsigned: a result dated after today wraps to a large age and never passes.
    const auto age = static_cast<std::uint16_t>((m_today.month() - entry.Month) * 30 + (m_today.day() - entry.Day));
    return m_days > age;
}

bool TResultFilter::Matches(const TEntry& entry) const {
    return MatchesFilterWords(QString::fromStdString(entry.Name)) && WithinFilterDays(entry);
}
