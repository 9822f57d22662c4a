#include "tests/e2e/x11_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdlib>

// Last: Xlib's macros would clash with the names above.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace e2e {

namespace {

void sleepMs(int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }

}  // namespace

X11Session::X11Session(QSize screen) : size_(screen) {
    // A display number no other run is using: the lock file tells.
    for (int n = 90 + int(QCoreApplication::applicationPid() % 40); n < 200; ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))) continue;
        number_ = n;
        xvfb_ = std::make_unique<QProcess>();
        xvfb_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        xvfb_->start(QStringLiteral("Xvfb"),
                     {display(), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("%1x%2x24").arg(size_.width()).arg(size_.height()), QStringLiteral("-nolisten"),
                      QStringLiteral("tcp"), QStringLiteral("-noreset")});
        if (!xvfb_->waitForStarted(5000)) return;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && xvfb_->state() == QProcess::Running) {
            QProcess probe;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DISPLAY"), display());
            probe.setProcessEnvironment(env);
            probe.start(QStringLiteral("xdpyinfo"), {});
            probe.waitForFinished(2000);
            if (probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0) {
                up_ = true;
                return;
            }
            sleepMs(50);
        }
        // Lost the race for this number: try the next one.
        xvfb_->kill();
        xvfb_->waitForFinished(2000);
    }
}

X11Session::~X11Session() {
    if (program_ && program_->state() != QProcess::NotRunning) {
        program_->kill();
        program_->waitForFinished(3000);
    }
    if (xvfb_) {
        xvfb_->terminate();
        if (!xvfb_->waitForFinished(3000)) {
            xvfb_->kill();
            xvfb_->waitForFinished(3000);
        }
    }
}

QString X11Session::run(const QString& program, const QStringList& args, int timeoutMs) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display());
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

void X11Session::startProgram(const QString& path, const QStringList& args) {
    program_ = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program_->setProcessEnvironment(env);
    program_->setProcessChannelMode(QProcess::ForwardedChannels);
    program_->start(path, args);
    program_->waitForStarted(5000);
}

bool X11Session::programRunning() const { return program_ && program_->state() == QProcess::Running; }

std::optional<int> X11Session::waitForExit(int timeoutMs) {
    if (!program_) return std::nullopt;
    if (program_->state() != QProcess::NotRunning && !program_->waitForFinished(timeoutMs)) return std::nullopt;
    return program_->exitCode();
}

QString X11Session::visibleWindowIds(const QString& name) const {
    return run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--name"), QStringLiteral("^%1$").arg(name)})
        .trimmed();
}

std::optional<QRect> X11Session::findWindow(const QString& name, int timeoutMs) const {
    QElapsedTimer t;
    t.start();
    do {
        const QString ids = visibleWindowIds(name);
        if (!ids.isEmpty()) {
            const QString id = ids.split('\n').first();
            const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
            int x = -1, y = -1, w = -1, h = -1;
            for (const QString& line : info.split('\n')) {
                const QString l = line.trimmed();
                auto value = [&](const char* key) { return l.mid(qsizetype(qstrlen(key))).trimmed().toInt(); };
                if (l.startsWith("Absolute upper-left X:"))
                    x = value("Absolute upper-left X:");
                else if (l.startsWith("Absolute upper-left Y:"))
                    y = value("Absolute upper-left Y:");
                else if (l.startsWith("Width:"))
                    w = value("Width:");
                else if (l.startsWith("Height:"))
                    h = value("Height:");
            }
            if (w > 0 && h > 0) return QRect(x, y, w, h);
        }
        sleepMs(50);
    } while (t.elapsed() < timeoutMs);
    return std::nullopt;
}

bool X11Session::waitWindowGone(const QString& name, int timeoutMs) const {
    QElapsedTimer t;
    t.start();
    do {
        if (visibleWindowIds(name).isEmpty()) return true;
        sleepMs(50);
    } while (t.elapsed() < timeoutMs);
    return false;
}

void X11Session::moveMouse(QPoint p) const {
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
}

void X11Session::click(QPoint p) const {
    moveMouse(p);
    sleepMs(80);
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
}

QImage X11Session::screenshot() const {
    const QString file = QDir::temp().filePath(QStringLiteral("tk-e2e-%1.png").arg(number_));
    run(QStringLiteral("import"),
        {QStringLiteral("-display"), display(), QStringLiteral("-window"), QStringLiteral("root"), file});
    QImage image(file);
    QFile::remove(file);
    return image.convertToFormat(QImage::Format_RGB32);
}

QString X11Session::saveScreenshot(const QString& name) const {
    const QString dir = QStringLiteral(TK_BINARY_DIR "/e2e-screenshots");
    QDir().mkpath(dir);
    const QString path = dir + '/' + name + QStringLiteral(".png");
    screenshot().save(path);
    return path;
}

QImage X11Session::cursorImage() const {
    Display* dpy = XOpenDisplay(display().toLatin1().constData());
    if (!dpy) return {};
    QImage out;
    int eventBase = 0, errorBase = 0;
    if (XFixesQueryExtension(dpy, &eventBase, &errorBase)) {
        if (XFixesCursorImage* c = XFixesGetCursorImage(dpy)) {
            out = QImage(c->width, c->height, QImage::Format_ARGB32_Premultiplied);
            // One pixel a long, ARGB in its low 32 bits.
            for (int y = 0; y < c->height; ++y)
                for (int x = 0; x < c->width; ++x)
                    out.setPixel(x, y, static_cast<QRgb>(c->pixels[y * c->width + x] & 0xFFFFFFFFu));
            XFree(c);
        }
    }
    XCloseDisplay(dpy);
    return out;
}

int countPixels(const QImage& image, const QRect& area, QRgb colour, int tolerance) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) <= tolerance && std::abs(qGreen(p) - qGreen(colour)) <= tolerance &&
                std::abs(qBlue(p) - qBlue(colour)) <= tolerance)
                ++n;
        }
    return n;
}

}  // namespace e2e
