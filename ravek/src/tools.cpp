#include "ravek/src/tools.h"

namespace ravek {

char const* const XML_HIGHSCORES_HIGHSCORES = "highscores";
char const* const XML_HIGHSCORES_ENTRY = "entry";

std::string toStr(int value, int width, char fill) {
    if (width == 0)
        return toStr<int>(value);
    std::ostringstream out;
    out << std::fixed << std::setw(width) << std::setfill(fill) << value;
    return out.str();
}

} // namespace ravek
