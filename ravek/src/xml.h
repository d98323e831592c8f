#ifndef RAVEK_XML_H
#define RAVEK_XML_H

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>

namespace ravek {
namespace xml {

// Limits that keep an edited file from exhausting the stack, the memory or the time of a reader.
// No description comes near them: the data set nests 6 levels deep and its largest file is
// 50 KB.
// Documents nested deeper are refused while parsing, so every walk of a read tree stays shallow.
int const MAX_DEPTH = 256;
// Larger files are refused before parsing; a tree takes many times the size of its text.
long const MAX_FILE_SIZE = 16L << 20;
// Elements one description may read through loops: each pass of a loop reads its body again,
// and nested loops multiply.
long const MAX_LOOP_WORK = 100000;

// One XML element: name, attributes and owned child elements (text content is not kept).
// Deleting an element deletes its subtree (without recursion, whatever its depth) and takes it
// out of its parent's child list.
// Names and values are 8-bit (ISO-8859-1) text: whatever the file's encoding, characters outside
// Latin-1 read back as '?'.
class Node {
public:
    Node* parent;
    std::string name;
    std::map<std::string, std::string> attributes;
    std::list<Node*> children;

    Node();
    // `attributes` is a null-terminated name/value array (null gives none).
    Node(char const* name, char const** attributes);
    ~Node();
    Node(Node const&) = delete;
    Node& operator=(Node const&) = delete;

    // Appends the child, taking it from its previous parent first.
    void operator+=(Node* child);
    // Detaches the child without deleting it; the caller owns it afterwards.
    void operator-=(Node* child);

    // Null when absent.
    std::string const* getAttribute(std::string const& name) const;
    std::string getAttribute(std::string const& name, std::string const& def) const;
    // True only for "1", "t" and "true".
    bool getAttributeBool(std::string const& name, bool def) const;
    // strtol with base prefixes (0x hexadecimal, leading zero octal); 0 when no digits lead.
    long getAttributeLong(std::string const& name, long def) const;
    float getAttributeFloat(std::string const& name, float def) const;

    std::string& operator[](std::string const& name);
    void setAttributeBool(std::string const& name, bool value);
    void setAttributeLong(std::string const& name, long value);
    void setAttributeFloat(std::string const& name, float value);

    // Indentation stops growing at MAX_DEPTH, so that the text of a deeper tree built in
    // memory stays linear in its size.
    std::string toString(int depth) const;

    // Writes the document through a temporary file that replaces `filename` only when every
    // write succeeded, so a failure never loses the old file. A failure is logged as an error
    // in the xml group and reported by returning false.
    bool saveXML(char const* filename) const;
};

// Receiver of element events; the base ignores them.
class XMLHandler {
public:
    virtual ~XMLHandler() {}
    virtual void startElement(char const* name, char const** attributes);
    virtual void endElement(char const* name);
};

// Builds a tree of Nodes; does not own it (the caller takes `root`).
class DOMXMLHandler : public XMLHandler {
public:
    Node* root;
    Node* current;

    DOMXMLHandler() : root(nullptr), current(nullptr) {}
    void startElement(char const* name, char const** attributes) override;
    void endElement(char const* name) override;
};

// Feeds a file's element events to a handler it does not own.
class XMLReader {
public:
    XMLHandler* handler;

    explicit XMLReader(XMLHandler* handler) : handler(handler) {}
    // Throws std::string when the file cannot be opened or read, is larger than MAX_FILE_SIZE,
    // nests elements deeper than MAX_DEPTH or is not well-formed (a document cut short is an
    // error too). Entity expansion is held to a few times the file's size.
    void readFile(std::string const& filename);
};

void xmlStart(void* userData, char const* name, char const** attributes);
void xmlEnd(void* userData, char const* name);

// The root element of the file, owned by the caller; null for a file without elements.
// Throws std::string on failure and never leaves a partial tree behind.
Node* loadXML(char const* filename);
inline Node* loadXML(std::string const& filename) {
    return loadXML(filename.c_str());
}

// Attribute-value escape. Characters XML cannot hold in an attribute (control bytes other than
// tab, new line and carriage return) are dropped; those three are written as character
// references so that they survive attribute normalisation.
std::string encode(std::string const& text);

// Running state of one "loop" element of an image or animation description.
class LoopData {
public:
    std::string name;
    int current;
    int end;
    int step;
    int digits;

    LoopData(std::string name, int from, int to, int step, int digits);
    LoopData();

    // False once the last value is reached or the next value would pass it.
    bool advance();
    std::string getString() const;
};

// Active loops of a reader, outermost first. Copies share the count of elements read through
// loops so far, so that everything one description reads counts against MAX_LOOP_WORK.
class LoopList : public std::list<LoopData*> {
public:
    LoopList() : work(std::make_shared<long>(0)) {}
    std::shared_ptr<long> work;
};

// Replaces "[name]" of every active loop, outermost first, by the loop's current text.
std::string substituteLoops(std::string text, LoopList const& loops);

// Reads a "loop" element and calls `body` once per value with the loop active in `loops`;
// `body` reads the loop element's children. A loop without a variable, with step 0, with an
// empty range or with values beyond int is logged as an error in `group` and skipped (returns
// false). An outermost loop whose passes, nested loops included, would read more elements than
// MAX_LOOP_WORK allows the description is logged as a warning and skipped.
bool runLoop(Node const* loop, LoopList& loops, int group, std::function<void()> const& body);

extern char const* const XML_LOOP;
extern char const* const XML_LOOP_VAR;
extern char const* const XML_LOOP_FROM;
extern char const* const XML_LOOP_TO;
extern char const* const XML_LOOP_STEP;
extern char const* const XML_LOOP_DIGITS;

} // namespace xml
} // namespace ravek

#endif
