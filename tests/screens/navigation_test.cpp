// Which screens a user can reach: every control of every reachable screen
// is clicked in turn (each from a fresh start along the path that reached
// its screen), from the program's start and from the picture menu.

#include "tests/screens/course.h"

#include <gtest/gtest.h>

#include <QSet>
#include <deque>
#include <map>

namespace {

using Path = std::vector<QPoint>;

// Replays a path of clicks from `origin` and returns the course after it.
std::unique_ptr<scrtest::Course> replay(const QString& origin, const Path& path) {
    auto c = std::make_unique<scrtest::Course>();
    if (origin.isEmpty())
        c->driver.start();
    else
        c->driver.show(origin);
    for (QPoint p : path) c->driver.click(p.x(), p.y());
    return c;
}

// Every screen reachable by clicks, mapped to one path that reaches it.
std::map<QString, Path> reachable(const QString& origin) {
    std::map<QString, Path> seen;
    std::deque<QString> todo;
    const QString first = replay(origin, {})->driver.current();
    seen[first] = {};
    todo.push_back(first);
    while (!todo.empty()) {
        const QString name = todo.front();
        todo.pop_front();
        auto probe = replay(origin, seen[name]);
        std::vector<QPoint> spots{{1, 1}};
        for (const auto& control : probe->driver.screen(name).controls())
            spots.push_back(control->pixelRect()
                                .intersected(QRect(QPoint(0, 0), probe->driver.screen(name).clientSize()))
                                .center());
        for (QPoint spot : spots) {
            Path path = seen[name];
            path.push_back(spot);
            auto c = replay(origin, path);
            const QString now = c->driver.current();
            if (!now.isEmpty() && !seen.count(now)) {
                seen[now] = path;
                todo.push_back(now);
            }
        }
    }
    return seen;
}

std::string names(const std::map<QString, Path>& m) {
    QStringList l;
    for (const auto& [name, path] : m) l << name;
    l.sort();
    return l.join(' ').toStdString();
}

std::string sorted(QStringList l) {
    l.sort();
    return l.join(' ').toStdString();
}

TEST(Reachability, FromTheStartOnlyTheSplashTheMenuAndItsNineLessons) {
    EXPECT_EQ(names(reachable({})), sorted({"Form1", "Form2", "Form3", "Form4", "Form5", "Form6", "Form7", "Form8",
                                            "Form9", "Form10", "Form11"}));
}

TEST(Reachability, FromThePictureMenuItsSevenLessonsTwoEmptyScreensAndTheMenu) {
    EXPECT_EQ(names(reachable("Form15")), sorted({"Form15", "Form16", "Form17", "Form18", "Form19", "Form20", "Form21",
                                                  "Form22", "Form23", "Form24", "Form1",  "Form3",  "Form4",  "Form5",
                                                  "Form6",  "Form7",  "Form8",  "Form9",  "Form10", "Form11"}));
}

}  // namespace
