// The high-score file: read into the default tables, written and read again to the same rows.
#include "fuzz/fuzz_util.h"

#include "quellon/src/highscores.h"

#include <cstdlib>

namespace {

quellon::Highscores loaded(std::string const& path) {
    quellon::Highscores tables;
    tables.setDefaults();
    try {
        tables.load(path);
    } catch (std::string const&) {
    }
    return tables;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    quellon::Highscores first = loaded(fuzz::writeInput("highscores.xml", data, size));
    std::string saved = fuzz::workDir() + "/saved.xml";
    if (!first.save(saved))
        std::abort();
    quellon::Highscores second = loaded(saved);
    for (quellon::GameType type :
         {quellon::singlePlayerA, quellon::singlePlayerB, quellon::multiPlayer})
        for (int i = 0; i < quellon::HighscoreTable::size(); ++i) {
            quellon::HighscoreEntry const& a = first.table(type)[i];
            quellon::HighscoreEntry const& b = second.table(type)[i];
            if (a.name != b.name || a.score != b.score)
                std::abort();
        }
    return 0;
}
