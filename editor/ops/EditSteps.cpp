// The names of the editor's undo steps.
#include "EditSteps.h"

namespace vell {

std::string DrawingLabel(int kind) {
    static const char* const Objects[] = {
        "бордёра", "стены", "высокой стены", "арки", "рельса", "деревьев", "двупутки",
        "двупутки со столбами", "двупутки с полосой", "двупутки с зеленью"};
    if (kind < 0 || kind >= int(std::size(Objects))) return "рисование";
    return std::string("рисование ") + Objects[kind];
}

const char* const MoveEndsLabel = "перемещение концов";
const char* const PurgeLabel = "удаление неверных объектов";
const char* const DeleteLabel = "удаление выделенного";
const char* const SwapLabel = "преобразование выделенного";
const char* const TakeColorLabel = "запоминание цвета";
const char* const ApplyColorLabel = "применение цвета";
const char* const ChooseColorLabel = "выбор цвета";
const char* const ConversionLabel = "преобразование 2-путок";
const char* const AddWaypointLabel = "добавление точки маршрута";
const char* const ClearRouteLabel = "очистка маршрута";
const char* const RouteSymbolLabel = "выбор маршрута";
const char* const CarsLabel = "число вагонов";
const char* const IntervalLabel = "интервал маршрута";

} // namespace vell
