// The rails and trees drawn from the scene's cache against the whole scene rebuilt: the same
// vertex lists without a projection, the same pixels with one (which draws the trees by index
// and leaves out those outside the picture), on the demo city from the cabs
// of its trams, at the default distances and at 2000 m, by day and at dusk.
#include "cab/scene/SceneBuild.h"
#include "tests/cab/scene/OffscreenGL.h"
#include "tests/cab/scene/SceneCity.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vell::test {
namespace {

constexpr int Width = 640, Height = 480;

bool SameVertices(const std::vector<TSceneVertex>& a, const std::vector<TSceneVertex>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(TSceneVertex)) == 0);
}

::testing::AssertionResult SameLists(const TSceneVertexLists& cached,
                                     const TSceneVertexLists& rebuilt) {
    if (SameVertices(cached.Lines, rebuilt.Lines) &&
        SameVertices(cached.Triangles, rebuilt.Triangles) &&
        SameVertices(cached.Quads, rebuilt.Quads))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "cached " << cached.Lines.size() << "/" << cached.Triangles.size() << "/"
           << cached.Quads.size() << " vertices, rebuilt " << rebuilt.Lines.size() << "/"
           << rebuilt.Triangles.size() << "/" << rebuilt.Quads.size();
}

class SceneCache : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        auto map = LoadCity(VELL_MAPS_DIR "/demo.vl");
        ASSERT_TRUE(map);
        City = new TRunningCity(std::move(map));
        City->RunAhead(200000);
        for (int s = 0; s < 4000; ++s)
            City->World->WorldStep();
    }
    static void TearDownTestSuite() {
        delete City;
        City = nullptr;
    }

    // The eye in the cabs of the first active trams, looking ahead and to the side.
    static std::vector<TSceneView> Eyes() {
        std::vector<TSceneView> eyes;
        const TWorld& world = *City->World;
        for (int k = 0; k < world.VellCount && eyes.size() < 8; ++k) {
            if (!world.VellTable[k]->Active) continue;
            TSceneView view;
            PutEyeOnTram(*world.VellTable[k], eyes.size() % 3 == 2 ? 0.7 : 0, view);
            view.DayLight = eyes.size() % 2 ? 0.55 : 1.0;
            eyes.push_back(view);
        }
        return eyes;
    }
    static void Far(TSceneView& view) {
        view.ViewDistWall = view.ViewDistTree = view.ViewDistVell = 2000;
    }

    static TRunningCity* City;
};

TRunningCity* SceneCache::City = nullptr;

TEST_F(SceneCache, CachedListsAreTheRebuiltListsToTheBit) {
    const std::vector<TSceneView> eyes = Eyes();
    ASSERT_GE(eyes.size(), 4u);
    TSceneLists cached;
    TSceneVertexLists rebuilt;
    int builtInFirstRound = 0;
    // Twice round, so that the second round draws only from the cache, at another light.
    for (int round = 0; round < 2; ++round) {
        for (TSceneView view : eyes) {
            for (const bool far : {false, true}) {
                if (far) Far(view);
                if (round == 1) view.DayLight = 1.1 - view.DayLight;
                const std::uint32_t state = City->Random.GetState();
                BuildScene(*City->Map, *City->World, City->Random, view, cached);
                EXPECT_EQ(City->Random.GetState(), state);
                BuildSceneUncached(*City->Map, *City->World, City->Random, view, rebuilt);
                EXPECT_TRUE(SameLists(cached, rebuilt)) << "round " << round << ", far " << far;
                EXPECT_FALSE(rebuilt.Triangles.empty());
            }
        }
        if (round == 0) builtInFirstRound = cached.Cache.Built;
    }
    // The map did not change: each rail and row of trees was built once.
    EXPECT_GT(builtInFirstRound, 0);
    EXPECT_EQ(cached.Cache.Built, builtInFirstRound);
}

TEST_F(SceneCache, AChangedMapOrDistanceBuildsAgainWhatChanged) {
    TSceneView view = Eyes().front();
    TSceneLists cached;
    TSceneVertexLists rebuilt;
    const auto frame = [&](const TMap& map, const TWorld& world) {
        BuildScene(map, world, City->Random, view, cached);
        BuildSceneUncached(map, world, City->Random, view, rebuilt);
        return SameLists(cached, rebuilt);
    };
    EXPECT_TRUE(frame(*City->Map, *City->World));
    const int near = cached.Cache.Built;
    EXPECT_GT(near, 0);

    // Longer distances bring in rails and trees never built before, once.
    Far(view);
    EXPECT_TRUE(frame(*City->Map, *City->World));
    const int far = cached.Cache.Built;
    EXPECT_GT(far, near);
    EXPECT_TRUE(frame(*City->Map, *City->World));
    EXPECT_EQ(cached.Cache.Built, far);

    // A row of trees in view with another colour grows other trees: that row is built again.
    TMap& map = *City->Map;
    int row = -1;
    for (int i = 0; i < map.ObjectCount() && row < 0; ++i)
        if (map.Objects[std::size_t(i)].Kind() == Trees) row = i;
    ASSERT_GE(row, 0);
    const TMapObject before = map.Objects[std::size_t(row)];
    view.CamX = (before.X1 + before.X2) / 2.0;
    view.CamY = (before.Y1 + before.Y2) / 2.0 + 30;
    view.CamHeading = 0; // looking north at it
    EXPECT_TRUE(frame(map, *City->World));
    int built = cached.Cache.Built;
    map.Objects[std::size_t(row)].Red ^= 0x55;
    const bool changedSame = frame(map, *City->World);
    map.Objects[std::size_t(row)] = before;
    EXPECT_TRUE(changedSame);
    EXPECT_EQ(cached.Cache.Built, built + 1);
    EXPECT_TRUE(frame(map, *City->World));
    EXPECT_EQ(cached.Cache.Built, built + 2);

    // So is a rail in view whose successor changes: its joint is another curve.
    int rail = -1;
    for (int i = 0; i < map.ObjectCount() && rail < 0; ++i)
        if (map.Objects[std::size_t(i)].Kind() == Rail && map.Link(i)) rail = i;
    ASSERT_GE(rail, 0);
    const TMapObject& r = map.Objects[std::size_t(rail)];
    view.CamX = (r.X1 + r.X2) / 2.0;
    view.CamY = (r.Y1 + r.Y2) / 2.0;
    EXPECT_TRUE(frame(map, *City->World));
    built = cached.Cache.Built;
    const TLinkRec saved = *map.Links[std::size_t(rail)];
    map.Links[std::size_t(rail)]->Next = {NoObject, NoObject};
    const bool unlinkedSame = frame(map, *City->World);
    *map.Links[std::size_t(rail)] = saved;
    EXPECT_TRUE(unlinkedSame);
    EXPECT_EQ(cached.Cache.Built, built + 1);

    // Another map in the same lists: its own shapes, none of the old.
    auto ringMap = LoadCity(VELL_MAPS_DIR "/ring.vl");
    ASSERT_TRUE(ringMap);
    TRunningCity ring(std::move(ringMap));
    view.CamX = ring.Map->Objects[0].X1;
    view.CamY = ring.Map->Objects[0].Y1;
    built = cached.Cache.Built;
    EXPECT_TRUE(frame(*ring.Map, *ring.World));
    EXPECT_FALSE(rebuilt.Lines.empty());
    EXPECT_GT(cached.Cache.Built, built);
}

TEST_F(SceneCache, CachedFramesHaveTheRebuiltFramesPixels) {
    TOffscreenGL gl(Width, Height);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    SetUpCabContext(Width, Height, Height / 400.0f);
    TSceneLists cached, rebuilt;
    int differing = 0, frames = 0, culled = 0;
    for (int round = 0; round < 2; ++round) {
        for (TSceneView view : Eyes()) {
            for (const bool far : {false, true}) {
                if (far) Far(view);
                DrawCabFrame(*City->Map, *City->World, City->Random, view, cached, true);
                const QImage fromCache = gl.Grab();
                DrawCabFrame(*City->Map, *City->World, City->Random, view, rebuilt, false);
                const QImage whole = gl.Grab();
                ++frames;
                if (fromCache != whole) ++differing;
                // The trees come by index, fewer of them when some were beside the picture.
                EXPECT_TRUE(cached.Triangles.empty());
                if (far) {
                    EXPECT_FALSE(cached.IndexedTriangles.empty());
                }
                if (cached.IndexedTriangles.size() < rebuilt.Triangles.size()) ++culled;
                // Something of the city is in every frame.
                EXPECT_FALSE(rebuilt.Triangles.empty() && rebuilt.Quads.empty());
            }
        }
    }
    EXPECT_EQ(differing, 0) << "of " << frames << " frames";
    // Trees beside the picture were left out, and that changed nothing.
    EXPECT_GT(culled, frames / 2);
}

} // namespace
} // namespace vell::test
