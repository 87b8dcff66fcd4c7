// VellSim commands that draw: the route scheme picture, the plan view with the overview and a
// route's time-distance diagram.
// They draw with QtGui on the offscreen platform, so they run without a display.
#include "tools/Commands.h"

#include "model/FileName.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "model/Texts.h"
#include "model/Units.h"
#include "model/draw/MapBitmaps.h"
#include "model/draw/PlanView.h"
#include "model/draw/Scheme.h"
#include "model/draw/TimeDistanceDiagram.h"
#include "sim/TimeDistanceRecorder.h"
#include "sim/World.h"
#include "tools/ToolMap.h"

#include <QGuiApplication>

#include <memory>
#include <optional>
#include <ostream>

namespace vell::tool {

namespace {

const char* const NetworkError =
    QT_TRANSLATE_NOOP("VellSim", "Ошибка с рельсами! Проверьте карту в редакторе");
// Route names as the usage mistakes show them; the map's own names, so never translated.
const char* const RouteNameExamples = "1, 10, 19, 1А, 1Б";
const char* const NotDrawn = QT_TRANSLATE_NOOP("VellSim", "схема не нарисована");

// Text drawing needs a QGuiApplication. It is made only for these commands, on the offscreen
// platform whatever the environment says: nothing is ever shown.
class TGuiSession {
  public:
    TGuiSession() {
        if (QGuiApplication::instance()) return;
        Previous = qInstallMessageHandler(Filter);
        App = std::make_unique<QGuiApplication>(Argc, Argv);
    }
    ~TGuiSession() {
        if (App) qInstallMessageHandler(Previous);
    }

  private:
    static inline char Name[] = "VellSim", PlatformOption[] = "-platform", Platform[] = "offscreen";
    static inline char* Argv[] = {Name, PlatformOption, Platform, nullptr};
    static inline int Argc = 3;
    // A headless run has no runtime folder, and Qt's note about it is no news to the user.
    static void Filter(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text.startsWith(QStringLiteral("QStandardPaths:"))) return;
        if (Previous) Previous(type, context, text);
    }
    static inline QtMessageHandler Previous = nullptr;
    std::unique_ptr<QGuiApplication> App;
};

// "X,Y" within the range a view origin may sensibly take.
std::optional<std::pair<int, int>> ParseView(const std::string& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) return std::nullopt;
    auto x = ParseInteger(text.substr(0, comma), -30000, 30000);
    auto y = ParseInteger(text.substr(comma + 1), -30000, 30000);
    if (!x || !y) return std::nullopt;
    return std::pair{int(*x), int(*y)};
}

bool SavePicture(const QImage& image, const std::string& path, const TMap& map, std::ostream& err) {
    if (SameFile(path, map.FileName)) {
        err << Arg(translate("VellSim", "VellSim: картинка не записана поверх карты %1"), path)
            << "\n";
        return false;
    }
    if (const TFileFault fault = WriteImageFile(image, path); fault != TFileFault::None) {
        err << WithReason(
                   Arg(translate("VellSim", "VellSim: не удалось записать картинку %1"), path),
                   fault)
            << "\n";
        return false;
    }
    return true;
}

// "VellSim plan: маршрут 99 не задан": the route slot has no route.
std::string RouteNotSet(const char* command, int row, int column) {
    return Arg(translate("VellSim", "VellSim %1: маршрут %2 не задан"), command,
               RouteDisplayName(row, column));
}

} // namespace

int RunScheme(const TArguments& args, std::ostream& out, std::ostream& err) {
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    const std::string path =
        args.Positional.size() > 1 ? args.Positional[1] : SchemeFileName(map->FileName);
    TGuiSession gui;
    if (SelectMap(*map).NetworkResult != -1) {
        err << "VellSim: " << translate("VellSim", NetworkError) << "; "
            << translate("VellSim", NotDrawn) << "\n";
        return ExitFindings;
    }
    QImage bitmap = NewSchemeBitmap();
    TFileFault fault = TFileFault::None;
    switch (ExportScheme(*map, bitmap, path, &fault)) {
    case TSchemeResult::Saved:
        out << Arg(translate("VellSim", "Схема записана: %1"), path) << "\n";
        return ExitOk;
    case TSchemeResult::SaveFailed:
        err << WithReason("VellSim: " + translate("Scheme", SchemeSaveError) + " " + path, fault)
            << "\n";
        break;
    case TSchemeResult::NotDrawn:
        err << "VellSim: " << translate("VellSim", NotDrawn) << "\n";
        break;
    }
    return ExitFindings;
}

int RunPlan(const TArguments& args, std::ostream& out, std::ostream& err) {
    std::pair<int, int> view{DefaultView, DefaultView};
    if (auto text = args.Value("--view")) {
        auto parsed = ParseView(*text);
        if (!parsed) {
            ReportUsageError(err, "plan",
                             "--view takes X,Y: two whole numbers from -30000 to 30000");
            return ExitBadInput;
        }
        view = *parsed;
    }
    std::optional<std::pair<int, int>> route;
    if (auto name = args.Value("--route")) {
        route = RouteSlotOfName(*name);
        if (!route) {
            ReportUsageError(err, "plan",
                             "--route names no route: " + *name +
                                 " (a digit 1..9 and a suffix: " + RouteNameExamples + ")");
            return ExitBadInput;
        }
    }
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    TGuiSession gui;

    int code = ExitOk;
    if (route) {
        const auto [i, j] = *route;
        if (!map->Route(i, j).InUse()) {
            err << RouteNotSet("plan", i, j) << "\n";
            return ExitBadInput;
        }
        // As the game does: choosing the map builds the network and lays the routes, choosing
        // a row of the route table highlights that route. With a faulty network the faulty
        // rails stay highlighted instead.
        if (SelectMap(*map).NetworkResult != -1) {
            err << "VellSim: " << translate("VellSim", NetworkError) << "\n";
            code = ExitFindings;
        } else {
            map->ClearMarks();
            map->MarkRoute(i, j);
            if (!map->Route(i, j).Usable) {
                err << Arg(translate("VellSim",
                                     "VellSim plan: маршрут %1 не возвращается к первой точке"),
                           RouteDisplayName(i, j))
                    << "\n";
                code = ExitFindings;
            }
        }
    }
    map->ViewX = view.first;
    map->ViewY = view.second;

    TMapBitmaps bitmaps;
    DrawPlan(*map, bitmaps, 0);
    if (!SavePicture(bitmaps.PlanBitmap, args.Positional[1], *map, err)) return ExitFindings;
    out << Arg(translate("VellSim", "План записан: %1"), args.Positional[1]) << "\n";
    if (auto overview = args.Value("--overview")) {
        DrawOverview(*map, bitmaps);
        if (!SavePicture(bitmaps.OverviewBitmap, *overview, *map, err)) return ExitFindings;
        out << Arg(translate("VellSim", "Обзор записан: %1"), *overview) << "\n";
    }
    return code;
}

} // namespace vell::tool

namespace vell::tool {

// The world run as `VellSim run` runs it, with route NAME's trams recorded for the diagram.
int RunDiagram(const TArguments& args, std::ostream& out, std::ostream& err) {
    const auto name = args.Value("--route");
    const auto route = name ? RouteSlotOfName(*name) : std::nullopt;
    if (!route) {
        ReportUsageError(err, "diagram",
                         std::string("--route NAME is needed: a digit 1..9 and a suffix (") +
                             RouteNameExamples + ")");
        return ExitBadInput;
    }
    // A diagram of no minutes would be empty.
    const auto length = ReadRunLength(args, "diagram", 1, err);
    if (!length) return ExitBadInput;
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    const auto [i, j] = *route;
    if (!map->Route(i, j).InUse()) {
        err << RouteNotSet("diagram", i, j) << "\n";
        return ExitBadInput;
    }
    TGuiSession gui;
    if (SelectMap(*map).NetworkResult != -1) {
        err << "VellSim: " << translate("VellSim", NetworkError) << "\n";
        return ExitFindings;
    }
    TRandom random(length->Seed);
    TWorld world(*map, random);
    world.StartWorld();
    if (!world.CanDispatch(i, j)) {
        err << Arg(translate("VellSim", "VellSim diagram: маршрут %1 не ходит"),
                   RouteDisplayName(i, j))
            << "\n";
        return ExitFindings;
    }
    TTimeDistanceRecorder recorder(world, i, j);
    const long long steps = RoundHalfEven(length->Minutes * TicksPerMinute);
    for (long long s = 0; s < steps; ++s) {
        world.WorldStep();
        recorder.Observe();
    }
    const QImage picture = DrawTimeDistanceDiagram(recorder.Data());
    if (!SavePicture(picture, args.Positional[1], *map, err)) return ExitFindings;
    out << Arg(translate("VellSim", "График записан: %1 (зерно %2)"), args.Positional[1],
               std::to_string(length->Seed))
        << "\n";
    return ExitOk;
}

} // namespace vell::tool
