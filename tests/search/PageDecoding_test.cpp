// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/PageDecoding.h"

#include <fstream>
#include <sstream>

#include <QByteArrayView>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

bool IsValidUtf8(const std::string& text) {
    return QByteArrayView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8();
}

std::string Decoded(std::string bytes, std::string_view contentType) {
    DecodePage(bytes, contentType);
    return bytes;
}

TEST(PageDecodingTest, DeclaredCharsetElseUtf8ElseWindows1252) {
    const struct {
        std::string name;
        std::string contentType;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"valid UTF-8, nothing declared", "text/html", "caf\xc3\xa9 \xe2\x80\x9cok\xe2\x80\x9d", "café “ok”"},
        {"not UTF-8, nothing declared", "",
         "Children\x92s \x93toys\x94 \x80"
         "5",
         "Children’s “toys” €5"},
        {"header charset", "text/html; charset=windows-1252", "\x93x\x94", "“x”"},
        {"quoted header charset in capitals", "text/html; Charset=\"KOI8-R\"", "\xf0\xd2\xc9\xd7\xc5\xd4", "Привет"},
        {"Latin-1 is read as windows-1252", "text/html; charset=ISO-8859-1", "it\x92s na\xefve", "it’s naïve"},
        {"meta charset", "text/html", "<head><meta charset=\"windows-1252\"></head>\x96",
         "<head><meta charset=\"windows-1252\"></head>–"},
        {"meta http-equiv", "", "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-15\">\xa4",
         "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-15\">€"},
        {"the header wins over the markup", "text/html; charset=utf-8", "<meta charset=\"windows-1252\">\xc3\xa9",
         "<meta charset=\"windows-1252\">é"},
        {"declared UTF-8 with bad bytes", "text/html; charset=utf-8", "a\x92z", "a\xef\xbf\xbdz"},
        {"an unknown charset counts as none", "text/html; charset=x-no-such-thing", "it\x92s", "it’s"},
        {"charset outside a meta tag is text", "", "<p>charset=koi8-r</p>\xe9", "<p>charset=koi8-r</p>é"},
        {"zero bytes are kept", "", std::string("a\0b\x92", 4), std::string("a\0b’", 6)},
        {"empty page", "text/html", "", ""},
    };
    for (const auto& page : cases) {
        SCOPED_TRACE(page.name);
        const std::string text = Decoded(page.bytes, page.contentType);
        EXPECT_EQ(text, page.text);
        EXPECT_TRUE(IsValidUtf8(text));
    }
}

TEST(PageDecodingTest, CharsetDeclarations) {
    EXPECT_EQ(CharsetOfContentType("text/html; charset=UTF-8"), "utf-8");
    EXPECT_EQ(CharsetOfContentType("text/html;charset='Shift_JIS'; q=1"), "shift_jis");
    EXPECT_EQ(CharsetOfContentType("text/html"), "");
    EXPECT_EQ(CharsetOfContentType("text/html; charset="), "");
    EXPECT_EQ(CharsetOfMarkup("<meta charset=utf-8/>"), "utf-8");
    EXPECT_EQ(CharsetOfMarkup("<meta name=\"x\"><meta content='text/html; charset = KOI8-R'>"), "koi8-r");
    EXPECT_EQ(CharsetOfMarkup("<meta name=\"keywords\" content=\"charset\">"), "");
    // Only the start of a page is looked at, as browsers do.
    EXPECT_EQ(CharsetOfMarkup(std::string(20000, ' ') + "<meta charset=koi8-r>"), "");
}

TEST(PageDecodingTest, TheOldWindows1252PageShowsItsQuotes) {
    std::ifstream file(FixtureFile("pages/old-results-2009-search-miami-page-701-800-of-1000.html"), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    std::string page = bytes.str();
    ASSERT_FALSE(IsValidUtf8(page));
    DecodePage(page, "text/html");
    EXPECT_TRUE(IsValidUtf8(page));
    EXPECT_NE(page.find("Pool in “Riverland” in Fort Lauderdale"), std::string::npos);
    // Apart from the two quotes the page is ASCII: its length grows by two bytes each.
    EXPECT_EQ(page.size(), bytes.str().size() + 4);
}

} // namespace
