// The names of the editor's undo steps, in Russian; the window translates them when it shows
// them (context "EditSteps").
#include "editor/ops/EditSteps.h"

#include "model/Texts.h"

namespace vell {

std::string DrawingLabel(int kind) {
    // Whole phrases, so that a translation can order the words its own way.
    static const char* const Drawings[] = {
        QT_TRANSLATE_NOOP("EditSteps", "рисование бордёра"),
        QT_TRANSLATE_NOOP("EditSteps", "рисование стены"),
        QT_TRANSLATE_NOOP("EditSteps", "рисование высокой стены"),
        QT_TRANSLATE_NOOP("EditSteps", "рисование арки"),
        QT_TRANSLATE_NOOP("EditSteps", "рисование рельса"),
        QT_TRANSLATE_NOOP("EditSteps", "рисование деревьев"),
        QT_TRANSLATE_NOOP("EditSteps", "рисование двупутки"),
        QT_TRANSLATE_NOOP("EditSteps", "рисование двупутки со столбами"),
        QT_TRANSLATE_NOOP("EditSteps", "рисование двупутки с полосой"),
        QT_TRANSLATE_NOOP("EditSteps", "рисование двупутки с зеленью")};
    if (kind < 0 || kind >= int(std::size(Drawings)))
        return QT_TRANSLATE_NOOP("EditSteps", "рисование");
    return Drawings[kind];
}

const char* const MoveEndsLabel = QT_TRANSLATE_NOOP("EditSteps", "перемещение концов");
const char* const PurgeLabel = QT_TRANSLATE_NOOP("EditSteps", "удаление неверных объектов");
const char* const DeleteLabel = QT_TRANSLATE_NOOP("EditSteps", "удаление выделенного");
const char* const SwapLabel = QT_TRANSLATE_NOOP("EditSteps", "преобразование выделенного");
const char* const TakeColorLabel = QT_TRANSLATE_NOOP("EditSteps", "запоминание цвета");
const char* const ApplyColorLabel = QT_TRANSLATE_NOOP("EditSteps", "применение цвета");
const char* const ChooseColorLabel = QT_TRANSLATE_NOOP("EditSteps", "выбор цвета");
const char* const ConversionLabel = QT_TRANSLATE_NOOP("EditSteps", "преобразование 2-путок");
const char* const AddWaypointLabel = QT_TRANSLATE_NOOP("EditSteps", "добавление точки маршрута");
const char* const ClearRouteLabel = QT_TRANSLATE_NOOP("EditSteps", "очистка маршрута");
const char* const RouteSymbolLabel = QT_TRANSLATE_NOOP("EditSteps", "выбор маршрута");
const char* const CarsLabel = QT_TRANSLATE_NOOP("EditSteps", "число вагонов");
const char* const IntervalLabel = QT_TRANSLATE_NOOP("EditSteps", "интервал маршрута");

} // namespace vell
