#include "swf/player/player.h"

#include <QTransform>

#include <algorithm>
#include <cmath>

#include "swf/player/input_dispatch.h"
#include "swf/player/shape_tessellator.h"
#include "swf/player/timeline_scripts.h"

namespace swf {

// --- Player ------------------------------------------------------------------------

Player::Player(std::shared_ptr<const MovieData> movie) : Player(std::move(movie), {}) {}

Player::Player(std::shared_ptr<const MovieData> movie, std::function<void(std::string_view)> traceSink)
    : movie_(std::move(movie)) {
    ctx_.trace = std::move(traceSink);
    if (!movie_) movie_ = std::make_shared<const MovieData>();
    dictionary_ = std::make_unique<Dictionary>(*movie_);
    ctx_.dictionary = dictionary_.get();
    ctx_.version = movie_->header.version;
    ctx_.mixer = &mixer_;
    ctx_.frameMs = frameIntervalMs();
    startScripts(ctx_);
    // The main timeline's stream, with its blocks by frame.
    const FrameIndex& frames = dictionary_->rootFrames();
    for (const auto& tag : movie_->tags) {
        auto* head = std::get_if<SoundStreamHead>(&tag);
        if (!head) continue;
        double fps =
            movie_->header.framesPerSecond() > 0 ? movie_->header.framesPerSecond() : 1000.0 / frameIntervalMs();
        stream_ = std::make_unique<StreamScheduler>(*head, fps);
        for (std::size_t f = 0; f < frames.frames.size(); ++f)
            for (std::size_t i = frames.frames[f].begin; i < frames.frames[f].end; ++i)
                if (auto* b = std::get_if<SoundStreamBlock>(&movie_->tags[i])) stream_->setBlock(int(f) + 1, b->data);
        break;
    }
    root_ = std::make_unique<Timeline>(frames, ctx_, 0);
    readLoaderFiles(ctx_);
    settle();
    // The movie's onLoad handler runs once its first frame's scripts have.
    if (ctx_.machine)
        ctx_.machine->callMethodIfPresent(ctx_.machine->clipObject(reinterpret_cast<script::ClipHandle>(root_.get())),
                                          "onLoad", {});
}

Player::~Player() {
    ctx_.levels.clear();
    root_.reset();  // before the context it counts against
    ctx_.graveyard.clear();
    ctx_.machine.reset();
}

void Player::settle() {
    if (stream_) {
        StreamScheduler::Output out = stream_->frameShown(root_->currentFrame());
        if (out.restart) mixer_.clearStream();
        if (!out.pcm.samples.empty()) mixer_.queueStream(out.pcm);
    }
    // Destroying a timeline may retire more (its children are destroyed
    // directly, but a script-less loop keeps this bounded either way).
    while (!ctx_.graveyard.empty()) {
        auto dead = std::move(ctx_.graveyard);
        ctx_.graveyard.clear();
        dead.clear();
    }
    ctx_.actionListsThisOperation = 0;
}

void Player::setAssetFetcher(AssetFetcher fetch) {
    ctx_.fetch = std::move(fetch);
    readLoaderFiles(ctx_);
    settle();
}

void Player::play() { root_->setPlaying(true); }
void Player::stop() { root_->setPlaying(false); }
bool Player::playing() const { return root_->playing(); }

void Player::rewind() {
    ++ctx_.tick;
    mixer_.stopAll();
    if (stream_) stream_->restart();  // even when the movie already shows frame 1
    root_->reset();
    root_->setPlaying(false);
    pendingMs_ = 0;
    settle();
}

void Player::forward() {
    ++ctx_.tick;
    root_->stepForced();
    root_->setPlaying(false);
    settle();
}

void Player::back() {
    if (root_->currentFrame() <= 1) return;
    ++ctx_.tick;
    root_->gotoFrame(root_->currentFrame() - 1);
    root_->runQueuedActions();
    root_->setPlaying(false);  // a step back stops, whatever the frame's script says
    settle();
}

void Player::gotoFrame(int frame) {
    bool p = root_->playing();
    ++ctx_.tick;
    root_->gotoFrame(frame);
    root_->setPlaying(p);
    root_->runQueuedActions();  // the target frame's sounds and scripts, a Stop included
    settle();
}

int Player::currentFrame() const { return root_->currentFrame(); }
int Player::frameCount() const { return root_->frameCount(); }

double Player::frameIntervalMs() const {
    double fps = movie_->header.frameRate / 256.0;
    if (fps <= 0) fps = kMaxFramesPerSecond;
    fps = std::clamp(fps, kMinFramesPerSecond, kMaxFramesPerSecond);
    return 1000.0 / fps;
}

void Player::tick() {
    ++ctx_.tick;
    runLoads(ctx_);
    dispatchEnterFrame(ctx_);
    root_->step(looping_);
    // Levels loaded above the movie play on their own, and loop.
    std::vector<Timeline*> levels;
    for (auto& [n, t] : ctx_.levels) levels.push_back(t.get());
    for (Timeline* t : levels)
        if (ctx_.alive(t)) t->step(true);
    if (ctx_.machine) {
        ctx_.machine->advanceClock(ctx_.frameMs);
        ctx_.machine->runTimers();
    }
    readLoaderFiles(ctx_);
    refreshPointer(ctx_);
    settle();
    syncTextVariables(ctx_);
    if (ctx_.machine) ctx_.machine->collectStep();
}

void Player::advance(double elapsedMs) {
    if (!(elapsedMs > 0)) return;  // also refuses NaN
    double interval = frameIntervalMs();
    pendingMs_ += std::min(elapsedMs, interval * (kMaxFramesPerAdvance + 1));
    int n = 0;
    while (pendingMs_ >= interval && n < kMaxFramesPerAdvance) {
        pendingMs_ -= interval;
        tick();
        ++n;
    }
    if (pendingMs_ >= interval) pendingMs_ = std::fmod(pendingMs_, interval);
}

// The pointer and the keyboard: input.cpp.

}  // namespace swf
