#include "playback/StylePath.h"

#include <gtest/gtest.h>

TEST(StylePath, StyleNamesLoseEveryLowerCaseMp3)
{
    EXPECT_EQ(styleName("Rain.MP3"), "Rain.MP3");
    EXPECT_EQ(styleName("sea.mp3.mp3"), "sea");
    EXPECT_EQ(styleName("notes.txt"), "notes.txt");
    EXPECT_EQ(styleName("a.mp3b.mp3"), "ab");
    EXPECT_EQ(playPath("/opt/hw", "Pink Noise"), "/opt/hw/sounds/Pink Noise.mp3");
    EXPECT_EQ(playPath("/opt/hw", ""), "/opt/hw/sounds/.mp3");
}
