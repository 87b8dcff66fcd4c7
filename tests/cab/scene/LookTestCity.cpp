// The detailed look's test city.
#include "tests/cab/scene/LookTestCity.h"

#include "model/Links.h"
#include "tests/support/TestMaps.h"

namespace vell::test {

namespace {

void LinkRails(TMap& map, int from, int to) {
    if (int(map.Links.size()) < map.ObjectCount()) map.Links.resize(std::size_t(map.ObjectCount()));
    TLinkRec link;
    link.Next = {std::uint16_t(to), std::uint16_t(to)};
    map.Links[std::size_t(from)] = link;
}

std::vector<TLookPoint> Ring(std::initializer_list<std::array<float, 2>> points) {
    std::vector<TLookPoint> ring;
    for (const auto& p : points)
        ring.push_back({p[0], p[1]});
    return ring;
}

} // namespace

void AddLookBuilding(TMap& map, TCityLook& look, TLookBuilding building,
                     const std::vector<std::array<int, 4>>& walls, bool onMap) {
    for (const auto& w : walls) {
        building.Walls.push_back(
            {std::int16_t(w[0]), std::int16_t(w[1]), std::int16_t(w[2]), std::int16_t(w[3])});
        if (onMap) AddObject(map, Wall, w[0], w[1], w[2], w[3]);
    }
    look.Buildings.push_back(std::move(building));
}

TLookTestCity::TLookTestCity() : Map(NewMap()) {
    TMap& map = *Map;
    for (int k = 0; k < 4; ++k)
        Rails.push_back(AddRail(map, 100 + 200 * k, 500, 300 + 200 * k, 500));
    Rails.push_back(AddRail(map, 900, 500, 1000, 600));
    Rails.push_back(AddRail(map, 1000, 600, 1000, 800));
    for (std::size_t k = 0; k + 1 < Rails.size(); ++k)
        LinkRails(map, Rails[k], Rails[k + 1]);

    TLookStreet main;
    main.Width = 14;
    main.Line = {{50, 500}, {400, 500}, {700, 500}};
    TLookStreet side;
    side.Width = 10;
    side.Line = {{400, 300}, {400, 700}};
    TLookStreet lane;
    lane.Kind = TStreetKind::Pedestrian;
    lane.Width = 6;
    lane.Pavements = false;
    lane.Line = {{150, 600}, {350, 600}};
    Look.Streets = {main, side, lane};
    Look.Areas.push_back({TAreaKind::Water, Ring({{0, 200}, {1000, 200}, {1000, 300}, {0, 300}})});
    Look.Areas.push_back({TAreaKind::Park, Ring({{750, 420}, {940, 420}, {940, 650}, {750, 650}})});
    // A square with a bite out of it: not convex.
    Look.Areas.push_back(
        {TAreaKind::Square,
         Ring({{450, 550}, {550, 550}, {550, 650}, {500, 650}, {500, 600}, {450, 600}})});

    TLookBuilding gabled;
    gabled.Outline = Ring({{100, 460}, {130, 460}, {130, 485}, {100, 485}});
    gabled.Height = 14;
    gabled.RoofHeight = 4;
    gabled.Levels = 4;
    gabled.Roof = TRoofShape::Gabled;
    gabled.Use = TBuildingUse::Shops;
    gabled.WallColour = {220, 200, 160};
    Gabled = int(Look.Buildings.size());
    AddLookBuilding(
        map, Look, gabled,
        {{100, 460, 130, 460}, {130, 460, 130, 485}, {130, 485, 100, 485}, {100, 485, 100, 460}});

    TLookBuilding flat;
    flat.Outline = Ring({{200, 515}, {240, 515}, {240, 530}, {220, 530}, {220, 545}, {200, 545}});
    flat.Height = 9;
    flat.Levels = 3;
    flat.RoofColour = {90, 90, 95};
    Flat = int(Look.Buildings.size());
    AddLookBuilding(map, Look, flat,
                    {{200, 515, 240, 515},
                     {240, 515, 240, 530},
                     {240, 530, 220, 530},
                     {220, 530, 220, 545},
                     {220, 545, 200, 545},
                     {200, 545, 200, 515}});

    // Over the track, the walls across it cut 2 m short of its centre line on either side.
    TLookBuilding low;
    low.Outline = Ring({{600, 490}, {620, 490}, {620, 510}, {600, 510}});
    low.Height = 3;
    low.Levels = 1;
    LowOverTrack = int(Look.Buildings.size());
    AddLookBuilding(map, Look, low,
                    {{600, 490, 620, 490},
                     {620, 490, 620, 498},
                     {620, 502, 620, 510},
                     {620, 510, 600, 510},
                     {600, 510, 600, 502},
                     {600, 498, 600, 490}});
    TLookBuilding high;
    high.Outline = Ring({{300, 488}, {340, 488}, {340, 512}, {300, 512}});
    high.Height = 12;
    high.Levels = 4;
    high.Roof = TRoofShape::Hipped;
    high.RoofHeight = 3;
    HighOverTrack = int(Look.Buildings.size());
    AddLookBuilding(map, Look, high,
                    {{300, 488, 340, 488},
                     {340, 488, 340, 498},
                     {340, 502, 340, 512},
                     {340, 512, 300, 512},
                     {300, 512, 300, 502},
                     {300, 498, 300, 488}});

    TLookBuilding unmatched;
    unmatched.Outline = Ring({{700, 440}, {720, 440}, {720, 460}, {700, 460}});
    unmatched.Height = 30;
    Unmatched = int(Look.Buildings.size());
    AddLookBuilding(map, Look, unmatched,
                    {{700, 440, 720, 440}, {720, 440, 720, 460}, {720, 460, 700, 460}});
    Look.Buildings.back().Walls.push_back({700, 460, 700, 441}); // no such wall on the map

    LoneWall = AddObject(map, HighWall, 800, 700, 850, 700);
    map.Objects[std::size_t(LoneWall)].Red = 150;
    map.Objects[std::size_t(LoneWall)].Green = 120;
    map.Objects[std::size_t(LoneWall)].Blue = 100;
}

} // namespace vell::test
