// Choosing the imported square. The track is cut into pieces of at most 50 m, each counted at
// its middle. A coarse pass over 1 km cells finds the best 10 km window anywhere (a country's
// extract too); a fine pass over 100 m cells, around that window and in a projection centred
// on it, places the square. Lengths are summed in whole centimetres, so that equal squares
// compare equal whatever the order of the sums.
#include "import/TrackSquare.h"

#include "import/OsmRead.h"
#include "model/Texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vell::import {

namespace {

constexpr double LongestSegment = 10000;
constexpr double PieceLength = 50;
constexpr double CoarseCell = 1000;
constexpr long long CoarseWindow = 10; // cells a side
constexpr double FineCell = 100;
constexpr int FineWindow = 100;
constexpr int FineRegion = 300; // cells a side: the window may move 10 km each way

double Distance(TGeoPoint a, TGeoPoint b) {
    const TPointM q = TProjection(a).ToMap(b);
    return std::hypot(q.X - MapCentre, q.Y - MapCentre);
}

// Calls f(a, b, length) for each segment of track between two usable located nodes.
template <class F> void ForEachSegment(const TOsmExtract& extract, F&& f) {
    for (const TOsmTrack& track : extract.Tracks)
        for (std::size_t k = 1; k < track.Nodes.size(); ++k) {
            const auto a = extract.Locations.find(track.Nodes[k - 1]);
            const auto b = extract.Locations.find(track.Nodes[k]);
            if (a == extract.Locations.end() || b == extract.Locations.end()) continue;
            if (!IsUsableLocation(a->second) || !IsUsableLocation(b->second)) continue;
            const double length = Distance(a->second, b->second);
            if (length > 0 && length <= LongestSegment) f(a->second, b->second, length);
        }
}

struct TPiece {
    TGeoPoint At;
    long long Centimetres = 0;
};

std::vector<TPiece> PiecesOfTrack(const TOsmExtract& extract) {
    std::vector<TPiece> pieces;
    ForEachSegment(extract, [&](TGeoPoint a, TGeoPoint b, double length) {
        const int count = std::max(1, static_cast<int>(std::ceil(length / PieceLength)));
        const long long centimetres = std::llround(length * 100 / count);
        double dLon = b.Lon - a.Lon;
        if (dLon > 180) dLon -= 360;
        if (dLon < -180) dLon += 360;
        for (int i = 0; i < count; ++i) {
            const double t = (i + 0.5) / count;
            pieces.push_back({{a.Lat + (b.Lat - a.Lat) * t, a.Lon + dLon * t}, centimetres});
        }
    });
    return pieces;
}

struct TAnchor {
    long long X = 0, Y = 0;
};

// Of windows that hold equally much, the one nearest the middle of them all (the whole network
// centred when it is smaller than the square); then the northern-, then the western-most.
TAnchor NearestToMiddle(const std::vector<TAnchor>& anchors) {
    long long sumX = 0, sumY = 0;
    for (const TAnchor& a : anchors) {
        sumX += a.X;
        sumY += a.Y;
    }
    const auto n = static_cast<long long>(anchors.size());
    // Squared distances to the middle, times n², in whole numbers.
    auto distance = [&](const TAnchor& a) {
        const long long dx = a.X * n - sumX, dy = a.Y * n - sumY;
        return static_cast<double>(dx) * static_cast<double>(dx) +
               static_cast<double>(dy) * static_cast<double>(dy);
    };
    TAnchor best = anchors.front();
    for (const TAnchor& a : anchors) {
        const double da = distance(a), db = distance(best);
        if (da < db || (da == db && (a.Y < best.Y || (a.Y == best.Y && a.X < best.X)))) best = a;
    }
    return best;
}

struct TCellKeyHash {
    std::size_t operator()(const std::pair<long long, long long>& key) const {
        return std::hash<long long>()(key.first * 1000003 + key.second);
    }
};
using TCellSums = std::unordered_map<std::pair<long long, long long>, long long, TCellKeyHash>;

// The centre of the best window of 10 x 10 cells of 1 km, by sliding sums over the cells that
// hold track: a row's windows first, then a column of those.
TGeoPoint CoarseCentre(const std::vector<TPiece>& pieces) {
    double lat = 0, lon = 0, weight = 0;
    for (const TPiece& piece : pieces) {
        lat += piece.At.Lat * static_cast<double>(piece.Centimetres);
        lon += piece.At.Lon * static_cast<double>(piece.Centimetres);
        weight += static_cast<double>(piece.Centimetres);
    }
    const TProjection projection({lat / weight, lon / weight});
    TCellSums cells, rows, windows;
    for (const TPiece& piece : pieces) {
        const TPointM q = projection.ToMap(piece.At);
        cells[{static_cast<long long>(std::floor(q.X / CoarseCell)),
               static_cast<long long>(std::floor(q.Y / CoarseCell))}] += piece.Centimetres;
    }
    for (const auto& [cell, length] : cells)
        for (long long x = cell.first - CoarseWindow + 1; x <= cell.first; ++x)
            rows[{x, cell.second}] += length;
    for (const auto& [row, length] : rows)
        for (long long y = row.second - CoarseWindow + 1; y <= row.second; ++y)
            windows[{row.first, y}] += length;
    long long most = 0;
    for (const auto& [window, length] : windows)
        most = std::max(most, length);
    std::vector<TAnchor> best;
    for (const auto& [window, length] : windows)
        if (length == most) best.push_back({window.first, window.second});
    const TAnchor anchor = NearestToMiddle(best);
    const double half = CoarseWindow * CoarseCell / 2;
    return projection.ToGeo({static_cast<double>(anchor.X) * CoarseCell + half,
                             static_cast<double>(anchor.Y) * CoarseCell + half});
}

// The centre of the best window of 100 x 100 cells of 100 m within 15 km of `around`.
TGeoPoint FineCentre(const std::vector<TPiece>& pieces, TGeoPoint around) {
    const TProjection projection(around);
    const double origin = MapCentre - FineRegion * FineCell / 2;
    const int side = FineRegion + 1;
    // Sums of the cells above and left of each corner.
    std::vector<long long> corner(static_cast<std::size_t>(side) * side, 0);
    auto at = [&](int x, int y) -> long long& {
        return corner[static_cast<std::size_t>(y) * side + static_cast<std::size_t>(x)];
    };
    for (const TPiece& piece : pieces) {
        const TPointM q = projection.ToMap(piece.At);
        const double x = std::floor((q.X - origin) / FineCell);
        const double y = std::floor((q.Y - origin) / FineCell);
        if (x >= 0 && x < FineRegion && y >= 0 && y < FineRegion)
            at(static_cast<int>(x) + 1, static_cast<int>(y) + 1) += piece.Centimetres;
    }
    for (int y = 1; y < side; ++y)
        for (int x = 1; x < side; ++x)
            at(x, y) += at(x - 1, y) + at(x, y - 1) - at(x - 1, y - 1);
    long long most = -1;
    std::vector<TAnchor> best;
    for (int y = 0; y + FineWindow < side; ++y)
        for (int x = 0; x + FineWindow < side; ++x) {
            const long long length = at(x + FineWindow, y + FineWindow) - at(x, y + FineWindow) -
                                     at(x + FineWindow, y) + at(x, y);
            if (length > most) {
                most = length;
                best.clear();
            }
            if (length == most) best.push_back({x, y});
        }
    const TAnchor anchor = NearestToMiddle(best);
    const double half = FineWindow * FineCell / 2;
    return projection.ToGeo({origin + static_cast<double>(anchor.X) * FineCell + half,
                             origin + static_cast<double>(anchor.Y) * FineCell + half});
}

// The part of the segment a-b inside the square, as a fraction of it (Liang and Barsky's
// clipping).
double FractionInSquare(TPointM a, TPointM b) {
    const double low = MapCentre - SquareSide / 2, high = MapCentre + SquareSide / 2;
    double enter = 0, leave = 1;
    const double d[2] = {b.X - a.X, b.Y - a.Y};
    const double start[2] = {a.X, a.Y};
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0) {
            if (start[axis] < low || start[axis] > high) return 0;
            continue;
        }
        double t0 = (low - start[axis]) / d[axis], t1 = (high - start[axis]) / d[axis];
        if (t0 > t1) std::swap(t0, t1);
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
    }
    return leave > enter ? leave - enter : 0;
}

} // namespace

bool IsUsableLocation(TGeoPoint p) {
    return std::isfinite(p.Lat) && std::isfinite(p.Lon) && std::abs(p.Lat) <= 85 &&
           std::abs(p.Lon) <= 180;
}

double TrackLength(const TOsmExtract& extract) {
    double total = 0;
    ForEachSegment(extract, [&](TGeoPoint, TGeoPoint, double length) { total += length; });
    return total;
}

double TrackLengthInSquare(const TOsmExtract& extract, const TProjection& projection) {
    double total = 0;
    ForEachSegment(extract, [&](TGeoPoint a, TGeoPoint b, double) {
        const TPointM p = projection.ToMap(a), q = projection.ToMap(b);
        total += std::hypot(q.X - p.X, q.Y - p.Y) * FractionInSquare(p, q);
    });
    return total;
}

TGeoPoint DensestTrackSquare(const TOsmExtract& extract) {
    const std::vector<TPiece> pieces = PiecesOfTrack(extract);
    // Pieces under half a centimetre weigh nothing: a track of only such pieces has no centre.
    const bool weighs = std::any_of(pieces.begin(), pieces.end(),
                                    [](const TPiece& piece) { return piece.Centimetres > 0; });
    if (!weighs)
        throw TReadError(translate("Import", "У трамвайных путей выписки нет ни одного участка "
                                             "с допустимыми координатами."));
    return FineCentre(pieces, CoarseCentre(pieces));
}

bool ParseCentre(std::string_view text, TGeoPoint& centre) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) return false;
    auto number = [](std::string_view part, double& value) {
        const auto [rest, error] = std::from_chars(part.data(), part.data() + part.size(), value,
                                                   std::chars_format::fixed);
        return error == std::errc() && rest == part.data() + part.size();
    };
    TGeoPoint point;
    if (!number(text.substr(0, comma), point.Lat) || !number(text.substr(comma + 1), point.Lon))
        return false;
    if (!IsUsableLocation(point)) return false;
    centre = point;
    return true;
}

TGeoPoint SquareCentre(const TOsmExtract& extract, const std::optional<TGeoPoint>& asked) {
    return asked ? *asked : DensestTrackSquare(extract);
}

} // namespace vell::import
