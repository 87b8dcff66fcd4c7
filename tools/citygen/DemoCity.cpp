// The demo city: a town of about 3.6 by 3.2 km around the default view (4800, 4800), with a
// river, a railway and its station, and a tram network of nine lines, four junctions, a
// crossing in the centre, six termini with turning loops and twelve routes.
#include "tools/citygen/Cities.h"

namespace vell::citygen {

namespace {

// Streets every 150 m: x = 3300, 3450, ..., 6900 and y = 3450, 3600, ..., 6600. Each letter is
// the block between four streets (see TTownPlan), west to east and north to south.
TTownPlan Town() {
    TTownPlan town;
    town.Left = 3300;
    town.Top = 3450;
    town.Block = 150;
    town.Blocks = {
        "..HHHHHHHHHGHHHHHHIIII..", // 3450  Северный посёлок, the loop of Север; a depot
        ".HHHHHHHHPPPPPPHHHIIII..", // 3600
        "========================", // 3750  the railway on its embankment
        ".HHHHSPPPPPPPPPPMMMMMH..", // 3900  the station square inside the loop of Вокзал
        "HHHHPPPPPPPPPPPPMMMMMHH.", // 4050  new flats in the north-east
        "HHHPPPPPPPPPPPPPMMMMMHHH", // 4200
        "HHMMPPPPPPPPPPPPPPMMMMHH", // 4350
        "HHMMPPPGGPPTTPPPPPMMMMHH", // 4500  Городской сад; the tall centre
        "HPPPPPPGGPPTTPPPPPMMMMPH", // 4650
        "HPPPPPPPPPTTTTPPPPPPPPPG", // 4800  the loop of Восток
        "GPPPPPPPPPTTTTPPPPPPPPPH", // 4950  the loop of Запад; Проспект Мира above this row
        "HHPPPPPPPPPTTPPPPPPMMMHH", // 5100
        "HHGGGPPPPPPPPPPPPPGGGHHH", // 5250  the embankment gardens
        "~~~~~~~~~~~~~~~~~~~~~~~~", // 5400  the river
        "HHGGPPPPPPPPGGGPPPPPPHHH", // 5550
        "HHHMMMMMPPPPPPPPPPPPPHHH", // 5700  flats in the south-west
        ".HHMMMMMPPPPPPPPPPPPPPHG", // 5850  the loop of Заречье
        ".HHMMMMMPPPPPPPPIIIIIHH.", // 6000  Заводская улица above this row, the works below
        "..HHMMMMPPPPPPPPIIIIIHH.", // 6150
        "..HHHHHHHPPPPHHHIIIIHH..", // 6300
        "...HHHHHHHHHGHHHHHHH....", // 6450  the loop of Юг
    };
    town.AvenuesX = {4200, 5100, 6000};
    town.AvenuesY = {4950, 6000};
    town.BridgesX = {3750, 4350, 5100, 5700, 6000, 6450};
    town.UnderpassesX = {3900, 4650, 5100, 5550, 6150, 6600};
    town.Seed = 1917;
    return town;
}

TNetworkPlan Network() {
    using enum TNodeKind;
    TNetworkPlan net;
    // clang-format off
    net.Nodes = {
        {"Запад", Terminus, {3510, 4950}},   // the loop turns south around a garden
        {"Восток", Terminus, {6690, 4950}},  // north
        {"Север", Terminus, {5100, 3660}},   // west, beyond the railway
        {"Юг", Terminus, {5100, 6390}},      // east
        {"Вокзал", Terminus, {4200, 4110}},  // west, around the station square
        {"Заречье", Terminus, {6690, 6000}}, // north
        {"Кировская", Junction, {4200, 4950}},
        {"Центр", Crossing, {5100, 4950}},
        {"Рыночная", Junction, {6000, 4950}},
        {"Мостовая", Junction, {5100, 6000}},
        {"Заводская", Junction, {6000, 6000}},
    };
    const std::uint8_t poles = DoubleTrackPoles, lane = DoubleTrackLane, green = DoubleTrackGreen;
    // Stops (both tracks) at mid-block, well away from the junctions and the crossing, so that
    // a tram standing at one never holds the track over them. Most are of type 2: the
    // timetable allows 20 s there, and the waiting passengers count less, which keeps the
    // trams near their timetable; the last stop before a terminus is a plain one (type 1).
    net.Lines = {
        // Проспект Мира, west to east, through the crossing in the centre.
        {"Запад", "Кировская", {}, green, 170, {{{3675, 4950}}, {{3975, 4950}, 2}}},
        {"Кировская", "Рыночная", {}, lane, 120,
         {{{4425, 4950}, 2}, {{4875, 4950}, 2}, {{5325, 4950}, 2}, {{5775, 4950}, 2}}},
        {"Рыночная", "Восток", {}, green, 200, {{{6225, 4950}, 2}, {{6525, 4950}}}},
        // Садовая, north to south: under the railway, across the centre and the river.
        {"Север", "Мостовая", {}, poles, 150,
         {{{5100, 3975}}, {{5100, 4425}, 2}, {{5100, 4725}, 2}, {{5100, 5175}, 2},
          {{5100, 5625}, 2}}},
        {"Мостовая", "Юг", {}, poles, 140, {{{5100, 6225}}}},
        // Вокзальная: from Проспект Мира up to the station.
        {"Кировская", "Вокзал", {}, lane, 100, {{{4200, 4725}, 2}, {{4200, 4425}}}},
        // Рыночная: over the river to Заводская.
        {"Рыночная", "Заводская", {}, poles, 136, {{{6000, 5175}, 2}, {{6000, 5625}, 2}}},
        // Заводская улица, west to east past the works.
        {"Мостовая", "Заводская", {}, green, 180, {{{5325, 6000}, 2}, {{5625, 6000}, 2}}},
        {"Заводская", "Заречье", {}, poles, 160, {{{6225, 6000}, 2}, {{6525, 6000}}}},
    };
    // Name, the termini and the junctions on the way, cars, minutes between trams.
    net.Routes = {
        {"1", {"Запад", "Кировская", "Рыночная", "Восток"}, 2, 5},
        {"2", {"Север", "Мостовая", "Юг"}, 2, 6},
        {"3", {"Вокзал", "Кировская", "Рыночная", "Восток"}, 1, 7},
        {"3А", {"Вокзал", "Кировская", "Рыночная", "Заводская", "Заречье"}, 1, 9},
        {"4", {"Запад", "Кировская", "Вокзал"}, 1, 6},
        {"5", {"Север", "Мостовая", "Заводская", "Заречье"}, 3, 8},
        {"6", {"Юг", "Мостовая", "Заводская", "Заречье"}, 1, 7},
        {"7", {"Запад", "Кировская", "Рыночная", "Заводская", "Заречье"}, 2, 8},
        {"8", {"Восток", "Рыночная", "Заводская", "Мостовая", "Юг"}, 1, 9},
        {"10", {"Восток", "Рыночная", "Заводская", "Заречье"}, 1, 30},
        {"12", {"Запад", "Кировская", "Рыночная", "Заводская", "Мостовая", "Юг"}, 2, 9},
        {"15", {"Вокзал", "Кировская", "Рыночная", "Заводская", "Мостовая", "Юг"}, 1, 14},
    };
    // clang-format on
    return net;
}

} // namespace

const TTownPlan& DemoTownPlan() {
    static const TTownPlan town = Town();
    return town;
}

const TNetworkPlan& DemoNetworkPlan() {
    static const TNetworkPlan network = Network();
    return network;
}

TGeneratedCity MakeDemoCity() {
    return GenerateCity(DemoTownPlan(), DemoNetworkPlan(), 1961);
}

} // namespace vell::citygen
