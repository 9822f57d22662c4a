#include "media/movie_player.h"

#include "media/flash_component.h"
#include "media/movie_file.h"
#include "runtime/fonts.h"
#include "runtime/layout.h"
#include "swf/audio/audio_output.h"
#include "swf/player/player.h"
#include "swf/render/renderer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace media {

namespace {

bool sameText(const StoredString& s, const char* text) {
    return s && s->compare(QLatin1String(text), Qt::CaseInsensitive) == 0;
}

// Movies without sound open no audio device.
bool hasSound(const swf::MovieData& movie) {
    for (const auto& tag : movie.tags)
        if (std::holds_alternative<swf::DefineSound>(tag) || std::holds_alternative<swf::SoundStreamHead>(tag))
            return true;
    return false;
}

}  // namespace

PlayerSettings settingsFrom(const PersistedState& state) {
    PlayerSettings s;
    // Only "Transparent" clears to nothing; "Window" and "Opaque" paint the
    // movie's own background colour.
    s.presentation.transparent = sameText(state.wmode, "Transparent");
    // "Low" and "AutoLow" draw without smoothing; every other quality smooths.
    s.presentation.antialias = !(sameText(state.quality, "Low") || sameText(state.quality, "AutoLow"));
    s.playAtOnce = state.play.value();
    s.loop = state.loop.value();
    s.menu = state.menu.value();
    // Scale and SAlign: the engine draws "ShowAll" with an empty alignment
    // (whole movie, proportions kept, centred), the lesson screens' setting;
    // other values are drawn the same way.
    return s;
}

MoviePlayer::MoviePlayer(rt::ControlSite& site, const PersistedState& state, QSize sizeTwips)
    : site_(site),
      settings_(settingsFrom(state)),
      sizePx_(rt::twipsToPixels(sizeTwips.width()), rt::twipsToPixels(sizeTwips.height())) {
    // The layout's rectangle decides where and how large the player is drawn;
    // the persisted extent is only compared, since both come from one design.
    const Extent e = extentFromTwips(sizeTwips.width(), sizeTwips.height());
    extentMatches_ = e == Extent{state.extentWidth, state.extentHeight};
    // A movie named at design time is opened at once, like one set later, but
    // without a repaint: the host is still creating this control.
    if (state.movie && !state.movie->isEmpty()) setMovie(*state.movie, false);
}

MoviePlayer::~MoviePlayer() {
    stopClock();
    audio_.reset();
}

int MoviePlayer::currentFrame() const { return player_ ? player_->currentFrame() : 0; }
int MoviePlayer::frameCount() const { return player_ ? player_->frameCount() : 0; }
bool MoviePlayer::playing() const { return player_ && player_->playing(); }
bool MoviePlayer::looping() const { return player_ ? player_->looping() : settings_.loop; }
bool MoviePlayer::multiFrame() const { return player_ && player_->frameCount() > 1; }

bool MoviePlayer::hasSprites() const {
    if (!player_) return false;
    for (const auto& [depth, object] : player_->displayList())
        if (object.sprite) return true;
    return false;
}

rt::Status MoviePlayer::invoke(int dispid, rt::InvokeKind kind, std::span<const rt::Variant> args,
                               rt::Variant* result) {
    switch (dispid) {
    case flash::kDispidMovie:
        if (kind == rt::InvokeKind::PropertyPut) {
            if (args.size() != 1 || !std::holds_alternative<QString>(args[0])) return rt::kBadArgument;
            setMovie(std::get<QString>(args[0]));
            return rt::kOk;
        }
        if (kind == rt::InvokeKind::PropertyGet) {
            if (!args.empty() || !result) return rt::kBadArgument;
            *result = path_;
            return rt::kOk;
        }
        return rt::kUnknownMember;
    case flash::kDispidRewind:
    case flash::kDispidPlay:
        if (kind != rt::InvokeKind::Method) return rt::kUnknownMember;
        if (!args.empty()) return rt::kBadArgument;
        // Without a movie (missing or unreadable file) both do nothing: the
        // screen goes on and the notice stays.
        if (!player_) return rt::kOk;
        if (dispid == flash::kDispidRewind) {
            stopClock();
            player_->rewind();
        } else {
            player_->play();
            startClock();
        }
        site_.invalidate();
        return rt::kOk;
    default: return rt::kUnknownMember;
    }
}

void MoviePlayer::setMovie(const QString& path, bool repaint) {
    // Nothing of the earlier movie survives: its clock, its player, its menu.
    stopClock();
    audio_.reset();
    player_.reset();
    ++generation_;
    path_ = path;
    LoadedMovie loaded = loadMovie(path);
    notice_ = loaded.notice;
    partial_ = loaded.partial;
    if (loaded.movie) {
        const bool sound = hasSound(*loaded.movie);
        player_ = std::make_unique<swf::Player>(std::move(loaded.movie));
        player_->setLooping(settings_.loop);
        if (settings_.playAtOnce)
            startClock();
        else
            player_->stop();
        if (sound) audio_ = std::make_unique<swf::AudioOutput>(player_->mixer());
        followPlayback();
    }
    if (repaint) site_.invalidate();
}

// Starting or stopping the clock is where playback starts or stops, so the
// sound follows from here.
void MoviePlayer::startClock() {
    if (!timer_ && player_) {
        lastTickMs_ = site_.nowMs();
        // Rounded up so that every tick carries at least one frame's worth of
        // time; the player keeps the remainder, so the average rate is exact.
        const int interval = std::max(1, static_cast<int>(std::ceil(player_->frameIntervalMs())));
        timer_ = site_.startTimer(interval, [this] { onTick(); });
    }
    followPlayback();
}

void MoviePlayer::stopClock() {
    if (timer_) {
        site_.stopTimer(*timer_);
        timer_.reset();
    }
    followPlayback();
}

void MoviePlayer::onTick() {
    if (!player_) {
        stopClock();
        return;
    }
    const std::int64_t now = site_.nowMs();
    const std::int64_t elapsed = std::max<std::int64_t>(0, now - lastTickMs_);
    lastTickMs_ = now;
    const int before = player_->currentFrame();
    player_->advance(static_cast<double>(elapsed));
    // Sprites animate on every tick, even on a timeline that stays on its frame.
    const bool sprites = hasSprites();
    if (player_->currentFrame() != before || sprites) site_.invalidate();
    // A movie that stopped itself (its last frame without looping, or a stop
    // action) and has nothing left moving needs no clock.
    if (!player_->playing() && !sprites)
        stopClock();
    else
        followPlayback();  // a movie that stopped itself while its sprites move on is silent
}

void MoviePlayer::followPlayback() {
    if (!audio_) return;
    if (player_ && player_->playing() && timer_)
        audio_->resume();
    else
        audio_->suspend();
}

void MoviePlayer::pointer(QPoint local, bool held) {
    if (!player_) return;
    const QTransform toStage = swf::stageTransform(player_->header().frame, QRectF(QPointF(0, 0), QSizeF(sizePx_)));
    bool invertible = false;
    const QTransform fromPixels = toStage.inverted(&invertible);
    if (!invertible) return;
    if (!player_->pointer(fromPixels.map(QPointF(local) + QPointF(0.5, 0.5)), held)) return;
    // A button's script may have started or stopped the movie.
    if (player_->playing())
        startClock();
    else
        followPlayback();
    site_.invalidate();
}

rt::PictureRef MoviePlayer::pointerAt(QPoint) const {
    // The engine hit-tests at every move it is given; the point itself was that move's.
    if (player_ && !player_->pointerShown()) return rt::standardPointer(Qt::BlankCursor);  // Mouse.hide()
    if (player_ && player_->overButton()) return rt::standardPointer(Qt::PointingHandCursor);
    return nullptr;
}

void MoviePlayer::mouseMove(QPoint local, int buttons) {
    pointer(local, buttons & static_cast<int>(rt::MouseButton::Left));
}

void MoviePlayer::mousePress(QPoint local, rt::MouseButton button) {
    if (button == rt::MouseButton::Left) pointer(local, true);
}

namespace {

QFont noticeFont() {
    QFont font(rt::resolvedFamily("Verdana"));
    font.setPixelSize(14);
    return font;
}

constexpr QRgb kNoticeInk = qRgb(128, 128, 128);

}  // namespace

QRect MoviePlayer::noticeBox(const QRect& area) const {
    if (!player_ || notice_.isEmpty()) return {};
    // The stage as shown, and inside it the corner every lesson keeps free of
    // content that matters: 40 stage pixels from the left, 24 from the bottom.
    const swf::Rect& frame = player_->header().frame;
    const QRectF stage =
        swf::stageTransform(frame, QRectF(area)).mapRect(QRectF(frame.xmin, frame.ymin, frame.width(), frame.height()));
    const qreal px = stage.width() / std::max(1.0, frame.width() / 20.0);
    const QSize text = QFontMetrics(noticeFont()).size(Qt::TextSingleLine, notice_);
    const int pad = 6;
    QRect box(0, 0, text.width() + 2 * pad, text.height() + 2 * pad);
    box.moveBottomLeft(QPoint(int(stage.left() + 40 * px), int(stage.bottom() - 24 * px)));
    return box;
}

void MoviePlayer::paint(QPainter& painter, const QRect& area) {
    if (player_) {
        swf::render(*player_, painter, QRectF(area), settings_.presentation);
        if (notice_.isEmpty()) return;
        // A movie cut short plays what it has, with the notice in its own box
        // over the lower left.
        const QRect box = noticeBox(area);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QColor(kNoticeInk));
        painter.setBrush(Qt::white);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.setFont(noticeFont());
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.drawText(box, Qt::AlignCenter, notice_);
        painter.restore();
        return;
    }
    if (notice_.isEmpty()) return;
    painter.save();
    painter.setFont(noticeFont());
    painter.setPen(QColor(kNoticeInk));
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, notice_);
    painter.restore();
}

std::vector<rt::MenuItem> MoviePlayer::menuItems() const {
    const bool enabled = multiFrame();
    std::vector<rt::MenuItem> items(6);
    items[0] = {QStringLiteral("Lire"), enabled, true, playing()};
    items[1] = {QStringLiteral("En boucle"), enabled, true, looping()};
    items[2].separator = true;
    items[2].enabled = false;
    items[3] = {QStringLiteral("Rembobiner"), enabled};
    items[4] = {QStringLiteral("Avancer"), enabled};
    items[5] = {QStringLiteral("Reculer"), enabled};
    return items;
}

void MoviePlayer::mouseRelease(QPoint local, rt::MouseButton button) {
    // The left button goes to the movie's buttons; the menu opens on the
    // right button's release, as desktop context menus do.
    if (button == rt::MouseButton::Left) {
        pointer(local, false);
        return;
    }
    if (button != rt::MouseButton::Right || !settings_.menu) return;
    const int generation = generation_;
    site_.popupMenu(local, menuItems(), [this, generation](int index) {
        if (generation != generation_) return;
        if (index == 0 || index == 1 || (index >= 3 && index <= 5)) perform(static_cast<MenuAction>(index));
    });
}

// Stopping the movie's timeline stops the clock only when nothing else moves:
// its sprites play on, as they do when the movie stops itself, so that a
// movie's own controls can follow what the menu did to it.
void MoviePlayer::clockForStoppedTimeline() {
    if (player_ && hasSprites())
        startClock();
    else
        stopClock();
}

void MoviePlayer::perform(MenuAction action) {
    // One-frame movies and no movie offer none of these.
    if (!multiFrame()) return;
    switch (action) {
    case MenuAction::Play:
        if (player_->playing()) {
            player_->stop();
            clockForStoppedTimeline();
        } else {
            player_->play();
            startClock();
        }
        break;
    case MenuAction::Loop: player_->setLooping(!player_->looping()); break;
    case MenuAction::Rewind:
        player_->rewind();
        clockForStoppedTimeline();
        break;
    case MenuAction::Forward:
        player_->forward();
        clockForStoppedTimeline();
        break;
    case MenuAction::Back:
        player_->back();
        clockForStoppedTimeline();
        break;
    }
    site_.invalidate();
}

rt::ExternalFactory moviePlayerFactory() {
    return
        [](const rt::ControlDef& def, rt::ControlSite& site, QString& reason) -> std::unique_ptr<rt::ExternalControl> {
            const QString classId = def.classId ? QString::fromLatin1(def.classId) : QString();
            if (classId.compare(QLatin1String(flash::kClassId), Qt::CaseInsensitive) != 0) {
                reason = QStringLiteral("classe de composant inconnue %1")
                             .arg(classId.isEmpty() ? QStringLiteral("(aucune)") : classId);
                return nullptr;
            }
            const StateDecodeResult decoded = decodeState(def.persisted);
            if (!decoded.ok()) {
                reason = decoded.error.message();
                return nullptr;
            }
            return std::make_unique<MoviePlayer>(site, *decoded.state, QSize(def.rect.width, def.rect.height));
        };
}

}  // namespace media
