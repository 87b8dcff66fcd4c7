// How the autopilot drives, by the tram's ScheduleState (-2 well ahead .. 2 well late).
#pragma once

#include <array>
#include <cstdint>

namespace vell {

struct TDrivingTables {
    std::array<double, 5> Power{0.3, 0.35, 0.7, 1.0, 1.0};      // traction command
    std::array<double, 5> Brake{0.3, 0.35, 0.7, 0.7, 1.0};      // brake command, used negated
    std::array<double, 5> MaxSpeed{16, 21, 36, 36, 54};         // cruising limit, km/h
    std::array<double, 5> StopSpeed{20, 20, 30, 30, 35};        // over stop rails, km/h
    std::array<double, 5> CurveMargin{0.5, 0.5, 0.4, 0.2, 0.0}; // share off a rail's limit
    std::array<double, 5> DoorSpeed{0, 0, 0, 0, 9};             // doors open at or below, km/h
};

inline constexpr TDrivingTables DrivingTables{};

// Table column of a schedule state; states outside -2..2 take the nearest column.
constexpr int StateColumn(std::int8_t scheduleState) {
    return scheduleState < -2 ? 0 : scheduleState > 2 ? 4 : scheduleState + 2;
}

inline double PowerByState(std::int8_t s) {
    return DrivingTables.Power[StateColumn(s)];
}
inline double BrakeByState(std::int8_t s) {
    return DrivingTables.Brake[StateColumn(s)];
}
inline double MaxSpeedByState(std::int8_t s) {
    return DrivingTables.MaxSpeed[StateColumn(s)];
}
inline double StopSpeedByState(std::int8_t s) {
    return DrivingTables.StopSpeed[StateColumn(s)];
}
inline double CurveMarginByState(std::int8_t s) {
    return DrivingTables.CurveMargin[StateColumn(s)];
}
inline double DoorSpeedByState(std::int8_t s) {
    return DrivingTables.DoorSpeed[StateColumn(s)];
}

} // namespace vell
