// SPDX-License-Identifier: GPL-3.0-or-later
// The token, price, date and cutting helpers the parser and the stores use. The first four
// bytes choose the arguments (token number, start position, delimiter, limit), the rest is
// the text.
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/TextHelpers.h"

namespace {

struct TArguments {
    int N = 0;
    int Start = 0;
    char Delimiter = ' ';
    std::size_t Limit = 0;
};

TArguments TakeArguments(std::string_view& input) {
    TArguments arguments;
    if (input.size() < 4)
        return arguments;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(input[i]); };
    arguments.N = static_cast<signed char>(byte(0));
    arguments.Start = static_cast<signed char>(byte(1));
    arguments.Delimiter = input[2];
    arguments.Limit = byte(3);
    input.remove_prefix(4);
    return arguments;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text = InputText(data, size);
    const TArguments arguments = TakeArguments(text);

    const std::string left = TokenFromLeft(text, arguments.N, arguments.Delimiter, arguments.Start);
    const std::string right = TokenFromRight(text, arguments.N, arguments.Delimiter, arguments.Start);
    // A token never holds its delimiter.
    if (left.find(arguments.Delimiter) != std::string::npos || right.find(arguments.Delimiter) != std::string::npos)
        std::abort();

    const double price = PriceToFloat(text);
    (void)FormatDecimal(price);
    const TPostingDate date = SplitPostingDate(text);
    (void)MonthNumber(date.Month);
    (void)DigitsOnly(text);
    (void)StripTags(text);
    (void)TrimControl(text);

    const std::string chars = CutToChars(text, arguments.Limit);
    const std::string bytes = CutToBytes(text, arguments.Limit);
    if (bytes.size() > arguments.Limit || text.substr(0, chars.size()) != chars ||
        text.substr(0, bytes.size()) != bytes)
        std::abort();

    const std::string_view from = text.substr(0, arguments.Limit % 4);
    (void)ReplaceAll(text, from, left);
    return 0;
}
