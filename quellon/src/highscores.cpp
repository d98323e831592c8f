#include "quellon/src/highscores.h"

#include "ravek/src/xml.h"

#include <memory>

namespace quellon {

char const* const XML_HIGHSCORES = "highscores";
char const* const XML_HIGHSCORES_SINGLE_A = "singleA";
char const* const XML_HIGHSCORES_SINGLE_B = "singleB";
char const* const XML_HIGHSCORES_MULTI = "multi";
char const* const HIGHSCORES_DEFAULT_NAME = "-----------------";

namespace {

char const* const XML_ENTRY_NAME = "name";
char const* const XML_ENTRY_SCORE = "score";

std::uint32_t clampScore(long score) {
    if (score < 0)
        return 0;
    if (static_cast<unsigned long>(score) > 0xFFFFFFFFul)
        return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(score);
}

void fill(HighscoreTable& table, ravek::xml::Node const* node) {
    int row = 0;
    for (ravek::xml::Node const* child : node->children) {
        if (row >= HighscoreTable::size())
            break;
        if (child->name == ravek::XML_HIGHSCORES_ENTRY)
            table[row++].getFromNode(child);
    }
}

void addTable(ravek::xml::Node* root, char const* name, HighscoreTable const& table) {
    auto* node = new ravek::xml::Node(name, nullptr);
    *root += node;
    for (int i = 0; i < HighscoreTable::size(); ++i) {
        auto* entry = new ravek::xml::Node(ravek::XML_HIGHSCORES_ENTRY, nullptr);
        *node += entry;
        table[i].putInNode(entry);
    }
}

} // namespace

void HighscoreEntry::getFromNode(ravek::xml::Node const* node) {
    name = node->getAttribute(XML_ENTRY_NAME, "");
    score = clampScore(node->getAttributeLong(XML_ENTRY_SCORE, 0));
}

void HighscoreEntry::putInNode(ravek::xml::Node* node) const {
    (*node)[XML_ENTRY_NAME] = name;
    (*node)[XML_ENTRY_SCORE] = ravek::toStr<long>(static_cast<long>(score));
}

HighscoreTable& Highscores::table(GameType type) {
    switch (type) {
    case singlePlayerB:
        return singleB;
    case multiPlayer:
        return multi;
    default:
        return singleA;
    }
}

void Highscores::getFromNode(ravek::xml::Node const* root) {
    for (ravek::xml::Node const* child : root->children) {
        if (child->name == XML_HIGHSCORES_SINGLE_A)
            fill(singleA, child);
        else if (child->name == XML_HIGHSCORES_SINGLE_B)
            fill(singleB, child);
        else if (child->name == XML_HIGHSCORES_MULTI)
            fill(multi, child);
    }
}

ravek::xml::Node* Highscores::buildDomTree() const {
    auto* root = new ravek::xml::Node(XML_HIGHSCORES, nullptr);
    addTable(root, XML_HIGHSCORES_SINGLE_A, singleA);
    addTable(root, XML_HIGHSCORES_SINGLE_B, singleB);
    addTable(root, XML_HIGHSCORES_MULTI, multi);
    return root;
}

void Highscores::load(std::string const& path) {
    std::unique_ptr<ravek::xml::Node> root(ravek::xml::loadXML(path));
    if (!root)
        return;
    // Another document in the file's place is someone's, not to be written over unread.
    if (root->name != XML_HIGHSCORES)
        throw "\"" + path + "\" is no high-score file: its root is \"" + root->name + "\"";
    getFromNode(root.get());
}

bool Highscores::save(std::string const& path) const {
    std::unique_ptr<ravek::xml::Node> root(buildDomTree());
    return root->saveXML(path.c_str());
}

void Highscores::clear() {
    for (HighscoreTable* t : {&singleA, &singleB, &multi})
        for (int i = 0; i < HighscoreTable::size(); ++i)
            (*t)[i] = HighscoreEntry();
}

void Highscores::setDefaults() {
    static std::uint32_t const scoresA[] = {100000, 50000, 25000, 10000, 8000,
                                            6000,   4000,  2000,  1000,  500};
    static std::uint32_t const scoresB[] = {20000, 17500, 15000, 12500, 10000,
                                            7500,  5000,  2500,  1000,  500};
    clear();
    for (int i = 0; i < HighscoreTable::size(); ++i) {
        singleA.add(HighscoreEntry(HIGHSCORES_DEFAULT_NAME, scoresA[i]));
        singleB.add(HighscoreEntry(HIGHSCORES_DEFAULT_NAME, scoresB[i]));
        multi.add(HighscoreEntry(HIGHSCORES_DEFAULT_NAME, scoresA[i]));
    }
}

} // namespace quellon
