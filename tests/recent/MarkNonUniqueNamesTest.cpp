// The uniqueness mark on lists built in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recent/RecentList.h"

namespace {

RecentEntry EntryFor(const std::string& fullPath)
{
    RecentEntry entry;
    entry.fullPath = fullPath.c_str();
    const std::string::size_type lastBackslash = fullPath.rfind('\\');
    if (lastBackslash != std::string::npos)
        entry.fileName = fullPath.substr(lastBackslash + 1).c_str();
    return entry;
}

std::vector<bool> MarksOf(const std::vector<std::string>& fullPaths)
{
    RecentList list;
    for (const std::string& fullPath : fullPaths)
        list.push_back(EntryFor(fullPath));
    MarkNonUniqueNames(list);
    std::vector<bool> marks;
    for (const RecentEntry& entry : list)
        marks.push_back(entry.nameUnique);
    return marks;
}

TEST(MarkNonUniqueNamesTest, MarksNamesFoundUnderAnotherPath)
{
    const struct {
        std::vector<std::string> fullPaths;
        std::vector<bool> unique;
    } cases[] = {
        {{"D:\\a\\x.txt", "D:\\b\\x.txt", "D:\\c\\y.txt"}, {false, false, true}},
        {{"D:\\c\\y.txt", "D:\\b\\x.txt", "D:\\a\\x.txt"}, {true, false, false}},
        {{"D:\\a\\x.txt", "D:\\a\\x.txt"}, {true, true}},
        {{"D:\\a\\x.txt", "D:\\a\\x.txt", "D:\\b\\x.txt"}, {false, false, false}},
        {{"D:\\a\\X.txt", "D:\\b\\x.txt"}, {true, true}},
        {{"D:\\Dir\\x.txt", "D:\\DIR\\x.txt"}, {false, false}},
        {{"readme", "notes"}, {false, false}},
        {{"D:\\a\\", "D:\\b\\"}, {false, false}},
        {{"D:\\a\\x.txt"}, {true}},
        {{"readme"}, {true}},
        {{"D:\\a\\"}, {true}},
        {{""}, {true}},
    };
    for (const auto& c : cases) {
        std::string listed;
        for (const std::string& fullPath : c.fullPaths)
            listed += " [" + fullPath + "]";
        EXPECT_EQ(c.unique, MarksOf(c.fullPaths)) << "list:" << listed;
    }
}

TEST(MarkNonUniqueNamesTest, NeverSetsAClearedMarkAgain)
{
    RecentList list{EntryFor("D:\\a\\x.txt"), EntryFor("D:\\b\\y.txt")};
    list.front().nameUnique = false;
    MarkNonUniqueNames(list);
    EXPECT_FALSE(list.front().nameUnique) << "a unique name set the cleared mark again";
    EXPECT_TRUE(list.back().nameUnique);
}

} // namespace
