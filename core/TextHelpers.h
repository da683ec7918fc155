// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small text functions shared by the link builder, the page parser, the monitor and the
// stores. Texts are UTF-8; positions are 1-based wherever a position is an argument.

/// The N-th token (from 1) of text scanning right from Start; runs of D count once.
std::string TokenFromLeft(std::string_view text, int n, char delimiter, int start);
/// The N-th token counted backwards from Start (0 = the last character).
std::string TokenFromRight(std::string_view text, int n, char delimiter, int start);
/// The text between each ">" and the next "<", without line feeds and tabs, trimmed.
std::string StripTags(std::string_view html);
/// The digits, commas and full stops of a text read as a decimal number; 0 when that fails.
/// A comma followed by exactly three digits groups thousands, any other is a decimal separator.
double PriceToFloat(std::string_view text);

struct TPostingDate {
    std::string Month;
    int Day = -1;
};
/// Splits "Mar 5" or "Dec-24" into the month word and the day (-1 when it is no number).
TPostingDate SplitPostingDate(std::string_view text);
/// 1 to 12 for the three-letter English month names in any letter case, else 0.
int MonthNumber(std::string_view word);
char BoolToFlagChar(bool value);
std::string DigitsOnly(std::string_view text);
/// The hardware address of the first interface with a non-zero one, as "00-1A-2B-3C-4D-5E".
std::string GetAdapterAddress();

/// Removes leading and trailing characters whose codes are 32 or below.
std::string TrimControl(std::string_view text);
/// The first maxChars characters (code points) of a UTF-8 text.
std::string CutToChars(std::string_view text, std::size_t maxChars);
/// At most maxBytes bytes of a UTF-8 text, never ending inside a multi-byte sequence.
std::string CutToBytes(std::string_view text, std::size_t maxBytes);
/// Every occurrence of from replaced by to.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
/// Shortest general form with up to 15 significant digits and "." as decimal separator.
std::string FormatDecimal(double value);
