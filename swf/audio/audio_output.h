// Plays a mixer through the system's audio device with Qt Multimedia. Where
// there is no device (or it fails), everything stays silent and no call
// fails: movies play on without sound.
#pragma once

#include <QIODevice>
#include <QObject>

#include <memory>

#include "swf/player/audio_mixer.h"

class QAudioSink;

namespace swf {

// A never-ending read-only device of 44.1 kHz 16-bit stereo pulled from a
// mixer; silence where nothing plays.
class MixerDevice : public QIODevice {
public:
    explicit MixerDevice(AudioMixer& mixer, QObject* parent = nullptr);
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    AudioMixer& mixer_;
};

class AudioOutput : public QObject {
public:
    explicit AudioOutput(AudioMixer& mixer, QObject* parent = nullptr);
    ~AudioOutput() override;

    // Whether a device takes the sound (false: silence).
    bool active() const;
    void suspend();  // the movie stopped
    void resume();   // the movie plays again

private:
    AudioMixer& mixer_;
    std::unique_ptr<MixerDevice> device_;
    QAudioSink* sink_ = nullptr;
};

}  // namespace swf
