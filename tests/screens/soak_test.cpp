// Soak: many rounds of lesson and back to the menu, across all 19 lessons,
// must not grow the number of live controls or the resident memory.

#include "tests/screens/course.h"

#include "screens/lesson_screen.h"
#include "screens/main_menu.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <span>
#include <unistd.h>

namespace {

// AddressSanitizer holds freed memory in quarantine, so resident size says
// nothing about leaks there (its leak checker does that job instead).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentSizeMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentSizeMeaningful = false;
#else
constexpr bool kResidentSizeMeaningful = true;
#endif
#else
constexpr bool kResidentSizeMeaningful = true;
#endif

long residentBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

std::size_t liveControls(rt::Driver& d) {
    std::size_t n = 0;
    for (const QString& name : d.loaded()) n += d.screen(name).controls().size();
    return n;
}

// One round: from the main menu into a lesson (through its title where the
// menu has one, else by a go-to made on the menu's behalf), then "Menu".
void round(scrtest::Course& c, const screens::LessonMember& m) {
    const QString name = QString::fromLatin1(m.name);
    int title = -1;
    for (int k = 0; k < 9; ++k)
        if (name == QLatin1String(screens::Form1::kTargets[k])) title = k;
    if (title >= 0) {
        c.driver.click(250, 128 + 32 * title);
    } else {
        rt::Runtime& r = c.driver.runtime();
        r.dispatch([&] {
            r.unload(r.screen("Form1"));
            r.show(name);
        });
    }
    const QPoint menu = scrtest::menuLabelCentre(name);
    c.driver.move(menu.x(), menu.y());
    c.driver.click(menu.x(), menu.y());
}

TEST(Soak, TwoThousandLessonRoundsKeepControlsAndMemoryFlat) {
    scrtest::Course c;
    c.toMainMenu();
    const std::span<const screens::LessonMember> members(screens::kLessonMembers);
    // Warm up once over every lesson, so caches (pictures, fonts) are full.
    for (const auto& m : members) round(c, m);
    ASSERT_EQ(c.driver.current(), "Form1");
    const std::size_t controls = liveControls(c.driver);
    const long before = residentBytes();

    constexpr int kRounds = 2000;
    for (int i = 0; i < kRounds; ++i) {
        const auto& m = members[std::size_t(i) % members.size()];
        c.player.calls.clear();  // the fake's own log is not what is measured
        round(c, m);
        ASSERT_EQ(c.driver.current(), "Form1") << i << " " << m.name;
        ASSERT_EQ(liveControls(c.driver), controls) << i;
        ASSERT_EQ(c.player.live, 0) << i;
    }
    const long growth = residentBytes() - before;
    // The headless host's window log (four lines a round) is part of the growth.
    std::printf("soak: %d rounds, %d players created, resident growth %ld bytes\n", kRounds, c.player.created, growth);
    EXPECT_EQ(c.player.created, kRounds + int(members.size()));
    EXPECT_FALSE(c.driver.ended());
    EXPECT_TRUE(c.driver.host().errors().empty());
    if (kResidentSizeMeaningful) {
        EXPECT_LT(growth, 2L * 1024 * 1024);
    }
}

}  // namespace
