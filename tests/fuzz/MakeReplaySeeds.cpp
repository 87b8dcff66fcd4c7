// Writes the replay reader's fuzzing seeds into a folder: drives over a map recorded as the game
// records them, one without a command, one by hand with the doors, and the last minute of a
// longer one.
// Usage: make_replay_seeds MAP FOLDER
#include "tests/sim/ScriptedDrive.h"

#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

using namespace vell;

void Write(const std::filesystem::path& path, const TReplay& replay) {
    const std::vector<std::uint8_t> bytes = EncodeReplay(replay);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_replay_seeds MAP FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    test::TScriptedDrive still(argv[1], 7);
    for (int s = 0; s < 50; ++s)
        still.Step({});
    Write(folder / "still.vlrec", still.Recorded());

    test::TScriptedDrive hand(argv[1], 8);
    for (const auto& [commands, steps] : {std::pair{TPlayerCommands{0.5, false, false, false}, 40},
                                          {TPlayerCommands{-1, false, false, false}, 30},
                                          {TPlayerCommands{-0.0, true, false, false}, 20},
                                          {TPlayerCommands{-0.0, false, true, false}, 20},
                                          {TPlayerCommands{0, false, false, true}, 10}})
        for (int s = 0; s < steps; ++s)
            hand.Step(commands);
    Write(folder / "hand.vlrec", hand.Recorded());

    test::TScriptedDrive longer(argv[1], 9);
    for (int s = 0; s < 2 * StepsPerPlayedMinute + 100; ++s)
        longer.Step({s % 300 < 150 ? 0.25 : -0.5, false, false, s % 600 < 300});
    Write(folder / "last-minute.vlrec",
          longer.Recorder.LastSteps(longer.Run.Steps, StepsPerPlayedMinute));
    return 0;
}
