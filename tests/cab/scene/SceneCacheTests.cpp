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
    }
    // The map did not change: its rails and trees were built once.
    EXPECT_EQ(cached.Cache.Builds, 1);
}

TEST_F(SceneCache, AChangedMapOrDistanceDrawsWhatARebuildDraws) {
    TSceneView view = Eyes().front();
    TSceneLists cached;
    TSceneVertexLists rebuilt;
    BuildScene(*City->Map, *City->World, City->Random, view, cached);
    EXPECT_EQ(cached.Cache.Builds, 1);

    // Longer distances bring in rails and trees never built before.
    Far(view);
    BuildScene(*City->Map, *City->World, City->Random, view, cached);
    BuildSceneUncached(*City->Map, *City->World, City->Random, view, rebuilt);
    EXPECT_TRUE(SameLists(cached, rebuilt));
    EXPECT_EQ(cached.Cache.Builds, 1);

    // A row of trees in view with another colour grows other trees: the cache starts again.
    TMap& map = *City->Map;
    int row = -1;
    for (int i = 0; i < map.ObjectCount() && row < 0; ++i)
        if (map.Objects[i].Kind() == Trees) row = i;
    ASSERT_GE(row, 0);
    const TMapObject before = map.Objects[std::size_t(row)];
    map.Objects[std::size_t(row)].Red ^= 0x55;
    view.CamX = (before.X1 + before.X2) / 2.0;
    view.CamY = (before.Y1 + before.Y2) / 2.0 + 30;
    view.CamHeading = 0; // looking north at it
    BuildScene(map, *City->World, City->Random, view, cached);
    BuildSceneUncached(map, *City->World, City->Random, view, rebuilt);
    map.Objects[std::size_t(row)] = before;
    EXPECT_EQ(cached.Cache.Builds, 2);
    EXPECT_TRUE(SameLists(cached, rebuilt));
    BuildScene(map, *City->World, City->Random, view, cached);
    BuildSceneUncached(map, *City->World, City->Random, view, rebuilt);
    EXPECT_EQ(cached.Cache.Builds, 3);
    EXPECT_TRUE(SameLists(cached, rebuilt));

    // So does a rail whose successor changes: its joint is another curve.
    for (std::size_t i = 0; i < map.Links.size(); ++i) {
        if (!map.Links[i] || map.Links[i]->IsSwitch()) continue;
        const TLinkRec saved = *map.Links[i];
        map.Links[i]->Next = {NoObject, NoObject};
        BuildScene(map, *City->World, City->Random, view, cached);
        *map.Links[i] = saved;
        EXPECT_EQ(cached.Cache.Builds, 4);
        break;
    }
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
