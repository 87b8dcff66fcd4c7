// Double-track conversion.
#include "editor/ops/Conversion.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace vell {

namespace {

bool IsDoubleTrack(const TMapObject& o) {
    return o.Kind() >= DoubleTrack && o.Kind() <= DoubleTrackGreen;
}

TOffset Start(const TMapObject& o) {
    return {o.X1, o.Y1};
}
TOffset End(const TMapObject& o) {
    return {o.X2, o.Y2};
}
TOffset Minus(TOffset a, TOffset b) {
    return {a.X - b.X, a.Y - b.Y};
}
long long Dot(TOffset a, TOffset b) {
    return (long long)a.X * b.X + (long long)a.Y * b.Y;
}
long long Cross(TOffset a, TOffset b) {
    return (long long)a.X * b.Y - (long long)a.Y * b.X;
}

// Map coordinates are 16-bit: sums wrap as they do in the stored records.
std::int16_t At(int base, int k, int offset) {
    return std::int16_t(base + k * offset);
}

std::uint32_t PointKey(TOffset p) {
    return (std::uint32_t(std::uint16_t(p.X)) << 16) | std::uint16_t(p.Y);
}

// The double tracks that have an end at each point, to find neighbours without comparing
// every pair.
class TEndIndex {
  public:
    explicit TEndIndex(const std::vector<TMapObject>& objects) {
        for (std::size_t j = 0; j < objects.size(); ++j) {
            if (!IsDoubleTrack(objects[j])) continue;
            Ends[PointKey(Start(objects[j]))].push_back(int(j));
            if (End(objects[j]) != Start(objects[j]))
                Ends[PointKey(End(objects[j]))].push_back(int(j));
        }
    }
    // Double tracks with an end at p or q, in index order.
    std::vector<int> At(TOffset p, TOffset q) const {
        std::vector<int> found;
        for (TOffset point : {p, q})
            if (auto it = Ends.find(PointKey(point)); it != Ends.end())
                found.insert(found.end(), it->second.begin(), it->second.end());
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        return found;
    }

  private:
    std::unordered_map<std::uint32_t, std::vector<int>> Ends;
};

struct TNeighbours {
    int Prev, Next;
    TOffset PrevFar, NextFar;
};

// The double tracks that continue s at either end (less than a right angle away, drawn
// either way); where several meet, the highest index wins.
TNeighbours FindNeighbours(const std::vector<TMapObject>& objects, const TEndIndex& ends, int i) {
    const TMapObject& s = objects[i];
    const TOffset p1 = Start(s), p2 = End(s);
    TNeighbours n{i, i, p2, p1};
    for (int j : ends.At(p1, p2)) {
        if (j == i) continue;
        const TMapObject& q = objects[j];
        const TOffset q1 = Start(q), q2 = End(q);
        if (q1 == p1 && Dot(Minus(p1, p2), Minus(q2, q1)) > 0)
            n.Prev = j, n.PrevFar = q2;
        else if (q2 == p1 && Dot(Minus(p1, p2), Minus(q1, q2)) > 0)
            n.Prev = j, n.PrevFar = q1;
        else if (q1 == p2 && Dot(Minus(p2, p1), Minus(q2, q1)) > 0)
            n.Next = j, n.NextFar = q2;
        else if (q2 == p2 && Dot(Minus(p2, p1), Minus(q1, q2)) > 0)
            n.Next = j, n.NextFar = q1;
    }
    return n;
}

class TConverter {
  public:
    TConverter(TMap& map, std::uint8_t grade, TRandom& random)
        : Map(map), Grade(grade), Random(random) {}

    void Convert(int i, const TNeighbours& n) {
        const TMapObject s = Map.Objects[i]; // appending may move the objects
        const TOffset p1 = Start(s), p2 = End(s), d = Minus(p2, p1);
        TOffset o1 = ChooseOffset(p2, p1, n.PrevFar);
        TOffset o2 = ChooseOffset(n.NextFar, p2, p1);
        // Both offsets point to the right of the drawing direction on the plan (Y down).
        if (Cross(d, o1) < 0) o1 = {-o1.X, -o1.Y};
        if (Cross(d, o2) < 0) o2 = {-o2.X, -o2.Y};

        Line(Rail, p1, o1, 1, p2, o2, 1, {Grade, 0, 0});
        Line(Rail, p2, o2, -1, p1, o1, -1, {Grade, 0, 0});
        const int kind = s.Kind();
        if (kind >= DoubleTrackPoles) {
            const int k = kind == DoubleTrackGreen ? 4 : 3;
            if (n.Prev <= i) Poles(p1, o1, k);
            if (n.Next <= i) Poles(p2, o2, k);
        }
        if (kind == DoubleTrackLane) Sides(Border, p1, o1, p2, o2, 3, {136, 136, 136});
        if (kind == DoubleTrackGreen) {
            Sides(Border, p1, o1, p2, o2, 4, {0, 255, 0});
            Line(Trees, p1, o1, 3, p2, o2, 3, RandomColour());
            Line(Trees, p2, o2, -3, p1, o1, -3, RandomColour());
        }
    }

    bool Failed = false;

  private:
    struct TBytes {
        std::uint8_t A, B, C;
    };

    void Add(std::uint8_t kind, std::int16_t x1, std::int16_t y1, std::int16_t x2, std::int16_t y2,
             TBytes bytes) {
        TMapObject o;
        o.X1 = x1, o.Y1 = y1, o.X2 = x2, o.Y2 = y2;
        o.Red = bytes.A, o.Green = bytes.B, o.Blue = bytes.C;
        o.Flags = kind;
        if (!Map.AddObject(o)) Failed = true;
    }
    // From a + ka·oa to b + kb·ob.
    void Line(std::uint8_t kind, TOffset a, TOffset oa, int ka, TOffset b, TOffset ob, int kb,
              TBytes bytes) {
        Add(kind, At(a.X, ka, oa.X), At(a.Y, ka, oa.Y), At(b.X, kb, ob.X), At(b.Y, kb, ob.Y),
            bytes);
    }
    // Two poles (zero-length high walls) across the track at p and the arch between them.
    void Poles(TOffset p, TOffset o, int k) {
        const TBytes grey{136, 136, 136};
        Line(HighWall, p, o, k, p, o, k, grey);
        Line(HighWall, p, o, -k, p, o, -k, grey);
        Line(Arch, p, o, -k, p, o, k, grey);
    }
    // A line on each side of the track, k offsets out, each in its own direction of travel.
    void Sides(std::uint8_t kind, TOffset p1, TOffset o1, TOffset p2, TOffset o2, int k,
               TBytes bytes) {
        Line(kind, p1, o1, k, p2, o2, k, bytes);
        Line(kind, p2, o2, -k, p1, o1, -k, bytes);
    }
    TBytes RandomColour() {
        const auto r = std::uint8_t(Random.Below(255));
        const auto g = std::uint8_t(Random.Below(255));
        const auto b = std::uint8_t(Random.Below(255));
        return {r, g, b};
    }

    TMap& Map;
    std::uint8_t Grade;
    TRandom& Random;
};

} // namespace

double PointLineDistSq(TOffset q, TOffset u, TOffset v) {
    if (u == v) return 0;
    const double cross = double(Cross(Minus(u, q), Minus(v, q)));
    const double lengthSq = double(Dot(Minus(v, u), Minus(v, u)));
    return cross * cross / lengthSq;
}

TOffset ChooseOffset(TOffset a, TOffset p, TOffset e) {
    TOffset result;
    int best = 19;
    const bool free = a == e;
    long long g = 1, h = 1;
    for (int ox = -3; ox <= 3; ++ox)
        for (int oy = 0; oy <= 3; ++oy) {
            if (ox >= -1 && ox <= 1 && oy <= 1) continue;
            const TOffset o{ox, oy};
            if (!free) {
                g = Cross(o, Minus(a, p));
                h = Cross(o, Minus(p, e));
            }
            if (!((g > 0 && h > 0) || (g < 0 && h < 0))) continue;
            const TOffset q{p.X + ox, p.Y + oy};
            const double d = std::min(PointLineDistSq(q, a, p), PointLineDistSq(q, p, e));
            if (d >= 4 && ox * ox + oy * oy < best) {
                result = o;
                best = ox * ox + oy * oy;
            }
        }
    return result;
}

bool ConvertDoubleTracks(TMap& map, std::uint8_t grade, TRandom& random) {
    map.ClearMarks();
    TConverter converter(map, grade, random);
    const TEndIndex ends(map.Objects); // no double tracks are added during the run
    const int count = map.ObjectCount();
    for (int i = 0; i < count; ++i) {
        if (!IsDoubleTrack(map.Objects[i])) continue;
        converter.Convert(i, FindNeighbours(map.Objects, ends, i));
        // After the map fills up, no track counts as converted: the rest stay as they are.
        if (!converter.Failed) map.Objects[i].SetSelected(true);
    }
    map.DeleteSelected();
    return !converter.Failed;
}

} // namespace vell
