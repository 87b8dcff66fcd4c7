// The words for jams and deadlocks, shared by VellSim and the top view so that both say the
// same: UTF-8 lines without a line break.
#pragma once

#include "model/Map.h"
#include "sim/Jams.h"

#include <string>

namespace vell {

// Minutes of `steps` world steps with one decimal and a point ("12.5").
std::string StepsAsMinutes(long long steps);
// "поезд 13, маршрут 6: путь 25159 (5100, 6143.5), с 10.2 мин, ждёт поезд 20"; "ждёт: никто"
// when no tram holds the rail; the minute is left out when unknown.
std::string BlockedTramLine(const TMap& map, const TBlockedTram& tram);
// "поезд 13, маршрут 6: путь 25159 (5100, 6143.5), с 10.2 мин стоял 7.5 мин, ждал поезд 20"
// (a stand still going on: "стоит", "ждёт").
std::string EpisodeLine(const TMap& map, const TJamEpisode& episode);
// "с 10.0 мин: поезд 13 (маршрут 6, путь 25159) → поезд 20 (маршрут 2, путь 25154) → поезд 13"
std::string DeadlockLine(const TDeadlock& deadlock);
// The blocked trams and deadlocks of `picture` under two headings, lines ending in `newline`.
std::string JamPictureText(const TMap& map, const TJamPicture& picture, const std::string& newline);

} // namespace vell
