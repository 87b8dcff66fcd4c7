// The look's textures drawn pixel by pixel: noise from the program's generator, seeded, so that
// every run makes the same images.
#include "cab/look/LookTextures.h"

#include "model/Random.h"

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

constexpr int Size = 64;

struct TPainter {
    TLookImage Image;
    TRandom Random;
    explicit TPainter(std::uint32_t seed) : Random(seed) {
        Image.Size = Size;
        Image.Rgba.assign(std::size_t(Size) * Size * 4, 255);
    }
    // (x, y) with y up from the bottom row, as texture coordinates run.
    void Set(int x, int y, double r, double g, double b) {
        const std::size_t at = (std::size_t(Size - 1 - y) * Size + std::size_t(x)) * 4;
        Image.Rgba[at] = std::uint8_t(std::clamp(r, 0.0, 255.0));
        Image.Rgba[at + 1] = std::uint8_t(std::clamp(g, 0.0, 255.0));
        Image.Rgba[at + 2] = std::uint8_t(std::clamp(b, 0.0, 255.0));
    }
    void Grey(int x, int y, double v) { Set(x, y, v, v, v); }
    double Noise(double low, double high) { return low + (high - low) * Random.Real(); }
};

// Blocks in rows, each block one grey, the joints darker: setts, slabs, roof tiles.
TLookImage Blocks(std::uint32_t seed, int width, int height, bool offsetRows, double joint,
                  double low, double high) {
    TPainter p(seed);
    std::vector<double> shade(std::size_t(Size) * 2);
    for (double& s : shade)
        s = p.Noise(low, high);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const int row = y / height;
            const int shifted = x + (offsetRows && row % 2 ? width / 2 : 0);
            const int column = (shifted / width) % (Size / width);
            const bool isJoint = y % height == 0 || shifted % width == 0;
            const double v =
                isJoint ? joint
                        : shade[std::size_t(row * (Size / width) + column) % shade.size()] +
                              p.Noise(-6, 6);
            p.Grey(x, y, v);
        }
    return p.Image;
}

TLookImage Noise(std::uint32_t seed, double low, double high) {
    TPainter p(seed);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            p.Grey(x, y, p.Noise(low, high));
    return p.Image;
}

// A bay of one storey: light wall, a window with a frame and a sill.
TLookImage Facade() {
    TPainter p(7);
    const int left = int(WindowLeft * Size), right = int(WindowRight * Size);
    const int bottom = int(WindowBottom * Size), top = int(WindowTop * Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const bool inWindow = x >= left && x < right && y >= bottom && y < top;
            if (!inWindow) {
                const bool sill = y >= bottom - 3 && y < bottom && x >= left - 2 && x < right + 2;
                p.Grey(x, y, sill ? 200 : p.Noise(228, 250));
                continue;
            }
            const bool frame = x < left + 2 || x >= right - 2 || y < bottom + 2 || y >= top - 2 ||
                               std::abs(x - (left + right) / 2) < 1 ||
                               std::abs(y - (bottom + 2 * top) / 3) < 1;
            if (frame)
                p.Grey(x, y, 245);
            else
                p.Set(x, y, 55 + y - bottom, 65 + y - bottom, 85 + y - bottom);
        }
    return p.Image;
}

// A bay of a shop's ground floor: a wide window under a sign band.
TLookImage ShopFront() {
    TPainter p(8);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const double v = y / double(Size), u = x / double(Size);
            if (v >= 0.8 && v < 0.95 && u >= 0.05 && u < 0.95)
                p.Set(x, y, 120, 60, 50); // the sign band
            else if (v >= 0.08 && v < 0.74 && u >= 0.1 && u < 0.9)
                p.Set(x, y, 70 + 40 * v, 90 + 40 * v, 100 + 40 * v); // glass with goods behind
            else
                p.Grey(x, y, p.Noise(200, 225));
        }
    return p.Image;
}

TLookImage Water() {
    TPainter p(9);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const double wave =
                std::sin((y + 2 * std::sin(x * 2 * 3.14159265 / Size)) * 4 * 3.14159265 / Size);
            p.Grey(x, y, 215 + 25 * wave + p.Noise(-8, 8));
        }
    return p.Image;
}

TLookImage Grass() {
    TPainter p(10);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const double blotch = std::sin(x * 0.3) * std::cos(y * 0.25) * 15;
            p.Set(x, y, 205 + blotch + p.Noise(-30, 30), 220 + blotch + p.Noise(-30, 30),
                  200 + p.Noise(-30, 30));
        }
    return p.Image;
}

// A sleeper's wood seen from above, its grain along u.
TLookImage Sleeper() {
    TPainter p(11);
    for (int y = 0; y < Size; ++y) {
        const double grain = p.Noise(-15, 15);
        for (int x = 0; x < Size; ++x)
            p.Grey(x, y, 215 + grain + p.Noise(-8, 8));
    }
    return p.Image;
}

} // namespace

TLookImage MakeLookTexture(TLookTexture texture) {
    switch (texture) {
    case AsphaltTexture:
        return Noise(1, 200, 255);
    case PavingTexture:
        return Blocks(2, 8, 8, true, 150, 205, 250);
    case PavementTexture:
        return Blocks(3, 32, 32, true, 165, 225, 250);
    case GrassTexture:
        return Grass();
    case WaterTexture:
        return Water();
    case BallastTexture:
        return Noise(4, 120, 255);
    case SleeperTexture:
        return Sleeper();
    case FacadeTexture:
        return Facade();
    case ShopTexture:
        return ShopFront();
    case RoofTexture:
        return Blocks(5, 16, 8, true, 170, 210, 250);
    default:
        return {};
    }
}

double TextureMetres(TLookTexture texture) {
    switch (texture) {
    case AsphaltTexture:
        return 4;
    case PavingTexture:
        return 2;
    case PavementTexture:
        return 1.5;
    case GrassTexture:
        return 5;
    case WaterTexture:
        return 8;
    case BallastTexture:
        return 1.5;
    case RoofTexture:
        return 2;
    default:
        return 1;
    }
}

} // namespace vell
