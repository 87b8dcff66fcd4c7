// Helpers for the scene tests.
#include "tests/cab/scene/SceneTestSupport.h"

#include <cmath>
#include <stdexcept>

namespace vell::test {

bool Near(const TSceneVertex& v, const TGLPoint& p, double tolerance) {
    return std::fabs(v.X - p.X) <= tolerance && std::fabs(v.Y - p.Y) <= tolerance &&
           std::fabs(v.Z - p.Z) <= tolerance;
}

int FindPrimitive(const std::vector<TSceneVertex>& list, int size,
                  const std::vector<TGLPoint>& corners, double tolerance) {
    const int count = int(list.size()) / size;
    for (int k = 0; k < count; ++k) {
        bool same = true;
        for (int c = 0; c < size && same; ++c)
            same = Near(list[k * size + c], corners[c], tolerance);
        if (!same && size == 2)
            same = Near(list[k * 2], corners[1], tolerance) &&
                   Near(list[k * 2 + 1], corners[0], tolerance);
        if (same) return k;
    }
    return -1;
}

std::array<float, 3> PrimitiveColour(const std::vector<TSceneVertex>& list, int size, int index) {
    const TSceneVertex& first = list.at(std::size_t(index) * size);
    for (int c = 1; c < size; ++c) {
        const TSceneVertex& v = list.at(std::size_t(index) * size + c);
        if (v.R != first.R || v.G != first.G || v.B != first.B)
            throw std::logic_error("a primitive of more than one colour");
    }
    return {first.R, first.G, first.B};
}

TSceneFixture::TSceneFixture() : Map(std::make_unique<TMap>()) {
    View.CamX = 1000;
    View.CamY = 1000;
    View.CamHeading = 0; // looking north on the plan: towards smaller y
    View.DayLight = 1;
}

void TSceneFixture::Build() {
    if (!World) World = std::make_unique<TWorld>(*Map, Random);
    BuildScene(*Map, *World, Random, View, Lists);
}

void TSceneFixture::Link(int from, int next0, int next1) {
    if (int(Map->Links.size()) < Map->ObjectCount()) Map->Links.resize(Map->ObjectCount());
    TLinkRec link;
    link.Next = {std::uint16_t(next0), std::uint16_t(next1)};
    Map->Links[from] = link;
}

} // namespace vell::test
