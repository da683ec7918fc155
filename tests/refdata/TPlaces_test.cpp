// SPDX-License-Identifier: GPL-3.0-or-later
#include "refdata/TPlaces.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "refdata/TCategories.h"

namespace {

std::vector<std::string> Names(const TPlaceList& places) {
    std::vector<std::string> names;
    for (const TPlace* place : places)
        names.push_back(place->Name);
    return names;
}

class TPlacesTest : public testing::Test {
protected:
    std::unique_ptr<TPlaces> Load(const std::vector<TRefRecord>& records, std::int64_t count = -1) {
        folder.WriteFile("Places.tx", EncodeRefFile(records, count));
        return std::make_unique<TPlaces>(folder.File("Places.tx"));
    }
    TTempDataFolder folder;
};

TEST_F(TPlacesTest, CountZeroGivesAnEmptyTable) {
    auto places = Load({Place(1, 0, "x", 1)}, 0);
    EXPECT_TRUE(places->Items.empty());
    EXPECT_TRUE(places->Roots.empty());
    EXPECT_TRUE(places->ReadWarning.empty());
}

TEST_F(TPlacesTest, RootsPutTheThreeMainCountriesFirst) {
    const struct {
        std::vector<std::string> fileOrder;
        std::vector<std::string> roots;
    } cases[] = {
        {{"F", "UK", "canada", "united states"}, {"united states", "canada", "UK", "F"}},
        {{"united states", "UK", "G"}, {"UK", "united states", "G"}},
        {{"UK", "united states", "G"}, {"united states", "UK", "G"}},
        {{"canada", "G", "united states"}, {"united states", "canada", "G"}},
        {{"A", "B"}, {"A", "B"}},
        {{"United States", "uk"}, {"United States", "uk"}}, // compared exactly, case included
    };
    for (const auto& c : cases) {
        std::vector<TRefRecord> records;
        for (std::size_t i = 0; i < c.fileOrder.size(); ++i)
            records.push_back(Place(static_cast<int>(i + 1), 0, c.fileOrder[i], 1));
        EXPECT_EQ(Names(Load(records)->Roots), c.roots);
    }
}

TEST_F(TPlacesTest, OnlyLevelOneRecordsAreRoots) {
    auto places = Load({Place(1, 0, "country", 1), Place(2, 1, "region", 2), Place(3, 0, "stray", 3)});
    EXPECT_EQ(Names(places->Roots), std::vector<std::string>{"country"});
}

TEST_F(TPlacesTest, ARecordCutShortKeepsTheRecordsBeforeItLinked) {
    const std::string bytes =
        EncodeRefFile({Place(1, 0, "country", 1), Place(2, 1, "region", 2), Place(3, 2, "city a", 3),
                       Place(4, 2, "city b", 3), Place(5, 2, "city c", 3)});
    folder.WriteFile("Places.tx", bytes.substr(0, 15 + 4 * 231 + 100));
    TPlaces places(folder.File("Places.tx"));
    ASSERT_EQ(places.Items.size(), 4u);
    EXPECT_FALSE(places.ReadWarning.empty());
    EXPECT_EQ(places.Items[3]->FullName(), "country - region - city b");
    EXPECT_EQ(Names(places.Items[1]->Children), (std::vector<std::string>{"city a", "city b"}));
}

TEST_F(TPlacesTest, ALyingCountDoesNotAllocateForIt) {
    auto places = Load({Place(1, 0, "a", 1), Place(2, 0, "b", 1), Place(3, 0, "c", 1)}, 0x7fffffff);
    EXPECT_EQ(places->Items.size(), 3u);
    EXPECT_FALSE(places->ReadWarning.empty());
}

TEST_F(TPlacesTest, MissingOrHeaderOnlyFilesFailTheLoad) {
    EXPECT_THROW(TPlaces(folder.File("absent.tx")), TReadError);
    folder.WriteFile("short.tx", "0123456789A12");
    EXPECT_THROW(TPlaces(folder.File("short.tx")), TReadError);
}

TEST_F(TPlacesTest, AForeignHeaderOrANegativeCountFailsTheLoadWithAMessage) {
    std::string foreign = EncodeRefFile({Place(1, 0, "country", 1)});
    foreign.replace(0, 11, "NOTATABLE!!");
    std::string negative = EncodeRefFile({Place(1, 0, "country", 1)});
    const std::int32_t minusFive = -5;
    negative.replace(11, 4, reinterpret_cast<const char*>(&minusFive), 4);
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {{"foreign header", foreign, "is not a table file of Trawlix"},
                 {"negative count", negative, "negative record count (-5)"},
                 {"shorter than a header", "TRAWLIX", "is not a table file of Trawlix"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder.WriteFile("Places.tx", c.bytes);
        folder.WriteFile("Categories.tx", c.bytes);
        for (const std::string& file : {folder.File("Places.tx"), folder.File("Categories.tx")}) {
            try {
                if (file.ends_with("Places.tx"))
                    TPlaces places(file);
                else
                    TCategories categories(file);
                ADD_FAILURE() << file << " was loaded";
            } catch (const TReadError& error) {
                EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
            }
        }
    }
}

TEST_F(TPlacesTest, AnOrphanHasNoParentAndItsOwnFullName) {
    auto places = Load({Place(1, 0, "country", 1), Place(2, 99, "orphan", 3)});
    EXPECT_EQ(places->Items[1]->Parent(), nullptr);
    EXPECT_EQ(places->Items[1]->FullName(), "orphan");
}

TEST_F(TPlacesTest, ParentLoopsDoNotHang) {
    auto places = Load({Place(1, 2, "a", 2), Place(2, 1, "b", 2), Place(3, 3, "self", 2)});
    EXPECT_EQ(places->Items[0]->FullName(), "b - a");
    EXPECT_EQ(places->Items[2]->FullName(), "self");
    TPlaceList leaves;
    ExpandToLeaves({places->Items[0].get(), places->Items[2].get()}, leaves);
    EXPECT_TRUE(leaves.empty());
}

TEST_F(TPlacesTest, ParentLoopsEndTheExpansionOfEachSourceRecordOnly) {
    // 1 -> 2 -> 3 -> 1 with a leaf under 3; 4 is its own parent and has a leaf too.
    auto places = Load({Place(1, 3, "a", 2), Place(2, 1, "b", 2), Place(3, 2, "c", 2), Place(5, 3, "leaf of c", 3),
                        Place(4, 4, "self", 2), Place(6, 4, "leaf of self", 3)});
    TPlaceList leaves;
    ExpandToLeaves({places->Items[0].get(), places->Items[4].get(), places->Items[1].get()}, leaves);
    EXPECT_EQ(Names(leaves), (std::vector<std::string>{"leaf of c", "leaf of self", "leaf of c"}));
    EXPECT_EQ(places->Items[3]->FullName(), "a - b - c - leaf of c");
    EXPECT_EQ(places->Items[5]->FullName(), "self - leaf of self");
}

TEST_F(TPlacesTest, AVeryDeepChainIsWalkedWithoutRecursion) {
    constexpr int depth = 100000;
    std::vector<TRefRecord> records;
    records.reserve(depth);
    for (int id = 1; id <= depth; ++id)
        records.push_back(Place(id, id - 1, "n" + std::to_string(id), id == 1 ? 1 : 2));
    auto places = Load(records);
    ASSERT_EQ(places->Items.size(), static_cast<std::size_t>(depth));

    TPlaceList leaves;
    ExpandToLeaves({places->Items.front().get()}, leaves);
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(leaves.front()->Id, depth);

    const std::string name = leaves.front()->FullName();
    EXPECT_TRUE(name.starts_with("n1 - n2 - n3 - ")) << name.substr(0, 40);
    EXPECT_TRUE(name.ends_with(" - n99999 - n100000"));
    EXPECT_EQ(std::count(name.begin(), name.end(), '-'), depth - 1);
}

TEST_F(TPlacesTest, FindByIdMapsTheRetiredId) {
    auto places = Load({Place(2369, 0, "retired", 1), Place(1686, 0, "merged", 1), Place(7, 0, "seven", 1)});
    EXPECT_EQ(places->FindById(2369)->Name, "merged");
    EXPECT_EQ(places->FindById(7)->Name, "seven");
    EXPECT_EQ(places->FindById(8), nullptr);
    EXPECT_EQ(Load({Place(2369, 0, "retired", 1)})->FindById(2369), nullptr);
}

TEST_F(TPlacesTest, LongTextsAreCutToTheirCapacity) {
    TRefRecord record = Place(1, 0, std::string(49, 'n') + "\xC3\xA9" + "tail", 1, std::string(120, 'l'));
    auto places = Load({record});
    EXPECT_EQ(places->Items[0]->Name, std::string(49, 'n'));
    EXPECT_EQ(places->Items[0]->Link, std::string(100, 'l'));
}

TEST_F(TPlacesTest, ExpandToLeavesIsDepthFirstInChildOrder) {
    auto places =
        Load({Place(1, 0, "country", 1), Place(2, 1, "r1", 2), Place(3, 1, "r2", 2), Place(4, 2, "a", 3),
              Place(5, 2, "b", 3), Place(6, 2, "c", 3), Place(7, 3, "d", 3), Place(8, 3, "e", 3), Place(9, 3, "f", 3)});
    TPlaceList leaves{places->Items[0].get()}; // the target is emptied first
    ExpandToLeaves({places->Items[0].get()}, leaves);
    EXPECT_EQ(Names(leaves), (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
    ExpandToLeaves({places->Items[4].get(), places->Items[1].get()}, leaves);
    EXPECT_EQ(Names(leaves), (std::vector<std::string>{"b", "a", "b", "c"}));
}

TEST(InsertAfterNamedTest, InsertsAfterTheFirstMatchOrAtTheFront) {
    TPlace a, b, x;
    a.Name = "a";
    b.Name = "b";
    x.Name = "x";
    TPlaceList list{&a, &b, &a};
    InsertAfterNamed("a", &x, list);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "x", "b", "a"}));
    InsertAfterNamed("none", &x, list);
    EXPECT_EQ(Names(list).front(), "x");
}

TEST(TCategoriesTest, LoadsRootsAndSubCategories) {
    TTempDataFolder folder;
    folder.WriteFile("Categories.tx", EncodeRefFile({Place(1, 0, "housing", 1, "hhh"), Place(2, 1, "apts", 2, "apa"),
                                                     Place(2369, 0, "for sale", 1, "sss")}));
    TCategories categories(folder.File("Categories.tx"));
    EXPECT_EQ(Names(categories.Roots), (std::vector<std::string>{"housing", "for sale"}));
    EXPECT_EQ(categories.FindById(2)->FullName(), "housing - apts");
    EXPECT_EQ(categories.FindById(2369)->Name, "for sale"); // no id is remapped here
}

TEST(TCategoriesTest, AnyReadErrorFailsTheLoad) {
    TTempDataFolder folder;
    const std::string bytes = EncodeRefFile({Place(1, 0, "housing", 1, "hhh"), Place(2, 1, "apts", 2, "apa")});
    folder.WriteFile("Categories.tx", bytes.substr(0, bytes.size() - 1));
    EXPECT_THROW(TCategories(folder.File("Categories.tx")), TReadError);
    EXPECT_THROW(TCategories(folder.File("absent.tx")), TReadError);
}

TEST(ShippedRefDataTest, LoadsTheSitesOfTheSite) {
    TTempDataFolder folder;
    folder.InstallShippedRefData();
    TPlaces places(folder.File("Places.tx"));
    TCategories categories(folder.File("Categories.tx"));
    EXPECT_TRUE(places.ReadWarning.empty());

    int sites = 0;
    for (const auto& place : places.Items) {
        if (place->Level == 4 || place->Link.empty())
            continue;
        ++sites;
        EXPECT_NE(place->Latitude, 0) << place->FullName();
        EXPECT_NE(place->Longitude, 0) << place->FullName();
        EXPECT_EQ(place->Link.back(), '/') << place->FullName();
    }
    EXPECT_GE(sites, 700);
    ASSERT_GE(places.Roots.size(), 3u);
    EXPECT_EQ(Names(places.Roots).at(0), "united states");
    EXPECT_EQ(Names(places.Roots).at(1), "canada");
    EXPECT_EQ(Names(places.Roots).at(2), "UK");

    const TPlace* sfc = nullptr;
    for (const auto& place : places.Items)
        if (place->Link == "http://sfbay.craigslist.org/sfc/")
            sfc = place.get();
    ASSERT_NE(sfc, nullptr);
    EXPECT_EQ(sfc->FullName(), "united states - california - san francisco bay area - san francisco");
    EXPECT_FALSE(sfc->Children.empty());
    EXPECT_EQ(sfc->Children.front()->Level, 4);

    EXPECT_EQ(Names(categories.Roots).at(0), "community");
    const TPlace* housing = categories.FindById(26);
    ASSERT_NE(housing, nullptr);
    EXPECT_EQ(housing->Name, "housing");
    EXPECT_EQ(housing->Link, "hhh");
}

} // namespace
