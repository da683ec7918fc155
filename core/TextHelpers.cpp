// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TextHelpers.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include <QNetworkInterface>

namespace {

bool IsUtf8Continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

std::string FormatHardwareAddress(const QString& colonSeparated) {
    return colonSeparated.toUpper().replace(QLatin1Char(':'), QLatin1Char('-')).toStdString();
}

} // namespace

std::string TokenFromLeft(std::string_view text, int n, char delimiter, int start) {
    const int length = static_cast<int>(text.size());
    if (length == 0 || start > length || n < 1)
        return {};
    if (start < 1)
        start = 1;
    auto at = [&](int position) { return text[static_cast<std::size_t>(position - 1)]; };
    std::string current;
    int count = 0;
    for (int p = start; p <= length; ++p) {
        if (p > start && at(p - 1) == delimiter)
            current.clear();
        if (at(p) != delimiter)
            current += at(p);
        if ((at(p) == delimiter && (p == 1 || at(p - 1) != delimiter)) || p == length)
            ++count;
        if (count == n)
            return current;
    }
    return {};
}

std::string TokenFromRight(std::string_view text, int n, char delimiter, int start) {
    const int length = static_cast<int>(text.size());
    if (length == 0 || n < 1)
        return {};
    if (start == 0 || start > length)
        start = length;
    auto at = [&](int position) { return text[static_cast<std::size_t>(position - 1)]; };
    // The token being collected is always one run of non-delimiters, runStart..runEnd
    // (1-based, runEnd 0 when empty): kept as positions rather than built character by
    // character at its front.
    int runStart = 0;
    int runEnd = 0;
    int count = 0;
    for (int p = start; p >= 1; --p) {
        if (p + 1 <= length && at(p + 1) == delimiter)
            runEnd = 0;
        if (at(p) != delimiter) {
            if (runEnd == 0)
                runEnd = p;
            runStart = p;
        }
        if ((at(p) == delimiter && (p == 1 || p + 1 > length || at(p + 1) != delimiter)) || p == 1)
            ++count;
        if (count == n) {
            if (runEnd == 0)
                return {};
            return std::string(
                text.substr(static_cast<std::size_t>(runStart - 1), static_cast<std::size_t>(runEnd - runStart + 1)));
        }
    }
    return {};
}

std::string StripTags(std::string_view html) {
    std::string out;
    bool inside = false;
    for (std::size_t p = 0; p < html.size(); ++p) {
        const char c = html[p];
        if (p + 1 < html.size() && c == '>')
            inside = true;
        else if (c == '<')
            inside = false;
        else if (inside && c != '\n' && c != '\t')
            out += c;
    }
    return TrimControl(out);
}

double PriceToFloat(std::string_view text) {
    std::string kept;
    for (char c : text)
        if ((c >= '0' && c <= '9') || c == ',' || c == '.')
            kept += c;
    // "1,500" groups thousands; "12,50" uses the comma as its decimal separator.
    auto isDigit = [&](std::size_t i) { return i < kept.size() && kept[i] >= '0' && kept[i] <= '9'; };
    std::string number;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (kept[i] != ',')
            number += kept[i];
        else if (!(isDigit(i + 1) && isDigit(i + 2) && isDigit(i + 3) && !isDigit(i + 4)))
            number += '.';
    }
    double value = 0;
    const char* end = number.data() + number.size();
    auto [stop, error] = std::from_chars(number.data(), end, value, std::chars_format::fixed);
    if (number.empty() || error != std::errc() || stop != end)
        return 0;
    return value;
}

TPostingDate SplitPostingDate(std::string_view text) {
    const char delimiter = text.find('-') != std::string_view::npos ? '-' : ' ';
    TPostingDate result;
    result.Month = TrimControl(TokenFromLeft(text, 1, delimiter, 1));
    const std::string day = TrimControl(TokenFromLeft(text, 2, delimiter, 1));
    int value = 0;
    const char* end = day.data() + day.size();
    auto [stop, error] = std::from_chars(day.data(), end, value);
    result.Day = (!day.empty() && error == std::errc() && stop == end) ? value : -1;
    return result;
}

int MonthNumber(std::string_view word) {
    if (word.empty())
        return 0;
    std::string normal(word);
    for (char& c : normal)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    normal[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(normal[0])));
    static const char* const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i)
        if (normal == names[i])
            return i + 1;
    return 0;
}

char BoolToFlagChar(bool value) {
    return value ? 'T' : 'F';
}

std::string DigitsOnly(std::string_view text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

std::string GetAdapterAddress() {
    const std::string none = "00-00-00-00-00-00";
    std::string address;
    for (const QNetworkInterface& adapter : QNetworkInterface::allInterfaces()) {
        const QString hardware = adapter.hardwareAddress();
        if (hardware.count(QLatin1Char(':')) != 5)
            continue;
        address = FormatHardwareAddress(hardware);
        if (address != none)
            break;
    }
    return address;
}

std::string TrimControl(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 32)
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32)
        --last;
    return std::string(text.substr(first, last - first));
}

std::string CutToChars(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsUtf8Continuation(static_cast<unsigned char>(text[i])))
            continue;
        if (chars == maxChars)
            return std::string(text.substr(0, i));
        ++chars;
    }
    return std::string(text);
}

std::string CutToBytes(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return std::string(text);
    std::size_t end = maxBytes;
    while (end > 0 && IsUtf8Continuation(static_cast<unsigned char>(text[end])))
        --end;
    return std::string(text.substr(0, end));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t position = 0;
    while (!from.empty()) {
        const std::size_t hit = text.find(from, position);
        if (hit == std::string_view::npos)
            break;
        out.append(text.substr(position, hit - position));
        out.append(to);
        position = hit + from.size();
    }
    out.append(text.substr(position));
    return out;
}

std::string FormatDecimal(double value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (error != std::errc())
        return "0";
    std::string text(buffer, end);
    return text == "-0" ? "0" : text;
}
