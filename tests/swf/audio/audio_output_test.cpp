// The audio output: the device it plays from delivers the mixer's samples,
// and without a sound device everything stays silent without failing.
#include <gtest/gtest.h>

#include "swf/audio/audio_output.h"

namespace {

using namespace swf;

TEST(MixerDevice, DeliversMixedSamplesThenSilence) {
    AudioMixer mixer;
    mixer.queueStream(Pcm{44100, 2, {1, 2, 3, 4}});
    MixerDevice dev(mixer);
    ASSERT_TRUE(dev.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    EXPECT_GT(dev.bytesAvailable(), 0);
    std::int16_t buf[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(dev.read(reinterpret_cast<char*>(buf), 11), 8) << "whole frames only";
    EXPECT_EQ(buf[0], 1);
    EXPECT_EQ(buf[3], 4);
    EXPECT_EQ(dev.read(reinterpret_cast<char*>(buf), 12), 12);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[5], 0);
}

TEST(AudioOutput, WithoutADeviceNothingFailsAndNothingIsTaken) {
    AudioMixer mixer;
    AudioOutput out(mixer);
    out.suspend();
    out.resume();
    if (out.active()) GTEST_SKIP() << "a sound device is present: silence mode is not exercised";
    mixer.queueStream(Pcm{44100, 2, std::vector<std::int16_t>(2000, 5)});
    out.suspend();
    out.resume();
    EXPECT_EQ(mixer.queuedStreamFrames(), 1000u) << "silence mode leaves the mixer alone";
}

}  // namespace
