#ifndef RAVEK_TOOLS_H
#define RAVEK_TOOLS_H

#include <iomanip>
#include <sstream>
#include <string>

namespace ravek {

// Text of a value as an output string stream writes it.
template <typename T>
std::string toStr(T value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

template <>
inline std::string toStr<std::string>(std::string value) {
    return value;
}

// Right-aligned in at least `width` characters, padded on the left with `fill` (the fill goes
// before a sign: -7 in width 3 with '0' is "0-7"); width 0 is the plain form.
std::string toStr(int value, int width, char fill);

// Reads a T from the text (leading white space skipped, trailing text ignored); throws the text
// itself when nothing can be read.
template <typename T>
T strTo(std::string text) {
    std::istringstream in(text);
    T value;
    in >> value;
    if (in.fail())
        throw text;
    return value;
}

template <typename T>
void secureDelete(T*& pointer) {
    if (pointer) {
        delete pointer;
        pointer = nullptr;
    }
}

extern char const* const XML_HIGHSCORES_HIGHSCORES;
extern char const* const XML_HIGHSCORES_ENTRY;

// N rows kept in descending order of Entry::score.
template <typename Entry, int N>
class HighscoreTable {
public:
    Entry entries[N];

    Entry& operator[](int i) { return entries[i]; }
    Entry const& operator[](int i) const { return entries[i]; }
    static constexpr int size() { return N; }

    // Inserts before the first row with a smaller score (equal scores stay above), dropping the
    // last row; returns the new row's index, or -1 when the score is too small to enter.
    int add(Entry const& entry) {
        for (int i = 0; i < N; ++i) {
            if (entries[i].score < entry.score) {
                for (int j = N - 1; j > i; --j)
                    entries[j] = entries[j - 1];
                entries[i] = entry;
                return i;
            }
        }
        return -1;
    }
};

} // namespace ravek

#endif
