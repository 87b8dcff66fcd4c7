// The rail network's fault report, and the speed and timetable figures of single rails.
#pragma once

#include "model/Map.h"

#include <string>
#include <vector>

namespace vell {

// Why a rail keeps the network from being sound.
enum TRailRule : unsigned {
    DeadEnd = 1u << 0,           // no successor
    TooManySuccessors = 1u << 1, // more than two
    TooManyNear = 1u << 2,       // more than six other rails within 4 m
    ShortStop = 1u << 3,         // a stop shorter than 25 m
};

struct TRailFault {
    int Index = 0;
    unsigned Rules = 0; // TRailRule bits
};

// Each rule with its name in VellSim's JSON and its words for a user (context "Network"), in the
// order they are listed: VellSim's check and the editor's checks say the same.
struct TRailRuleText {
    TRailRule Rule;
    const char* Identifier; // "dead_end"
    const char* Caption;    // "тупик: рельс никуда не ведёт", untranslated
};
extern const TRailRuleText RailRuleTexts[4];

// The rules in `rules` (TRailRule bits) in the program's language, joined by "; ".
std::string RailRulesText(unsigned rules);

// BuildNetwork that also lists every faulty rail, in index order, with the rules it breaks.
int BuildNetwork(TMap& map, std::vector<TRailFault>* faults);

// Speed limit of a built rail in km/h, from its grade, its bend into its successors and whether
// it is a switch or a junction; between 15 and the grade's base speed.
double SpeedLimit(const TMap& map, int rail);
// Scheduled running time over the rail in ticks, at 60 % of the limit (at most 30 km/h), with
// the stop's dwell.
double SegmentTime(const TMap& map, int rail);

} // namespace vell
