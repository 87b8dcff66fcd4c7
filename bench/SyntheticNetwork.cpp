// The made-up network: tracks as functions of their street's coordinate, nodes placed along them,
// ways cut where curves leave them and between crossings, relations over the ways.
#include "bench/SyntheticNetwork.h"

#include <osmium/io/any_input.hpp>
#include <osmium/io/any_output.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace vell::bench {

namespace {

constexpr double HalfGap = 1.6; // the two tracks of a street are 3.2 m apart
constexpr double Radius = 20;   // of the curves between streets

struct TPoint {
    double X, Y; // metres, X east, Y south
};

struct TMark {
    long Node;
    bool Cut = false; // a way ends here (a curve leaves or joins)
    bool Stop = false;
};

// A track along a street: across = Base + swing(along), driven towards growing `along` or not.
struct TTrack {
    bool EastWest;
    double Base;
    bool Rising;
    std::map<double, TMark> Marks; // by `along`
    std::vector<int> Ways;         // in driving order
    std::vector<double> WayStart, WayEnd;
};

struct TWay {
    std::vector<long> Nodes; // in driving order
    std::vector<long> Stops;
};

class TMaker {
  public:
    explicit TMaker(const TSyntheticNetwork& n) : N(n), First(-(n.Streets - 1) * n.Spacing / 2) {}

    std::string Make() {
        for (int s = 0; s < N.Streets; ++s) {
            const double p = First + s * N.Spacing;
            Tracks.push_back({true, p + HalfGap, true, {}, {}, {}, {}});   // eastbound
            Tracks.push_back({true, p - HalfGap, false, {}, {}, {}, {}});  // westbound
            Tracks.push_back({false, p - HalfGap, true, {}, {}, {}, {}});  // southbound
            Tracks.push_back({false, p + HalfGap, false, {}, {}, {}, {}}); // northbound
        }
        for (TTrack& h : Tracks)
            for (TTrack& v : Tracks)
                if (h.EastWest && !v.EastWest) Cross(h, v);
        std::vector<std::pair<int, int>> turns; // street i east-west, street j north-south
        for (int i = 0; i < N.Streets; ++i)
            for (int j = 0; j < N.Streets; ++j)
                if ((i + j) % 2 == 0 && int(turns.size()) < N.TurningLines) turns.push_back({i, j});
        for (const auto& [i, j] : turns)
            Curves.push_back(MakeCurves(i, j));
        for (TTrack& t : Tracks)
            AddStops(t);
        for (TTrack& t : Tracks)
            MakeWays(t);
        return Write(turns);
    }

  private:
    double Swing(double along) const {
        const double s = std::sin(std::numbers::pi * (along - First) / N.Spacing);
        return N.Bend * s * s;
    }
    TPoint At(const TTrack& t, double along) const {
        const double across = t.Base + Swing(along);
        return t.EastWest ? TPoint{along, across} : TPoint{across, along};
    }
    long NewNode(TPoint p) {
        Points.push_back(p);
        return long(Points.size());
    }
    TTrack& Track(int street, bool eastWest, bool rising) {
        return Tracks[std::size_t(4 * street + (eastWest ? 0 : 2) + (rising ? 0 : 1))];
    }

    void Cross(TTrack& h, TTrack& v) {
        double x = v.Base, y = h.Base;
        for (int k = 0; k < 6; ++k) {
            y = h.Base + Swing(x);
            x = v.Base + Swing(y);
        }
        const long node = NewNode({x, y});
        h.Marks[x] = {node};
        v.Marks[y] = {node};
    }

    // The curves at the crossing of street i (east-west) with street j: right from eastbound
    // into southbound, left from northbound into westbound over the two other tracks.
    std::pair<int, int> MakeCurves(int i, int j) {
        const double py = First + i * N.Spacing, px = First + j * N.Spacing;
        TTrack &east = Track(i, true, true), &west = Track(i, true, false);
        TTrack &south = Track(j, false, true), &north = Track(j, false, false);
        const int right = Arc(east, px - HalfGap - Radius, south, py + HalfGap + Radius,
                              {px - HalfGap - Radius, py + HalfGap + Radius}, -90, 0, {});
        const int left =
            Arc(north, py - HalfGap + Radius, west, px + HalfGap - Radius,
                {px + HalfGap - Radius, py - HalfGap + Radius}, 0, -90, {&south, &east});
        return {right, left};
    }

    // A curve way from `from` at `fromAt` to `to` at `toAt` round `centre`, from angle a0 to a1
    // (degrees), with a shared node where it crosses each of `over`.
    int Arc(TTrack& from, double fromAt, TTrack& to, double toAt, TPoint centre, double a0,
            double a1, std::vector<TTrack*> over) {
        const long start = NewNode(At(from, fromAt));
        from.Marks[fromAt] = {start, true};
        const long end = NewNode(At(to, toAt));
        to.Marks[toAt] = {end, true};
        std::vector<TPoint> points;
        constexpr int Steps = 8;
        for (int k = 1; k < Steps; ++k) {
            const double a = (a0 + (a1 - a0) * k / Steps) * std::numbers::pi / 180;
            points.push_back({centre.X + Radius * std::cos(a), centre.Y + Radius * std::sin(a)});
        }
        TWay way;
        way.Nodes.push_back(start);
        TPoint last = At(from, fromAt);
        points.push_back(At(to, toAt));
        for (std::size_t k = 0; k < points.size(); ++k) {
            const TPoint p = points[k];
            for (TTrack* t : over) {
                // Where the segment last-p passes the track's line (straight this near).
                const double a = t->EastWest ? last.Y : last.X, b = t->EastWest ? p.Y : p.X;
                if ((a - t->Base) * (b - t->Base) >= 0) continue;
                const double f = (t->Base - a) / (b - a);
                const TPoint c{last.X + f * (p.X - last.X), last.Y + f * (p.Y - last.Y)};
                const long node = NewNode(c);
                t->Marks[t->EastWest ? c.X : c.Y] = {node};
                way.Nodes.push_back(node);
            }
            way.Nodes.push_back(k + 1 < points.size() ? NewNode(p) : end);
            last = p;
        }
        Ways.push_back(std::move(way));
        return int(Ways.size()) - 1;
    }

    void AddStops(TTrack& t) {
        const double half = N.Length / 2;
        for (double along = -half + N.StopStep / 2; along < half; along += N.StopStep) {
            auto next = t.Marks.lower_bound(along - 30);
            if (next != t.Marks.end() && next->first < along + 30) continue;
            t.Marks[along] = {NewNode(At(t, along)), false, true};
        }
    }

    // Nodes every NodeStep between the marks, ways cut at the curves' ends and halfway between
    // crossings.
    void MakeWays(TTrack& t) {
        const double half = N.Length / 2;
        for (int s = 0; s + 1 < N.Streets; ++s) {
            const double along = First + (s + 0.5) * N.Spacing;
            if (!t.Marks.count(along)) t.Marks[along] = {NewNode(At(t, along)), true};
        }
        std::vector<std::pair<double, TMark>> all(t.Marks.begin(), t.Marks.end());
        std::map<double, TMark> plain;
        for (double along = -half; along <= half + 1e-9; along += N.NodeStep) {
            auto near = t.Marks.lower_bound(along - 2);
            if (near != t.Marks.end() && near->first < along + 2) continue;
            plain[along] = {NewNode(At(t, along))};
        }
        all.insert(all.end(), plain.begin(), plain.end());
        std::sort(all.begin(), all.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        if (!t.Rising) std::reverse(all.begin(), all.end());
        TWay way;
        double start = all.front().first;
        for (std::size_t k = 0; k < all.size(); ++k) {
            const auto& [along, mark] = all[k];
            way.Nodes.push_back(mark.Node);
            if (mark.Stop) way.Stops.push_back(mark.Node);
            if ((mark.Cut && way.Nodes.size() > 1) || k + 1 == all.size()) {
                t.Ways.push_back(int(Ways.size()));
                t.WayStart.push_back(start);
                t.WayEnd.push_back(along);
                Ways.push_back(std::move(way));
                way = TWay{};
                way.Nodes.push_back(mark.Node);
                start = along;
            }
        }
    }

    // The ways of a track, in driving order, from `from` to `to` along it.
    std::vector<int> WaysBetween(const TTrack& t, double from, double to) const {
        std::vector<int> ways;
        for (std::size_t k = 0; k < t.Ways.size(); ++k) {
            const double lo = std::min(t.WayStart[k], t.WayEnd[k]),
                         hi = std::max(t.WayStart[k], t.WayEnd[k]);
            if (hi > std::min(from, to) + 1e-6 && lo < std::max(from, to) - 1e-6)
                ways.push_back(t.Ways[k]);
        }
        return ways;
    }

    void Relation(std::string& out, int ref, const std::vector<int>& ways) {
        char head[160];
        std::snprintf(head, sizeof head, "  <relation id=\"%d\" version=\"1\">\n", ++Relations);
        out += head;
        for (int w : ways)
            for (long s : Ways[std::size_t(w)].Stops)
                out +=
                    "    <member type=\"node\" ref=\"" + std::to_string(s) + "\" role=\"stop\"/>\n";
        for (int w : ways)
            out += "    <member type=\"way\" ref=\"" + std::to_string(w + 1) + "\" role=\"\"/>\n";
        out += "    <tag k=\"type\" v=\"route\"/>\n    <tag k=\"route\" v=\"tram\"/>\n"
               "    <tag k=\"public_transport:version\" v=\"2\"/>\n";
        out += "    <tag k=\"ref\" v=\"" + std::to_string(ref) + "\"/>\n";
        out += "    <tag k=\"name\" v=\"Tram " + std::to_string(ref) + "\"/>\n  </relation>\n";
    }

    std::string Write(const std::vector<std::pair<int, int>>& turns) {
        std::string out = "<?xml version='1.0' encoding='UTF-8'?>\n"
                          "<osm version=\"0.6\" generator=\"vell synthetic network\">\n";
        std::vector<bool> stop(Points.size() + 1, false);
        for (const TWay& w : Ways)
            for (long s : w.Stops)
                stop[std::size_t(s)] = true;
        const double degreeY = 111320, degreeX = 111320 * std::cos(45 * std::numbers::pi / 180);
        char line[200];
        for (std::size_t k = 0; k < Points.size(); ++k) {
            const double lat = 45 - Points[k].Y / degreeY, lon = 9 + Points[k].X / degreeX;
            std::snprintf(line, sizeof line,
                          "  <node id=\"%zu\" version=\"1\" lat=\"%.7f\" lon=\"%.7f\"", k + 1, lat,
                          lon);
            out += line;
            if (!stop[k + 1]) {
                out += "/>\n";
                continue;
            }
            out += ">\n    <tag k=\"railway\" v=\"tram_stop\"/>\n"
                   "    <tag k=\"public_transport\" v=\"stop_position\"/>\n"
                   "    <tag k=\"tram\" v=\"yes\"/>\n";
            out += "    <tag k=\"name\" v=\"Stop " + std::to_string(k + 1) + "\"/>\n  </node>\n";
        }
        for (std::size_t w = 0; w < Ways.size(); ++w) {
            out += "  <way id=\"" + std::to_string(w + 1) + "\" version=\"1\">\n";
            for (long n : Ways[w].Nodes)
                out += "    <nd ref=\"" + std::to_string(n) + "\"/>\n";
            out += "    <tag k=\"railway\" v=\"tram\"/>\n  </way>\n";
        }
        int ref = 0;
        const double half = N.Length / 2;
        for (int s = 0; s < N.Streets; ++s)
            for (const bool eastWest : {true, false}) {
                const TTrack &there = Track(s, eastWest, true), &back = Track(s, eastWest, false);
                ++ref;
                Relation(out, ref, there.Ways);
                Relation(out, ref, back.Ways);
            }
        for (std::size_t k = 0; k < turns.size(); ++k) {
            const auto [i, j] = turns[k];
            const double py = First + i * N.Spacing, px = First + j * N.Spacing;
            ++ref;
            std::vector<int> there =
                WaysBetween(Track(i, true, true), -half, px - HalfGap - Radius);
            there.push_back(Curves[k].first);
            for (int w : WaysBetween(Track(j, false, true), py + HalfGap + Radius, half))
                there.push_back(w);
            Relation(out, ref, there);
            std::vector<int> back =
                WaysBetween(Track(j, false, false), py - HalfGap + Radius, half);
            back.push_back(Curves[k].second);
            for (int w : WaysBetween(Track(i, true, false), -half, px + HalfGap - Radius))
                back.push_back(w);
            Relation(out, ref, back);
        }
        out += "</osm>\n";
        return out;
    }

    const TSyntheticNetwork N;
    const double First; // the coordinate of the first street
    std::vector<TTrack> Tracks;
    std::vector<TPoint> Points; // node k + 1
    std::vector<TWay> Ways;     // way k + 1
    std::vector<std::pair<int, int>> Curves;
    int Relations = 0;
};

} // namespace

std::string SyntheticNetworkOsm(const TSyntheticNetwork& network) {
    return TMaker(network).Make();
}

void WriteSyntheticNetwork(const std::string& path, const TSyntheticNetwork& network) {
    const std::string xml = SyntheticNetworkOsm(network);
    if (!path.ends_with(".pbf")) {
        std::ofstream out(path, std::ios::binary);
        out << xml;
        out.close();
        if (!out) throw std::runtime_error("cannot write " + path);
        return;
    }
    osmium::io::Reader reader{osmium::io::File{xml.data(), xml.size(), "osm"}};
    osmium::io::Writer writer{path, osmium::io::overwrite::allow};
    while (osmium::memory::Buffer buffer = reader.read())
        writer(std::move(buffer));
    writer.close();
    reader.close();
}

} // namespace vell::bench
