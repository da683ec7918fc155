// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TCategoryGroup.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "TestSupport.h"
#include "core/TextHelpers.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/TSearch.h"

namespace {

constexpr int Miami = 253;

class TCategoryGroupTest : public testing::Test {
protected:
    void SetUp() override {
        folder.InstallShippedRefData();
        places = std::make_unique<TPlaces>(folder.File("Places.tx"));
        categories = std::make_unique<TCategories>(folder.File("Categories.tx"));
        context.Places = places.get();
        context.Categories = categories.get();
    }

    TTempDataFolder folder;
    std::unique_ptr<TPlaces> places;
    std::unique_ptr<TCategories> categories;
    TSearchContext context;
};

TEST_F(TCategoryGroupTest, EachCategoryBelongsToTheGroupOfItsMainCategory) {
    const std::vector<std::pair<std::string, TCategoryGroup>> cases{
        {"ppp", TCategoryGroup::Personals}, {"stp", TCategoryGroup::Personals}, {"hhh", TCategoryGroup::Housing},
        {"apa", TCategoryGroup::Housing},   {"sss", TCategoryGroup::ForSale},   {"jjj", TCategoryGroup::Jobs},
        {"sls", TCategoryGroup::Jobs},      {"ccc", TCategoryGroup::Other},     {"act", TCategoryGroup::Other},
        {"eee", TCategoryGroup::Other},     {"bbb", TCategoryGroup::Other},     {"ggg", TCategoryGroup::Other},
        {"res", TCategoryGroup::Other},
    };
    for (const auto& [code, group] : cases) {
        const TPlace* category = CategoryCoded(*categories, code);
        ASSERT_NE(category, nullptr);
        EXPECT_EQ(CategoryGroupOf(*category), group) << code;
    }

    // Every group with extras is named after a main category the shipped table has.
    for (const TGroupSlots& group : GroupsWithExtras()) {
        const auto& roots = categories->Roots;
        EXPECT_TRUE(std::any_of(roots.begin(), roots.end(), [&](const TPlace* root) {
            return root->Name == group.Name && CategoryGroupOf(*root) == group.Group;
        })) << group.Name;
        EXPECT_EQ(SlotsOfGroup(group.Group).Name, group.Name);
    }
    EXPECT_FALSE(SlotsOfGroup(TCategoryGroup::Other).HasRange());
}

TEST_F(TCategoryGroupTest, OnlyTheExactNameOfTheDirectParentCounts) {
    folder.WriteFile("Odd.tx", EncodeRefFile({Place(1, 0, "Housing", 1, "hhh"), Place(2, 1, "apts", 2, "apa"),
                                              Place(3, 0, "housing", 1, "hh2"), Place(4, 3, "apts", 2, "ap2"),
                                              Place(5, 4, "below apts", 3, "ap3"), Place(6, 0, "jobs ", 1, "jj2")}));
    const TCategories odd(folder.File("Odd.tx"));
    const std::vector<std::pair<int, TCategoryGroup>> cases{
        {1, TCategoryGroup::Other},   {2, TCategoryGroup::Other}, {3, TCategoryGroup::Housing},
        {4, TCategoryGroup::Housing}, {5, TCategoryGroup::Other}, {6, TCategoryGroup::Other},
    };
    for (const auto& [id, group] : cases)
        EXPECT_EQ(CategoryGroupOf(*odd.FindById(id)), group) << id;
}

/// Every extra of every group, as one line, to compare what a search holds.
std::string Extras(const TSearch& search) {
    return "ages " + std::to_string(search.MinAge) + "-" + std::to_string(search.MaxAge) + " rents " +
           FormatDecimal(search.MinRent) + "-" + FormatDecimal(search.MaxRent) + " bedrooms " +
           std::to_string(search.Bedrooms) + " pets " + std::to_string(search.Cats) + std::to_string(search.Dogs) +
           " prices " + FormatDecimal(search.MinPrice) + "-" + FormatDecimal(search.MaxPrice) + " jobs " +
           std::to_string(search.Telecommuting) + std::to_string(search.Contract) + std::to_string(search.Internship) +
           std::to_string(search.PartTime) + std::to_string(search.NonProfit);
}

void SetEveryExtra(TSearch& search) {
    search.MinAge = 18;
    search.MaxAge = 35;
    search.MinRent = 500;
    search.MaxRent = 1200.5;
    search.Bedrooms = 2;
    search.Cats = search.Dogs = true;
    search.MinPrice = 5;
    search.MaxPrice = 9.25;
    search.Telecommuting = search.NonProfit = true;
    search.Contract = search.Internship = search.PartTime = false;
}

// One search of each group with the extras of every group set: its link, its slots in the
// searches file and what reads back all carry its own group's extras and no other's.
TEST_F(TCategoryGroupTest, EveryGroupCarriesOnlyItsExtrasThroughTheLinkAndTheSearchesFile) {
    struct TCase {
        std::string code;
        std::string linkExtras;
        std::vector<std::string> slots; // add_min, add_max, add_baths, add_check1 to add_check5
        std::string readBack;
    };
    const std::vector<TCase> cases{
        {"stp",
         "&minAsk=18&maxAsk=35",
         {"18", "35", "0", "0", "0", "0", "0", "0"},
         "ages 18-35 rents 0-0 bedrooms 0 pets 00 prices 0-0 jobs 00000"},
        {"apa",
         "&bedrooms=2&minAsk=500&maxAsk=1200.5&addTwo=purrr&addThree=wooof",
         {"500", "1200.5", "2", "-1", "-1", "0", "0", "0"},
         "ages 0-0 rents 500-1200.5 bedrooms 2 pets 11 prices 0-0 jobs 00000"},
        {"sss",
         "&minAsk=5&maxAsk=9.25",
         {"5", "9.25", "0", "0", "0", "0", "0", "0"},
         "ages 0-0 rents 0-0 bedrooms 0 pets 00 prices 5-9.25 jobs 00000"},
        {"sls",
         "&addOne=telecommuting&addFive=non-profit",
         {"0", "0", "0", "-1", "0", "0", "0", "-1"},
         "ages 0-0 rents 0-0 bedrooms 0 pets 00 prices 0-0 jobs 10001"},
        {"ccc",
         "",
         {"0", "0", "0", "0", "0", "0", "0", "0"},
         "ages 0-0 rents 0-0 bedrooms 0 pets 00 prices 0-0 jobs 00000"},
    };
    const char* const slotNames[] = {"add_min",    "add_max",    "add_baths",  "add_check1",
                                     "add_check2", "add_check3", "add_check4", "add_check5"};
    for (const TCase& c : cases) {
        TSearch search(&context);
        search.Category = CategoryCoded(*categories, c.code);
        SetEveryExtra(search);
        EXPECT_EQ(search.MakeSearchLink({places->FindById(Miami)}, 0, 1),
                  "http://miami.craigslist.org/search/" + c.code + "?query=+" + c.linkExtras)
            << c.code;

        pugi::xml_document document;
        search.WriteXml(document, 1);
        const pugi::xml_node element = document.document_element().first_child();
        for (std::size_t i = 0; i < c.slots.size(); ++i)
            EXPECT_EQ(std::string(element.child(slotNames[i]).text().get()), c.slots[i])
                << c.code << " " << slotNames[i];

        const TSearch read(element, &context);
        EXPECT_EQ(Extras(read), c.readBack) << c.code;
    }
}

} // namespace
