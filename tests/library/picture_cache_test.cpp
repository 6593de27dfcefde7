#include "library/picture_cache.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

using library::PictureCache;
using library::PictureKey;
using library::PictureKind;

using namespace testing_support;

TEST(PictureCache, AChangedFileNeedsANewPictureAndTheOldOneGoes)
{
    TempFolder dir;
    PictureCache cache(dir.file("pictures"));
    ASSERT_TRUE(cache.makeFolder());
    const PictureKey key{"/rec/a.mp4", 1000, 77, PictureKind::Row};
    EXPECT_EQ(cache.find(key), PictureCache::State::Unknown);
    writeFile(cache.pictureFile(key), "png");
    cache.remember(key, true);
    EXPECT_EQ(cache.find(key), PictureCache::State::Made);
    EXPECT_EQ(cache.find({key.path, key.size, key.stamp, PictureKind::Strip}), PictureCache::State::Unknown)
        << "the strip is a picture of its own";

    PictureKey grown = key;
    grown.size += 1;
    PictureKey rewritten = key;
    rewritten.stamp += 1; // within the same second
    for (const PictureKey& changed : {grown, rewritten}) {
        EXPECT_EQ(cache.find(changed), PictureCache::State::Unknown);
        EXPECT_NE(cache.pictureFile(changed), cache.pictureFile(key));
    }
    writeFile(cache.pictureFile(grown), "png");
    cache.remember(grown, true);
    EXPECT_EQ(cache.find(key), PictureCache::State::Unknown);
    EXPECT_FALSE(std::filesystem::exists(cache.pictureFile(key))) << "the stale picture is removed";
    EXPECT_EQ(cache.find(grown), PictureCache::State::Made);
}

TEST(PictureCache, KeptAcrossRestartsWithOddPathsAndFailuresNotRetried)
{
    TempFolder dir;
    const std::string folder = dir.file("cache/pictures");
    const PictureKey odd{"/rec/a\\b\nc\td 录像 $'\".mp4", 5, -3, PictureKind::Strip};
    const PictureKey broken{"/rec/broken.mp4", 16, 9, PictureKind::Row};
    const PictureKey lost{"/rec/lost.mp4", 16, 9, PictureKind::Row};
    {
        PictureCache cache(folder);
        ASSERT_TRUE(cache.makeFolder());
        writeFile(cache.pictureFile(odd), "png");
        cache.remember(odd, true);
        cache.remember(broken, false);
        writeFile(cache.pictureFile(lost), "png");
        cache.remember(lost, true);
        ASSERT_TRUE(cache.save());
    }
    std::filesystem::remove(PictureCache(folder).pictureFile(lost)); // the user emptied part of the folder
    PictureCache again(folder);
    EXPECT_EQ(again.find(odd), PictureCache::State::Made);
    EXPECT_EQ(again.find(broken), PictureCache::State::None);
    EXPECT_EQ(again.find(lost), PictureCache::State::Unknown) << "made again when its file is gone";
    EXPECT_EQ(again.find({broken.path, broken.size, broken.stamp + 1, PictureKind::Row}), PictureCache::State::Unknown)
        << "a changed file is tried again";
}

TEST(PictureCache, WhatIsGoneFromTheFolderIsForgottenPicturesAndAll)
{
    TempFolder dir;
    PictureCache cache(dir.file("pictures"));
    ASSERT_TRUE(cache.makeFolder());
    const PictureKey kept{"/rec/kept.mp4", 1, 1, PictureKind::Row};
    const PictureKey gone{"/rec/gone.mp4", 1, 1, PictureKind::Row};
    const PictureKey goneStrip{"/rec/gone.mp4", 1, 1, PictureKind::Strip};
    const PictureKey elsewhere{"/rec/sub/other.mp4", 1, 1, PictureKind::Row};
    for (const PictureKey& key : {kept, gone, goneStrip, elsewhere}) {
        writeFile(cache.pictureFile(key), "png");
        cache.remember(key, true);
    }
    cache.forgetGone("/rec", {"kept.mp4"});
    EXPECT_EQ(cache.find(kept), PictureCache::State::Made);
    EXPECT_EQ(cache.find(elsewhere), PictureCache::State::Made) << "another folder's files stay";
    for (const PictureKey& key : {gone, goneStrip}) {
        EXPECT_EQ(cache.find(key), PictureCache::State::Unknown);
        EXPECT_FALSE(std::filesystem::exists(cache.pictureFile(key)));
    }
}
