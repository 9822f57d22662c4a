// swf-conformance: runs every test of a conformance suite through swf-run and
// compares traces and pictures with the reference player's.
//
//   swf-conformance --suite DIR --swf-run PATH [--expected LIST] [--expected-pictures LIST]
//                   [--write-passing FILE] [--write-passing-pictures FILE] [--only TEXT]
//                   [--jobs N] [--timeout SECONDS] [--work DIR] [--verbose] [--diff]
//
// --diff prints one line per picture (size match, pixels past the tolerance
// and allowed, worst channel difference, traces) and writes NAME.diff.png
// beside each actual picture in the work folder.
//
// Prints "conformance: P passed of N" (traces) and a line for the pictures;
// exits 1 when a test named in an expected list fails (the lists only grow),
// 2 on bad arguments or an unreadable suite, 0 otherwise.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/swf-conformance/suite.h"

namespace {

constexpr qint64 kMaxOutputBytes = 16 << 20;

struct Options {
    QString suite, swfRun, expected, expectedPictures, writePassing, writePassingPictures, only, work;
    int jobs = 2;
    int timeoutSeconds = 30;
    bool verbose = false;
    bool diff = false;
};

std::string readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

std::set<std::string> readList(const QString& path) {
    std::set<std::string> out;
    if (path.isEmpty()) return out;
    for (const auto& line : QString::fromStdString(readText(path)).split('\n')) {
        QString t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith('#')) out.insert(t.toStdString());
    }
    return out;
}

void writeList(const QString& path, const std::set<std::string>& names, const char* what) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    f.write(QByteArray("# Conformance tests that pass on their ") + what +
            "; the conformance check fails when one of them stops passing.\n");
    for (const auto& n : names) f.write(QByteArray::fromStdString(n) + '\n');
}

// One run of swf-run: a test's full run, or a run to a picture's trigger frame.
struct Job {
    std::string test;
    int frames = 1;
    QString png;          // empty: no picture wanted
    std::string quality;  // the test's renderer quality, passed to swf-run with a picture
    bool traces = false;  // this run's output is the test's trace output
    double pointerScale = 1;
};

struct Outcome {
    bool ran = false;
    bool timedOut = false;
    std::string output;
};

// Runs jobs through swf-run, `jobs` at a time, each bounded in time and output.
class Runner : public QObject {
public:
    Runner(const Options& o, std::vector<Job> jobs) : opt_(o), queue_(jobs.begin(), jobs.end()) {}
    std::map<std::pair<std::string, QString>, Outcome> results;

    void runAll() {
        for (int i = 0; i < opt_.jobs; ++i) startNext();
        if (running_ > 0) loop_.exec();
    }

private:
    void startNext() {
        if (queue_.empty()) {
            if (running_ == 0) loop_.quit();
            return;
        }
        Job job = queue_.front();
        queue_.pop_front();
        ++running_;
        auto* p = new QProcess(this);
        auto out = std::make_shared<std::string>();
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        QStringList args{QString::fromStdString(opt_.suite.toStdString() + "/" + job.test + "/test.swf"), "--frames",
                         QString::number(job.frames)};
        if (!job.png.isEmpty()) args << "--png" << job.png;
        // The recorded pointer and key events, where the test has some.
        const QString events = QString::fromStdString(opt_.suite.toStdString() + "/" + job.test + "/input.json");
        if (QFileInfo::exists(events)) args << "--input" << events;
        if (job.pointerScale != 1) args << "--input-scale" << QString::number(job.pointerScale);
        if (!job.png.isEmpty() && !job.quality.empty()) args << "--quality" << QString::fromStdString(job.quality);
        p->setProcessChannelMode(QProcess::SeparateChannels);
        p->setStandardErrorFile(QProcess::nullDevice());
        auto killer = new QTimer(p);
        killer->setSingleShot(true);
        connect(killer, &QTimer::timeout, p, [p] { p->kill(); });
        connect(p, &QProcess::readyReadStandardOutput, p, [p, out] {
            out->append(p->readAllStandardOutput().toStdString());
            if (qint64(out->size()) > kMaxOutputBytes) p->kill();
        });
        connect(p, &QProcess::finished, this, [this, p, out, job, timer] {
            out->append(p->readAllStandardOutput().toStdString());
            Outcome o;
            o.timedOut = timer->elapsed() >= qint64(opt_.timeoutSeconds) * 1000;
            o.ran = p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0 && !o.timedOut;
            o.output = std::move(*out);
            results[{job.test, job.png}] = std::move(o);
            p->deleteLater();
            --running_;
            if (opt_.verbose) std::fprintf(stderr, "ran %s (%d frames)\n", job.test.c_str(), job.frames);
            startNext();
        });
        connect(p, &QProcess::errorOccurred, this, [p](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart) emit p->finished(-1, QProcess::CrashExit);
        });
        killer->start(opt_.timeoutSeconds * 1000);
        p->start(opt_.swfRun, args);
    }

    const Options& opt_;
    std::deque<Job> queue_;
    int running_ = 0;
    QEventLoop loop_;
};

int usage() {
    std::fprintf(stderr,
                 "usage: swf-conformance --suite DIR --swf-run PATH [--expected LIST] [--expected-pictures LIST]\n"
                 "       [--write-passing FILE] [--write-passing-pictures FILE] [--only TEXT] [--jobs N]\n"
                 "       [--timeout SECONDS] [--work DIR] [--verbose] [--diff]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options o;
    QStringList a = app.arguments();
    for (int i = 1; i < a.size(); ++i) {
        auto value = [&](QString& v) {
            if (i + 1 >= a.size()) return false;
            v = a[++i];
            return true;
        };
        QString n;
        if (a[i] == "--suite") {
            if (!value(o.suite)) return usage();
        } else if (a[i] == "--swf-run") {
            if (!value(o.swfRun)) return usage();
        } else if (a[i] == "--expected") {
            if (!value(o.expected)) return usage();
        } else if (a[i] == "--expected-pictures") {
            if (!value(o.expectedPictures)) return usage();
        } else if (a[i] == "--write-passing") {
            if (!value(o.writePassing)) return usage();
        } else if (a[i] == "--write-passing-pictures") {
            if (!value(o.writePassingPictures)) return usage();
        } else if (a[i] == "--only") {
            if (!value(o.only)) return usage();
        } else if (a[i] == "--work") {
            if (!value(o.work)) return usage();
        } else if (a[i] == "--jobs") {
            if (!value(n) || (o.jobs = n.toInt()) < 1 || o.jobs > 64) return usage();
        } else if (a[i] == "--timeout") {
            if (!value(n) || (o.timeoutSeconds = n.toInt()) < 1) return usage();
        } else if (a[i] == "--verbose") {
            o.verbose = true;
        } else if (a[i] == "--diff")
            o.diff = true;
        else
            return usage();
    }
    if (o.suite.isEmpty() || o.swfRun.isEmpty()) return usage();
    if (o.work.isEmpty()) o.work = QDir::tempPath() + "/swf-conformance";
    QDir().mkpath(o.work);

    std::vector<std::string> tests;
    for (const auto& line : QString::fromStdString(readText(o.suite + "/TESTS.txt")).split('\n')) {
        QString t = line.trimmed();
        if (!t.isEmpty() && (o.only.isEmpty() || t.contains(o.only))) tests.push_back(t.toStdString());
    }
    if (tests.empty()) {
        std::fprintf(stderr, "swf-conformance: no test listed in %s/TESTS.txt\n", qPrintable(o.suite));
        return 2;
    }

    std::map<std::string, conformance::TestSettings> settings;
    std::vector<Job> jobs;
    auto pictureFile = [&](const std::string& test, const std::string& check) {
        QString flat = QString::fromStdString(test + "--" + check).replace('/', '_');
        return o.work + "/" + flat + ".actual.png";
    };
    for (const auto& t : tests) {
        QString dir = o.suite + "/" + QString::fromStdString(t);
        auto s = conformance::parseSettings(readText(dir + "/test.toml"));
        Job main{t, s.frames, {}, s.quality, true};
        for (const auto& c : s.images) {
            if (!QFile::exists(dir + "/" + QString::fromStdString(c.name) + ".expected.png")) continue;
            if (c.trigger <= 0 || c.trigger == s.frames) {
                if (main.png.isEmpty())
                    main.png = pictureFile(t, c.name);
                else
                    jobs.push_back({t, s.frames, pictureFile(t, c.name), s.quality, false});
            } else {
                jobs.push_back({t, c.trigger, pictureFile(t, c.name), s.quality, false});
            }
        }
        jobs.push_back(main);
        for (auto it = jobs.rbegin(); it != jobs.rend() && it->test == t; ++it) it->pointerScale = s.pointerScale;
        settings[t] = std::move(s);
    }

    Runner runner(o, jobs);
    runner.runAll();

    std::set<std::string> passing, passingPictures;
    int pictureTests = 0;
    for (const auto& t : tests) {
        const auto& s = settings[t];
        QString dir = o.suite + "/" + QString::fromStdString(t);
        bool traceOk = false;
        for (const auto& j : jobs) {
            if (j.test != t || !j.traces) continue;
            const Outcome& out = runner.results[{t, j.png}];
            traceOk = out.ran && conformance::outputsMatch(readText(dir + "/output.txt"), out.output, s.approximation);
        }
        if (traceOk) passing.insert(t);
        bool anyPicture = false, picturesOk = true;
        for (const auto& c : s.images) {
            QString expected = dir + "/" + QString::fromStdString(c.name) + ".expected.png";
            if (!QFile::exists(expected)) continue;
            anyPicture = true;
            QString actualPath = pictureFile(t, c.name);
            QImage expectedImage(expected), actualImage(actualPath);
            auto d = conformance::compareImages(expectedImage, actualImage, c.tolerance);
            if (o.diff) {
                std::printf("picture %s/%s: %s %ld outliers of %ld allowed, max delta %d, traces %s\n", t.c_str(),
                            c.name.c_str(), d.sameSize ? "same size" : "SIZE DIFFERS", d.outliers, c.maxOutliers,
                            d.maxDelta, traceOk ? "pass" : "fail");
                QString diffPath = actualPath;
                diffPath.replace(".actual.png", ".diff.png");
                conformance::differenceImage(expectedImage, actualImage, c.tolerance).save(diffPath);
            }
            if (!conformance::imageMatches(d, c)) {
                picturesOk = false;
                if (o.verbose)
                    std::fprintf(stderr, "picture %s/%s: %ld outliers (max delta %d)\n", t.c_str(), c.name.c_str(),
                                 d.outliers, d.maxDelta);
            }
        }
        if (anyPicture) {
            ++pictureTests;
            if (picturesOk && traceOk) passingPictures.insert(t);
        }
    }

    int regressions = 0;
    for (const auto& t : readList(o.expected)) {
        if (settings.count(t) && !passing.count(t)) {
            std::printf("REGRESSION (traces): %s\n", t.c_str());
            ++regressions;
        }
    }
    for (const auto& t : readList(o.expectedPictures)) {
        if (settings.count(t) && !passingPictures.count(t)) {
            std::printf("REGRESSION (pictures): %s\n", t.c_str());
            ++regressions;
        }
    }
    if (!o.writePassing.isEmpty()) writeList(o.writePassing, passing, "trace output");
    if (!o.writePassingPictures.isEmpty())
        writeList(o.writePassingPictures, passingPictures, "trace output and pictures");
    std::printf("conformance: %zu passed of %zu\n", passing.size(), tests.size());
    std::printf("conformance pictures: %zu matched of %d\n", passingPictures.size(), pictureTests);
    return regressions > 0 ? 1 : 0;
}
