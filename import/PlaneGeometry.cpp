// Polylines and Dubins paths.
#include "import/PlaneGeometry.h"

#include <algorithm>
#include <array>
#include <numbers>

namespace vell::import {

double SegmentDistance(TPointM p, TPointM a, TPointM b) {
    const TPointM d = b - a;
    const double lengthSq = Dot(d, d);
    const double t = lengthSq > 0 ? std::clamp(Dot(p - a, d) / lengthSq, 0.0, 1.0) : 0.0;
    return Norm(p - (a + t * d));
}

TPolyline::TPolyline(std::vector<TPointM> points) : Line(std::move(points)) {
    Distances.resize(Line.size());
    for (std::size_t k = 1; k < Line.size(); ++k)
        Distances[k] = Distances[k - 1] + Norm(Line[k] - Line[k - 1]);
}

TPointM TPolyline::At(double s) const {
    if (Line.empty()) return {};
    if (s <= 0) return Line.front();
    if (s >= Length()) return Line.back();
    const auto it = std::upper_bound(Distances.begin(), Distances.end(), s);
    const std::size_t k = std::size_t(it - Distances.begin());
    const double span = Distances[k] - Distances[k - 1];
    const double t = span > 0 ? (s - Distances[k - 1]) / span : 0;
    return Line[k - 1] + t * (Line[k] - Line[k - 1]);
}

double TPolyline::Deviation(double s0, double s1) const {
    const TPointM a = At(s0), b = At(s1);
    double worst = 0;
    // The points strictly between s0 and s1, found by the distances, which grow along the line
    // (unless a point is not a number: then every one is looked at).
    auto k = std::size_t(0);
    if (Length() >= 0)
        k = std::size_t(std::upper_bound(Distances.begin(), Distances.end(), s0) -
                        Distances.begin());
    for (; k < Line.size(); ++k) {
        if (Distances[k] > s0 && Distances[k] < s1)
            worst = std::max(worst, SegmentDistance(Line[k], a, b));
        else if (Distances[k] >= s1)
            break;
    }
    return worst;
}

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

double Mod2Pi(double a) {
    a = std::fmod(a, TwoPi);
    return a < 0 ? a + TwoPi : a;
}

// A Dubins word: three segments, each L (left), S (straight) or R (right), and their lengths
// (angles for turns, in radii for the straight).
struct TWord {
    std::array<char, 3> Kinds;
    std::array<double, 3> Lengths;
    double Total() const { return Lengths[0] + Lengths[1] + Lengths[2]; }
};

// The six words for a start at the origin heading along x, in units of the radius (Shkel and
// Lumelsky's closed forms).
std::vector<TWord> Words(double d, double alpha, double beta) {
    std::vector<TWord> words;
    const double sa = std::sin(alpha), sb = std::sin(beta), ca = std::cos(alpha),
                 cb = std::cos(beta), cab = std::cos(alpha - beta);
    if (double p2 = 2 + d * d - 2 * cab + 2 * d * (sa - sb); p2 >= 0) {
        const double t1 = std::atan2(cb - ca, d + sa - sb);
        words.push_back({{'L', 'S', 'L'}, {Mod2Pi(-alpha + t1), std::sqrt(p2), Mod2Pi(beta - t1)}});
    }
    if (double p2 = 2 + d * d - 2 * cab + 2 * d * (sb - sa); p2 >= 0) {
        const double t1 = std::atan2(ca - cb, d - sa + sb);
        words.push_back({{'R', 'S', 'R'}, {Mod2Pi(alpha - t1), std::sqrt(p2), Mod2Pi(-beta + t1)}});
    }
    if (double p2 = -2 + d * d + 2 * cab + 2 * d * (sa + sb); p2 >= 0) {
        const double p = std::sqrt(p2);
        const double t0 = std::atan2(-ca - cb, d + sa + sb) - std::atan2(-2.0, p);
        words.push_back({{'L', 'S', 'R'}, {Mod2Pi(-alpha + t0), p, Mod2Pi(-Mod2Pi(beta) + t0)}});
    }
    if (double p2 = d * d - 2 + 2 * cab - 2 * d * (sa + sb); p2 >= 0) {
        const double p = std::sqrt(p2);
        const double t0 = std::atan2(ca + cb, d - sa - sb) - std::atan2(2.0, p);
        words.push_back({{'R', 'S', 'L'}, {Mod2Pi(alpha - t0), p, Mod2Pi(beta - t0)}});
    }
    if (double c = (6 - d * d + 2 * cab + 2 * d * (sa - sb)) / 8; std::abs(c) <= 1) {
        const double phi = std::atan2(ca - cb, d - sa + sb);
        const double p = Mod2Pi(TwoPi - std::acos(c));
        const double t = Mod2Pi(alpha - phi + Mod2Pi(p / 2));
        words.push_back({{'R', 'L', 'R'}, {t, p, Mod2Pi(alpha - beta - t + Mod2Pi(p))}});
    }
    if (double c = (6 - d * d + 2 * cab + 2 * d * (sb - sa)) / 8; std::abs(c) <= 1) {
        const double phi = std::atan2(ca - cb, d + sa - sb);
        const double p = Mod2Pi(TwoPi - std::acos(c));
        const double t = Mod2Pi(-alpha - phi + p / 2);
        words.push_back({{'L', 'R', 'L'}, {t, p, Mod2Pi(Mod2Pi(beta) - alpha - t + Mod2Pi(p))}});
    }
    return words;
}

} // namespace

std::vector<std::vector<TPointM>> DubinsPaths(TPointM from, TPointM fromHeading, TPointM to,
                                              TPointM toHeading, double radius) {
    // In the usual frame, y northwards: the map's Y points south.
    const double x0 = from.X, y0 = -from.Y, x1 = to.X, y1 = -to.Y;
    const double theta0 = std::atan2(-fromHeading.Y, fromHeading.X);
    const double theta1 = std::atan2(-toHeading.Y, toHeading.X);
    const double dx = x1 - x0, dy = y1 - y0;
    const double d = std::hypot(dx, dy) / radius;
    const double th = Mod2Pi(std::atan2(dy, dx));
    std::vector<TWord> words = Words(d, Mod2Pi(theta0 - th), Mod2Pi(theta1 - th));
    std::sort(words.begin(), words.end(),
              [](const TWord& a, const TWord& b) { return a.Total() < b.Total(); });
    std::vector<std::vector<TPointM>> paths;
    for (const TWord& w : words) {
        std::vector<TPointM> points{from};
        double x = x0, y = y0, theta = theta0;
        for (int k = 0; k < 3; ++k) {
            const double length = w.Lengths[k] * radius; // metres along the path
            const int steps = std::max(1, int(std::ceil(length)));
            for (int i = 1; i <= steps; ++i) {
                const double s = length * i / steps;
                double px = x, py = y;
                if (w.Kinds[k] == 'S') {
                    px = x + s * std::cos(theta);
                    py = y + s * std::sin(theta);
                } else {
                    const double phi = s / radius * (w.Kinds[k] == 'L' ? 1 : -1);
                    const double side = w.Kinds[k] == 'L' ? 1 : -1;
                    px = x + side * radius * (std::sin(theta + phi) - std::sin(theta));
                    py = y - side * radius * (std::cos(theta + phi) - std::cos(theta));
                }
                if (i == steps) {
                    x = px, y = py;
                    if (w.Kinds[k] != 'S') theta += length / radius * (w.Kinds[k] == 'L' ? 1 : -1);
                }
                points.push_back({px, -py});
            }
        }
        points.back() = to;
        paths.push_back(std::move(points));
    }
    return paths;
}

} // namespace vell::import
