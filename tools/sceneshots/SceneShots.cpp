// Screenshots of the cab view from a running world, for looking at by eye: the eye rides in a
// tram's cab as the game places it, the world steps on, and chosen moments are saved as PNG
// files: by day and by night, a drive, another tram at a stop with its doors open, a junction,
// and trees.
//   xvfb-run -a -s "-screen 0 1280x1024x24" scene_shots OUTDIR [MAP.vl]
// Without a map the demo city maps/demo.vl is used. VELL_LOOK=detailed draws the detailed look
// (the sun at 10:30 by day, 18:00 at dusk, 23:00 by night); the classic look otherwise.
#include "model/Geometry.h"
#include "tests/cab/scene/OffscreenGL.h"
#include "tests/cab/scene/SceneCity.h"

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

namespace {

using namespace vell;
using namespace vell::test;

constexpr int Width = 800, Height = 600;

// The time of day the detailed look's sun takes for a day light the shots use.
double HoursFor(double dayLight) {
    if (dayLight > 0.9) return 10.5;
    return dayLight > 0.3 ? 18 : 23;
}

struct TShots {
    TRunningCity& City;
    TOffscreenGL& Gl;
    std::string Folder;
    TSceneLists Lists;
    bool Detailed = false;
    TLookRenderer Look;

    void Draw(const TWorld& world, const TSceneView& view) {
        if (!Detailed) {
            DrawCabFrame(*City.Map, world, City.Random, view, Lists);
            return;
        }
        TLookLight light = LookLightAt(HoursFor(view.DayLight));
        light.DayLight = view.DayLight;
        DrawLookFrame(*City.Map, world, City.Random, view, light, Look);
    }

    void Save(const std::string& name, const TVell& tram, double look, double dayLight,
              const char* what) {
        TSceneView view;
        PutEyeOnTram(tram, look, view);
        view.DayLight = dayLight;
        City.World->PlayerTram = const_cast<TVell*>(&tram);
        Draw(*City.World, view);
        const QImage image = Gl.Grab();
        const std::string path = Folder + "/" + name + ".png";
        image.save(QString::fromStdString(path));
        std::printf("%s: %s; eye (%.1f, %.1f) heading %.2f, route %d%s, %zu/%zu/%zu vertices\n",
                    path.c_str(), what, view.CamX, view.CamY, view.CamHeading, tram.RouteRow + 1,
                    tram.RouteCol ? "+" : "", Lists.Lines.size(),
                    Lists.Triangles.size() + Lists.IndexedTriangles.size(), Lists.Quads.size());
        if (Detailed) std::printf("  detailed look: %d tiles drawn\n", Look.TilesDrawn);
    }
};

// Whether a wall or high wall stands between two map points.
bool WallBetween(const TMap& map, double x1, double y1, double x2, double y2) {
    for (const TMapObject& o : map.Objects)
        if ((o.Kind() == Wall || o.Kind() == HighWall) &&
            SegmentDistSq(x1, y1, x2, y2, o.X1, o.Y1, o.X2, o.Y2) == 0)
            return true;
    return false;
}

// Whether a wall or high wall longer than a post stands within `radius` of a map point.
bool WallNear(const TMap& map, double x, double y, double radius) {
    for (const TMapObject& o : map.Objects)
        if ((o.Kind() == Wall || o.Kind() == HighWall) && (o.X1 != o.X2 || o.Y1 != o.Y2) &&
            PointSegmentDistSq(x, y, o.X1, o.Y1, o.X2, o.Y2) < radius * radius)
            return true;
    return false;
}

double Wrap(double a) {
    while (a > std::numbers::pi)
        a -= 2 * std::numbers::pi;
    while (a < -std::numbers::pi)
        a += 2 * std::numbers::pi;
    return a;
}

// The angle from the tram's forward view to a map point, and its distance from the eye.
void Bearing(const TVell& tram, double x, double y, double& angle, double& distance) {
    TSceneView view;
    PutEyeOnTram(tram, 0, view);
    const double dx = x - view.CamX, dy = y - view.CamY;
    distance = std::hypot(dx, dy);
    // The view direction (sin h, -cos h); a point straight ahead has angle 0, to the right > 0.
    angle = Wrap(std::atan2(dx, -dy) - view.CamHeading);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: scene_shots OUTDIR [MAP.vl]\n");
        return 2;
    }
    const std::string mapFile = argc > 2 ? argv[2] : VELL_MAPS_DIR "/demo.vl";
    auto map = LoadCity(mapFile);
    if (!map) {
        std::fprintf(stderr, "cannot read %s\n", mapFile.c_str());
        return 2;
    }
    TRunningCity city(std::move(map), 11);
    city.RunAhead(200000);
    std::printf("%d objects, %d trams\n", city.Map->ObjectCount(), city.World->VellCount);
    TOffscreenGL gl(Width, Height);
    if (!gl.Ok()) {
        std::fprintf(stderr, "%s\n", gl.Error().c_str());
        return 1;
    }
    SetUpCabContext(Width, Height, Height / 400.0f);
    std::printf("renderer: %s\n", gl.Renderer().c_str());
    TShots shots{city, gl, argv[1], {}, DetailedLookFromEnvironment(), {}};

    TVell* player = city.PickPlayerTram();
    if (!player) {
        std::fprintf(stderr, "no tram in service\n");
        return 1;
    }
    shots.Save("day", *player, 0, 1.0, "the player's cab by day");
    shots.Save("dusk", *player, 0, 0.55, "the same at 18:00");
    shots.Save("night", *player, 0, 0.1, "the same by night");
    // A drive: a frame every 30 s of simulated time from the same cab.
    for (int k = 1; k <= 6; ++k) {
        for (int s = 0; s < 546; ++s)
            city.World->WorldStep();
        shots.Save("drive" + std::to_string(k), *player, 0, 1.0, "driving on");
    }

    // Not from a cab: 12 m from the right-hand side of a tram serving a stop, looking at its
    // doors, with a clear view.
    for (long long step = 0; step < 60000; ++step) {
        city.World->WorldStep();
        const TWorld& world = *city.World;
        const TVell* found = nullptr;
        TSceneView view;
        for (int b = 0; b < world.VellCount && !found; ++b) {
            const TVell& t = *world.VellTable[b];
            if (!t.Active || t.DoorOpening < 0.75 || t.Cars() < 2) continue;
            const TCarAxisXY pose = t.CarPose(0);
            view.CamX = pose.Centre.X + 12 * pose.Dir.Y;
            view.CamY = pose.Centre.Y - 12 * pose.Dir.X;
            view.CamHeading = std::atan2(-pose.Dir.Y, -pose.Dir.X);
            if (!WallBetween(*city.Map, view.CamX, view.CamY, pose.Centre.X, pose.Centre.Y) &&
                !WallNear(*city.Map, view.CamX, view.CamY, 10))
                found = &t;
        }
        if (!found) continue;
        // And at night from the track 20 m before its front and 20 m behind its rear: head
        // lamps, tail and brake lamps.
        const TCarAxisXY lead = found->CarPose(0), last = found->CarPose(found->Cars() - 1);
        const struct {
            const char* Name;
            double X, Y, Heading;
        } ends[] = {
            {"/front-night.png", lead.Centre.X - 20 * lead.Dir.X, lead.Centre.Y - 20 * lead.Dir.Y,
             std::atan2(lead.Dir.X, -lead.Dir.Y)},
            {"/rear-night.png", last.Centre.X + 20 * last.Dir.X, last.Centre.Y + 20 * last.Dir.Y,
             std::atan2(-last.Dir.X, last.Dir.Y)},
        };
        for (const auto& end : ends) {
            TSceneView at;
            at.CamX = end.X;
            at.CamY = end.Y;
            at.CamHeading = end.Heading;
            at.DayLight = 0.1;
            shots.Draw(world, at);
            gl.Grab().save(QString::fromStdString(shots.Folder + end.Name));
            std::printf("%s%s: the same tram by night, command %.2f, indicators %d %d\n",
                        shots.Folder.c_str(), end.Name, found->Command, found->LeftLamp,
                        found->RightLamp);
        }
        for (const double light : {1.0, 0.1}) {
            view.DayLight = light;
            shots.Draw(world, view);
            const std::string path =
                shots.Folder + (light > 0.5 ? "/side-doors.png" : "/side-doors-night.png");
            gl.Grab().save(QString::fromStdString(path));
            std::printf(
                "%s: a tram at a stop seen from its door side, doors at %.2f, command %.2f\n",
                path.c_str(), found->DoorOpening, found->Command);
        }
        break;
    }

    bool doors = false, doorsNight = false, junction = false, trees = false;
    for (long long step = 0; step < 100000 && !(doors && doorsNight && junction && trees); ++step) {
        city.World->WorldStep();
        if (step % 5) continue;
        TWorld& world = *city.World;
        for (int a = 0; a < world.VellCount; ++a) {
            const TVell& eye = *world.VellTable[a];
            if (!eye.Active) continue;
            // Another tram at a stop with its doors open, near and to the side of the view.
            if (!doors || !doorsNight)
                for (int b = 0; b < world.VellCount; ++b) {
                    const TVell& other = *world.VellTable[b];
                    if (b == a || !other.Active || other.DoorOpening < 0.6) continue;
                    const TCarAxisXY pose = other.CarPose(0);
                    double angle, distance;
                    Bearing(eye, pose.Centre.X, pose.Centre.Y, angle, distance);
                    if (distance < 10 || distance > 40 || std::fabs(angle) > 1.2) continue;
                    TSceneView at;
                    PutEyeOnTram(eye, 0, at);
                    if (WallBetween(*city.Map, at.CamX, at.CamY, pose.Centre.X, pose.Centre.Y))
                        continue;
                    if (!doors) {
                        shots.Save("doors", eye, angle, 1.0, "another tram's doors open at a stop");
                        doors = true;
                    } else {
                        shots.Save("doors-night", eye, angle, 0.1, "doors open, by night");
                        doorsNight = true;
                    }
                    break;
                }
            // A switch just ahead of the cab.
            if (!junction) {
                const TLinkRec* link = city.Map->Link(eye.Front[0].Obj);
                const double left = Length(city.Map->Objects[eye.Front[0].Obj]) - eye.Front[0].Dist;
                if (link && link->IsSwitch() && left > 8 && left < 20) {
                    shots.Save("junction", eye, 0, 1.0, "a switch ahead");
                    junction = true;
                }
            }
            // The end of a row of trees ahead and near.
            if (!trees && step > 2000)
                for (const TMapObject& o : city.Map->Objects) {
                    if (o.Kind() != Trees) continue;
                    double angle, distance;
                    Bearing(eye, o.X1, o.Y1, angle, distance);
                    if (distance > 15 && distance < 40 && std::fabs(angle) < 0.4) {
                        shots.Save("trees", eye, 0, 1.0, "among trees");
                        trees = true;
                        break;
                    }
                }
        }
    }
    return doors && junction && trees ? 0 : 1;
}
