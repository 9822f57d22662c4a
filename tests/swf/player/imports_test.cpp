// Characters taken from another movie (ImportAssets): the tag bodies, the
// definitions copied in under the importing movie's ids, and what happens
// with missing, hostile or self-importing files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "swf/format/asset_tags.h"
#include "swf/format/codes.h"
#include "swf/format/writer.h"
#include "swf/player/imports.h"
#include "swf/player/player.h"
#include "swf/format/action_builder.h"
#include "swf/format/codes.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using Asm = ActionBuilder;
using samples::place, samples::rectShape, samples::sprite, samples::traceAction;

UnknownTag exportTag(std::vector<AssetName> names) {
    return UnknownTag{code::ExportAssets, encodeExportAssets(ExportAssets{std::move(names)})};
}

UnknownTag importTag(std::string url, std::vector<AssetName> names, std::uint8_t version = 1) {
    ImportAssets imp{version, std::move(url), std::move(names)};
    return UnknownTag{version == 2 ? std::uint16_t(code::ImportAssets2) : std::uint16_t(code::ImportAssets),
                      encodeImportAssets(imp)};
}

// A library movie: sprite 1 shows shape 2 (blue) and traces from its frame;
// its init actions trace too; it is exported as "boite". Shape 3 is exported
// alone as "carre".
MovieData libraryMovie() {
    MovieData m;
    m.tags.push_back(rectShape(2, 0, 0, 200, 200, FillStyle::solid({0, 0, 255, 255})));
    m.tags.push_back(sprite(1, {place(1, 2), traceAction("cadre de la boite"), ShowFrame{}}));
    m.tags.push_back(rectShape(3, 0, 0, 50, 50, FillStyle::solid({0, 255, 0, 255})));
    m.tags.push_back(exportTag({{1, "boite"}, {3, "carre"}}));
    m.tags.push_back(DoInitAction{1, Asm().traceValue("init de la boite").bytes()});
    m.tags.push_back(ShowFrame{});
    return m;
}

// Files by path, as a fetcher serves them.
AssetFetcher memoryFetcher(std::map<std::string, Bytes> files, int* calls = nullptr) {
    return [files = std::move(files), calls](const std::string& path, std::size_t maxBytes) -> std::optional<Bytes> {
        if (calls) ++*calls;
        auto it = files.find(path);
        if (it == files.end() || it->second.size() > maxBytes) return std::nullopt;
        return it->second;
    };
}

std::vector<std::string> play(MovieData movie, int frames = 1) {
    std::vector<std::string> traces;
    Player p(std::make_shared<const MovieData>(std::move(movie)), [&](std::string_view s) { traces.emplace_back(s); });
    for (int f = 1; f < frames; ++f) p.tick();
    return traces;
}

TEST(SwfAssetTags, ImportAndExportBodiesReadBackAndCutBodiesAreErrors) {
    ImportAssets imp{2, "lib/biblio.swf", {{7, "boite"}, {9, ""}}};
    Bytes body = encodeImportAssets(imp);
    auto back = parseImportAssets(2, body);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, imp);
    // ImportAssets2 carries two reserved bytes the first version does not.
    imp.version = 1;
    EXPECT_EQ(encodeImportAssets(imp).size() + 2, body.size());

    ExportAssets ex{{{1, "a"}, {65535, "zz"}}};
    auto exBack = parseExportAssets(encodeExportAssets(ex));
    ASSERT_TRUE(exBack.ok());
    EXPECT_EQ(*exBack, ex);

    for (std::size_t cut = 0; cut < body.size(); ++cut)
        EXPECT_FALSE(parseImportAssets(2, std::span(body).first(cut)).ok()) << "cut at " << cut;
    // A count of 65535 names in a five-byte body is refused before any allocation.
    EXPECT_EQ(parseExportAssets(Bytes{0xff, 0xff, 1, 0, 0}).error().code, ErrorCode::Truncated);
}

TEST(SwfImports, ImportedSpritePlaysUnderTheImportingIdWithItsInitActionsFirst) {
    MovieData main;
    // The main movie's own id 2 is a red shape: the library's shape 2 must not replace it.
    main.tags.push_back(rectShape(2, 0, 0, 10, 10, FillStyle::solid({255, 0, 0, 255})));
    main.tags.push_back(importTag("biblio.swf", {{20, "boite"}, {21, "carre"}}, 2));
    main.tags.push_back(place(1, 20));
    main.tags.push_back(place(2, 21, 400, 0));
    main.tags.push_back(place(3, 2, 800, 0));
    main.tags.push_back(traceAction("cadre principal"));
    main.tags.push_back(ShowFrame{});

    auto warnings = resolveImports(main, memoryFetcher({{"biblio.swf", write(libraryMovie())}}));
    EXPECT_TRUE(warnings.empty()) << ::testing::PrintToString(warnings);

    auto movie = std::make_shared<const MovieData>(main);
    std::vector<std::string> traces;
    Player p(movie, [&](std::string_view s) { traces.emplace_back(s); });
    // Init actions first; then the frame's scripts in tag order, the placed sprite's frame among them.
    EXPECT_EQ(traces, (std::vector<std::string>{"init de la boite", "cadre de la boite", "cadre principal"}));

    const Dictionary& d = p.dictionary();
    ASSERT_NE(d.sprite(20), nullptr);
    ASSERT_NE(d.shape(21), nullptr);
    EXPECT_EQ(d.shape(21)->shape.fills.at(0).color, (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(d.shape(2)->shape.fills.at(0).color, (Rgba{255, 0, 0, 255}));
    // The sprite's inner shape came in under a fresh id and is the library's blue square.
    const DisplayObject& box = p.displayList().at(1);
    ASSERT_TRUE(box.sprite);
    std::uint16_t inner = box.sprite->displayList().at(1).characterId;
    EXPECT_NE(inner, 2);
    ASSERT_NE(d.shape(inner), nullptr);
    EXPECT_EQ(d.shape(inner)->shape.fills.at(0).color, (Rgba{0, 0, 255, 255}));
}

TEST(SwfImports, NestedImportsFollowTheImportingFilesFolder) {
    // main imports "lib/relais.swf", which imports "biblio.swf" beside itself and re-exports it.
    MovieData relay;
    relay.tags = {importTag("biblio.swf", {{5, "boite"}}), exportTag({{5, "boite relayee"}}), ShowFrame{}};
    MovieData main;
    main.tags = {importTag("lib/relais.swf", {{9, "boite relayee"}}), place(1, 9), ShowFrame{}};
    auto warnings = resolveImports(
        main, memoryFetcher({{"lib/relais.swf", write(relay)}, {"lib/biblio.swf", write(libraryMovie())}}));
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(play(main), (std::vector<std::string>{"init de la boite", "cadre de la boite"}));
}

TEST(SwfImports, MissingHostileAndUnknownAssetsWarnAndTheMoviePlaysOn) {
    Bytes truncated = write(libraryMovie());
    truncated.resize(truncated.size() / 2);
    Bytes garbage(64, 0xAB);
    MovieData main;
    main.tags = {importTag("absent.swf", {{4, "boite"}}),
                 importTag("coupe.swf", {{5, "boite"}}),
                 importTag("bruit.swf", {{6, "boite"}}),
                 importTag("biblio.swf", {{7, "inconnu"}}),
                 UnknownTag{code::ImportAssets, Bytes{'x', 0, 0xff, 0xff}},
                 place(1, 4),
                 traceAction("toujours la"),
                 ShowFrame{}};
    auto warnings = resolveImports(
        main, memoryFetcher({{"coupe.swf", truncated}, {"bruit.swf", garbage}, {"biblio.swf", write(libraryMovie())}}));
    ASSERT_GE(warnings.size(), 4u);
    EXPECT_NE(warnings[0].find("introuvable"), std::string::npos) << warnings[0];
    bool unknownNamed = false;
    for (const auto& w : warnings) unknownNamed |= w.find("« inconnu »") != std::string::npos;
    EXPECT_TRUE(unknownNamed);
    auto traces = play(main);
    EXPECT_EQ(traces.back(), "toujours la");
}

TEST(SwfImports, AMovieImportingItselfStopsAtTheDepthBound) {
    MovieData self;
    self.tags = {importTag("moi.swf", {{1, "moi"}}), exportTag({{1, "moi"}}), ShowFrame{}};
    int calls = 0;
    ImportLimits limits;
    limits.maxDepth = 3;
    auto warnings = resolveImports(self, memoryFetcher({{"moi.swf", write(self)}}, &calls), limits);
    EXPECT_EQ(calls, 3);
    ASSERT_FALSE(warnings.empty());
    EXPECT_NE(warnings.back().find("imbriquées"), std::string::npos);
}

TEST(SwfImports, TheTotalSizeBoundRefusesLargeFiles) {
    MovieData main;
    main.tags = {importTag("biblio.swf", {{4, "boite"}}), ShowFrame{}};
    ImportLimits limits;
    limits.maxTotalBytes = 16;
    auto warnings = resolveImports(main, memoryFetcher({{"biblio.swf", write(libraryMovie())}}), limits);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(play(main).empty());
}

TEST(SwfImports, TheLocalFetcherStaysInsideTheMoviesFolder) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / "swf-imports-test";
    fs::create_directories(dir / "sous");
    std::ofstream(dir / "sous" / "a.swf", std::ios::binary) << "ABC";
    std::ofstream(dir.parent_path() / "swf-imports-dehors.swf", std::ios::binary) << "DEF";
    AssetFetcher fetch = localFileFetcher(dir);
    ASSERT_TRUE(fetch("sous/a.swf", 100).has_value());
    EXPECT_EQ(*fetch("sous/a.swf", 100), (Bytes{'A', 'B', 'C'}));
    EXPECT_TRUE(fetch("file://sous/a.swf", 100).has_value());
    EXPECT_FALSE(fetch("sous/a.swf", 2).has_value()) << "larger than allowed";
    EXPECT_FALSE(fetch("../swf-imports-dehors.swf", 100).has_value());
    EXPECT_FALSE(fetch("sous/../../swf-imports-dehors.swf", 100).has_value());
    EXPECT_FALSE(fetch((dir / "sous" / "a.swf").string(), 100).has_value()) << "absolute path";
    EXPECT_FALSE(fetch("http://example.org/a.swf", 100).has_value());
    EXPECT_FALSE(fetch("sous", 100).has_value()) << "a folder";
    EXPECT_FALSE(fetch("", 100).has_value());
    fs::remove_all(dir);
    fs::remove(dir.parent_path() / "swf-imports-dehors.swf");
}

TEST(SwfImports, ANameImportedFromAMovieThatImportsItItselfCanBeAttached) {
    // relais.swf only imports "boite"; the movie imports it from relais.swf
    // under id 40 and attaches it by that name.
    MovieData relay;
    relay.tags = {importTag("biblio.swf", {{5, "boite"}}), ShowFrame{}};
    MovieData m;
    m.tags.push_back(importTag("relais.swf", {{40, "boite"}}));
    m.tags.push_back(
        Asm().push({1, "copie", "boite", 3}).callMethod("_root", "attachMovie").record(action::Pop).doAction());
    m.tags.push_back(ShowFrame{});
    auto warnings =
        resolveImports(m, memoryFetcher({{"biblio.swf", write(libraryMovie())}, {"relais.swf", write(relay)}}));
    EXPECT_TRUE(warnings.empty()) << ::testing::PrintToString(warnings);
    EXPECT_EQ(play(m), (std::vector<std::string>{"init de la boite", "cadre de la boite"}));
}

}  // namespace
