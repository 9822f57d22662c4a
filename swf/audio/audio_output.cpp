#include "swf/audio/audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace swf {

MixerDevice::MixerDevice(AudioMixer& mixer, QObject* parent) : QIODevice(parent), mixer_(mixer) {}

qint64 MixerDevice::bytesAvailable() const {
    // Always a tenth of a second ready, plus what Qt buffered.
    return AudioMixer::kRate / 10 * 4 + QIODevice::bytesAvailable();
}

qint64 MixerDevice::readData(char* data, qint64 maxSize) {
    const qint64 frames = maxSize / 4;
    if (frames <= 0) return 0;
    mixer_.read(reinterpret_cast<std::int16_t*>(data), static_cast<std::size_t>(frames));
    return frames * 4;
}

AudioOutput::AudioOutput(AudioMixer& mixer, QObject* parent) : QObject(parent), mixer_(mixer) {
    device_ = std::make_unique<MixerDevice>(mixer_);
    device_->open(QIODevice::ReadOnly | QIODevice::Unbuffered);  // no read-ahead: latency stays the sink's
    const QAudioDevice out = QMediaDevices::defaultAudioOutput();
    if (out.isNull()) return;  // no device: silence
    QAudioFormat format;
    format.setSampleRate(AudioMixer::kRate);
    format.setChannelCount(AudioMixer::kChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!out.isFormatSupported(format)) return;
    sink_ = new QAudioSink(out, format, this);
    sink_->setBufferSize(AudioMixer::kRate / 10 * 4);  // about 100 ms of latency
    sink_->start(device_.get());
    if (sink_->error() != QAudio::NoError) {
        delete sink_;
        sink_ = nullptr;
    }
}

AudioOutput::~AudioOutput() {
    if (sink_) sink_->stop();
}

bool AudioOutput::active() const { return sink_ && sink_->error() == QAudio::NoError; }

void AudioOutput::suspend() {
    if (sink_ && sink_->state() != QAudio::SuspendedState && sink_->state() != QAudio::StoppedState) sink_->suspend();
}

void AudioOutput::resume() {
    if (sink_ && sink_->state() == QAudio::SuspendedState) sink_->resume();
}

}  // namespace swf
