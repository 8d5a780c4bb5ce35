#include "platform/memory_settings_store.h"
#include "platform/recent_file_list.h"

#include <gtest/gtest.h>

namespace ts {
namespace {

std::vector<std::string> Entries(const RecentFileList& list) {
    std::vector<std::string> entries;
    for (int32_t i = 0; i < list.Size(); ++i) {
        entries.push_back(list.Entry(i));
    }
    return entries;
}

TEST(RecentFileList, AddPutsInFrontMovesRepeatsAndDropsTheOldest) {
    RecentFileList list("RecentImagePaths", 3);
    list.Add("/a");
    list.Add("/b");
    list.Add("/c");
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/c", "/b", "/a"}));
    list.Add("/a");
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/a", "/c", "/b"}));
    list.Add("/a");
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/a", "/c", "/b"}));
    list.Add("/d");
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/d", "/a", "/c"}));
    // Paths differing in case are different files.
    list.Add("/D");
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/D", "/d", "/a"}));
    list.Add("");
    EXPECT_EQ(list.Entry(0), "/D");

    list.Remove(1);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/D", "/a", ""}));
    list.Remove(7);
    list.Remove(-1);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"/D", "/a", ""}));
    EXPECT_EQ(list.Entry(3), "");
    EXPECT_EQ(list.Find(""), -1);
}

TEST(RecentFileList, WritesNonEmptyEntriesAndRemovesTheRest) {
    MemorySettingsStore store;
    store.WriteString("RecentObjectPaths", "file3", "/stale");
    store.WriteString("RecentObjectPaths", "file5", "/beyond the list");
    RecentFileList list("RecentObjectPaths", 4);
    list.Add("/one");
    list.Add("/two");
    list.Write(store);
    std::string value;
    ASSERT_TRUE(store.ReadString("RecentObjectPaths", "file1", value));
    EXPECT_EQ(value, "/two");
    ASSERT_TRUE(store.ReadString("RecentObjectPaths", "file2", value));
    EXPECT_EQ(value, "/one");
    EXPECT_FALSE(store.Has("RecentObjectPaths", "file3"));
    EXPECT_TRUE(store.Has("RecentObjectPaths", "file5"));

    RecentFileList read("RecentObjectPaths", 4);
    read.Add("/to be replaced");
    read.Read(store);
    EXPECT_EQ(Entries(read), (std::vector<std::string>{"/two", "/one", "", ""}));
}

TEST(RecentFileList, AbbreviatesTheMiddleKeepingTheFileName) {
    const size_t w = RecentFileList::kDisplayWidth;
    EXPECT_EQ(RecentFileList::Abbreviate("/home/anne/Drawings/house.ts.png", w),
              "/home/anne/Drawings/house.ts.png");
    const std::string exact = "/home/anne/Drawings/0123456789abc.ts.png";
    ASSERT_EQ(exact.size(), 40u);
    EXPECT_EQ(RecentFileList::Abbreviate(exact, w), exact);

    EXPECT_EQ(RecentFileList::Abbreviate("/home/anne/projects/clients/smith/drawings/house-front.ts.png", w),
              "/home/.../drawings/house-front.ts.png");
    EXPECT_EQ(RecentFileList::Abbreviate("/home/anne/projects/clients/smith/dr/house-front.ts.png", w),
              "/home/.../smith/dr/house-front.ts.png");
    EXPECT_EQ(RecentFileList::Abbreviate("/mnt/a-rather-long-volume-name/x/long-file-name.ts.png", w),
              "/mnt/.../x/long-file-name.ts.png");
    // The head is dropped when head and name are too long together, then the folders altogether.
    EXPECT_EQ(RecentFileList::Abbreviate("/a-long-first-folder-name/b/c/a-long-file-name.png", w),
              ".../a-long-file-name.png");
    EXPECT_EQ(RecentFileList::Abbreviate("/x/y/an-extremely-long-file-name-of-38-c.png", w),
              "an-extremely-long-file-name-of-38-c.png");
    EXPECT_EQ(RecentFileList::Abbreviate("/x/y/an-extremely-long-file-name-of-more-than-40.png", w),
              "an-extremely-long-file-name-of-more-t...");
    // Widths are counted in characters and cuts never split one.
    // (38 characters but 41 bytes.)
    EXPECT_EQ(RecentFileList::Abbreviate("/home/anne/Zeichnungen/Entwürfe/Küche-Straße.ts.png", w),
              "/home/.../Entwürfe/Küche-Straße.ts.png");
    std::string umlauts;
    for (int i = 0; i < 42; ++i) {
        umlauts += "ä";
    }
    EXPECT_EQ(RecentFileList::Abbreviate(umlauts, w), umlauts.substr(0, 37 * 2) + "...");

    for (const std::string& path : {std::string("/a/b/c/d/e/f/g/h/i/j/k/l/m/n/o/p/q/r/s/t/u/v/w/x"),
                                    std::string(200, '/'), std::string(90, 'x')}) {
        EXPECT_LE(RecentFileList::Abbreviate(path, w).size(), w) << path;
    }
}

} // namespace
} // namespace ts
