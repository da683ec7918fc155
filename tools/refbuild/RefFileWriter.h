// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// One record of a place or category table file, as written.
struct TRefRecord {
    std::int32_t Id = 0;
    std::int32_t ParentId = 0;
    std::string Name;
    std::int32_t Level = 0;
    std::string Link;
    std::string AuxText;
    double Latitude = 0;
    double Longitude = 0;
};

/// The bytes of a table file: 11-byte header, the count, then 231-byte records whose
/// texts are cut to their capacity without splitting a UTF-8 sequence. count defaults to
/// the number of records; tests pass another to write a lying count.
std::string EncodeRefFile(const std::vector<TRefRecord>& records, std::int64_t count = -1);
/// Writes EncodeRefFile's bytes to path through a temporary file and a rename.
/// Throws std::runtime_error on failure.
void WriteRefFile(const std::string& path, const std::vector<TRefRecord>& records);

/// Parses RFC 4180 CSV text (quoted fields, doubled quotes, CR LF or LF) into rows.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text);
