// The names of the editor's undo steps, as the edit menu shows them after "Отменить: " and
// "Повторить: ".
#pragma once

#include <string>

namespace vell {

// "рисование рельса", "рисование стены", ... for the drawing tool's object kind.
std::string DrawingLabel(int kind);

extern const char* const MoveEndsLabel;    // "перемещение концов"
extern const char* const PurgeLabel;       // "удаление неверных объектов"
extern const char* const DeleteLabel;      // "удаление выделенного"
extern const char* const SwapLabel;        // "преобразование выделенного"
extern const char* const TakeColorLabel;   // "запоминание цвета"
extern const char* const ApplyColorLabel;  // "применение цвета"
extern const char* const ChooseColorLabel; // "выбор цвета"
extern const char* const ConversionLabel;  // "преобразование 2-путок"
extern const char* const AddWaypointLabel; // "добавление точки маршрута"
extern const char* const ClearRouteLabel;  // "очистка маршрута"
extern const char* const RouteSymbolLabel; // "выбор маршрута"
extern const char* const CarsLabel;        // "число вагонов"
extern const char* const IntervalLabel;    // "интервал маршрута"

} // namespace vell
