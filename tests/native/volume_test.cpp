#include "shell/volume.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lx {
namespace {

// A wave-out device and panel that remember what they were told.
class RecordingSound : public SoundHooks {
public:
    bool ReadDeviceLevel(uint32_t& level) override {
        if (!hasDevice) return false;
        level = deviceLevel;
        return true;
    }
    void WriteDeviceLevel(uint32_t level) override { written.push_back(level); }
    void ShowVolume(int32_t shown) override { shownVolume = shown; }
    void ShowSoundOn() override { ++soundOnShown; }
    void PlayWave(const char* name) override { played.push_back(name); }

    bool hasDevice = true;
    uint32_t deviceLevel = 0;
    std::vector<uint32_t> written;
    int32_t shownVolume = -1;
    int soundOnShown = 0;
    std::vector<std::string> played;
};

class Volume : public ::testing::Test {
protected:
    void SetUp() override {
        volume = 0;
        muted = 0;
        savedVolume = 0;
        SetSoundHooks(&sound);
    }
    void TearDown() override { SetSoundHooks(nullptr); }

    // Presses the Sound button as the panel does: toggles, then applies.
    void PressSound() {
        muted = muted == 0 ? 1 : 0;
        ApplyMute();
    }

    RecordingSound sound;
};

TEST(VolumeArithmetic, DeviceLevelsReadAsPercent) {
    struct Case {
        uint32_t level;
        int32_t percent;
    };
    const Case cases[] = {
        {0xFFFF0000u, 99},  // full right channel
        {0x7FFF0000u, 49},  // 49.4992
        {0x80000000u, 50},  // 49.5008
        {0x0000FFFFu, 0},
        {0x55550000u, 33},  // exactly 33
        {0xFFFFFFFFu, 99},
        {0x014B0000u, 1},   // 331 -> 0.50002
        {0x014A0000u, 0},   // 330 -> 0.4985
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VolumeFromDeviceLevel(c.level), c.percent) << std::hex << c.level;
    }
}

TEST(VolumeArithmetic, PercentWritesTheSameLevelOnBothChannels) {
    EXPECT_EQ(DeviceLevelFromVolume(50), 0x80008000u);
    EXPECT_EQ(DeviceLevelFromVolume(0), 0u);
    EXPECT_EQ(DeviceLevelFromVolume(99), 64880u * 65537u);
    EXPECT_EQ(DeviceLevelFromVolume(1), 655u * 65537u);
}

TEST(VolumeArithmetic, BarWidthRoundsTheFloatProductToEven) {
    struct Case {
        int32_t percent;
        int32_t units;
    };
    // 0.35f is a little below 0.35, yet 10 x 0.35f and 50 x 0.35f round to
    // exactly 3.5 and 17.5 in float, which then round to the even neighbour.
    const Case cases[] = {{0, 0}, {1, 0}, {2, 1}, {10, 4}, {30, 10}, {50, 18}, {99, 35}};
    for (const Case& c : cases) EXPECT_EQ(VolumeBarUnits(c.percent), c.units) << c.percent;
}

TEST(VolumeArithmetic, TextHasNoLeadingZeros) {
    EXPECT_EQ(VolumeText(99), "99%");
    EXPECT_EQ(VolumeText(5), "5%");
    EXPECT_EQ(VolumeText(0), "0%");
}

TEST_F(Volume, PowerOnReadsTheDeviceWithoutWritingIt) {
    sound.deviceLevel = 0xFFFFFFFFu;
    ReadDeviceVolume();
    EXPECT_EQ(volume, 99);
    EXPECT_EQ(sound.shownVolume, 99);
    EXPECT_TRUE(sound.written.empty());
}

TEST_F(Volume, NoDeviceShowsAndKeepsZero) {
    sound.hasDevice = false;
    volume = 12345;  // whatever was there before
    ReadDeviceVolume();
    EXPECT_EQ(volume, 0);
    EXPECT_EQ(sound.shownVolume, 0);

    StepVolume(+5);
    EXPECT_EQ(volume, 5);
    EXPECT_EQ(sound.shownVolume, 5);
}

TEST_F(Volume, StepsStayInsideTheRange) {
    struct Case {
        int32_t from;
        int32_t delta;
        int32_t to;
    };
    const Case cases[] = {{97, +5, 99}, {99, +5, 99}, {3, -5, 0}, {0, -5, 0}, {40, +5, 45}, {40, -5, 35}};
    for (const Case& c : cases) {
        volume = c.from;
        sound.written.clear();
        sound.played.clear();
        StepVolume(c.delta);
        EXPECT_EQ(volume, c.to) << c.from << " " << c.delta;
        ASSERT_EQ(sound.written.size(), 1u);
        EXPECT_EQ(sound.written.back(), DeviceLevelFromVolume(c.to));
        EXPECT_EQ(sound.shownVolume, c.to);
        EXPECT_EQ(sound.played, std::vector<std::string>{"bwave"});
        EXPECT_EQ(sound.soundOnShown, 0);
    }
}

TEST_F(Volume, MuteThenUnmuteRestores) {
    volume = 40;
    PressSound();
    EXPECT_EQ(volume, 0);
    EXPECT_EQ(sound.written.back(), 0u);
    PressSound();
    EXPECT_EQ(volume, 40);
    EXPECT_EQ(sound.written.back(), DeviceLevelFromVolume(40));
    EXPECT_EQ(sound.shownVolume, 40);
}

TEST_F(Volume, StepWhileMutedUnmutesAtTheSteppedLevel) {
    volume = 40;
    PressSound();
    StepVolume(+5);
    EXPECT_EQ(volume, 5);
    EXPECT_EQ(muted, 0);
    EXPECT_EQ(sound.soundOnShown, 1);
    EXPECT_EQ(savedVolume, 40);

    // The stepped level is what a later mute keeps.
    PressSound();
    EXPECT_EQ(volume, 0);
    PressSound();
    EXPECT_EQ(volume, 5);
}

}  // namespace
}  // namespace lx
