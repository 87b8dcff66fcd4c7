// Helpers for tests: building small maps, temporary folders, files as bytes.
#pragma once

#include "model/Map.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace vell::test {

// Appends an object and returns its index.
int AddObject(TMap& map, std::uint8_t kind, int x1, int y1, int x2, int y2);
int AddRail(TMap& map, int x1, int y1, int x2, int y2, std::uint8_t speedGrade = 100,
            std::uint8_t stopType = 0);
// A clockwise ring (on the plan) around a rectangle with its corners cut at 45 degrees, so
// that every rail continues into the next; the top side is split into `topPieces` rails,
// which come first.
std::vector<int> AddRing(TMap& map, int x1, int y1, int x2, int y2, int topPieces = 1,
                         std::uint8_t grade = 100, int cut = 20);
void SetRoute(TMap& map, int row, int column, std::initializer_list<int> waypoints,
              std::uint8_t cars = 1, std::uint8_t interval = 10);
std::vector<int> Waypoints(const TMap& map, int row, int column);

// A map on the heap: TMap holds the whole route table and is large.
std::unique_ptr<TMap> NewMap();

class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    std::string Path(const std::string& name) const { return (RootPath / name).string(); }
    const std::filesystem::path& Root() const { return RootPath; }

  private:
    std::filesystem::path RootPath;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace vell::test
