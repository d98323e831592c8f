#include "ravek/src/xml.h"

#include "ravek/src/debug.h"
#include "ravek/src/tools.h"

// Debian's expat is built with DTD support; its header declares the entity limits only then.
#ifndef XML_DTD
#define XML_DTD
#endif
#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ravek {
namespace xml {

char const* const XML_LOOP = "loop";
char const* const XML_LOOP_VAR = "var";
char const* const XML_LOOP_FROM = "from";
char const* const XML_LOOP_TO = "to";
char const* const XML_LOOP_STEP = "step";
char const* const XML_LOOP_DIGITS = "digits";

namespace {

bool isAscii(char const* text) {
    for (; *text; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80)
            return false;
    return true;
}

// expat hands back UTF-8; the system's texts are Latin-1.
std::string utf8ToLatin1(char const* text) {
    std::string out;
    auto const* s = reinterpret_cast<unsigned char const*>(text);
    while (*s) {
        unsigned c = *s;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++s;
            continue;
        }
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        unsigned code = c & (0x3F >> extra);
        ++s;
        for (int i = 0; i < extra && (*s & 0xC0) == 0x80; ++i, ++s)
            code = (code << 6) | (*s & 0x3F);
        out += code <= 0xFF ? static_cast<char>(code) : '?';
    }
    return out;
}

} // namespace

Node::Node() : parent(nullptr) {}

Node::Node(char const* name, char const** attributes) : parent(nullptr), name(name ? name : "") {
    if (!attributes)
        return;
    for (int i = 0; attributes[i] && attributes[i + 1]; i += 2) {
        auto added = this->attributes.emplace(attributes[i], attributes[i + 1]);
        if (!added.second)
            added.first->second = attributes[i + 1];
    }
}

Node::~Node() {
    if (parent)
        *parent -= this;
    // One flat list of everything below, so that no depth can overflow the stack; each element
    // is detached before it is deleted and so finds neither parent nor children.
    std::list<Node*> pending;
    pending.splice(pending.end(), children);
    while (!pending.empty()) {
        Node* node = pending.front();
        pending.pop_front();
        pending.splice(pending.end(), node->children);
        node->parent = nullptr;
        delete node;
    }
}

void Node::operator+=(Node* child) {
    if (!child)
        return;
    if (child->parent)
        *child->parent -= child;
    children.push_back(child);
    child->parent = this;
}

void Node::operator-=(Node* child) {
    if (!child)
        return;
    children.remove(child);
    if (child->parent == this)
        child->parent = nullptr;
}

std::string const* Node::getAttribute(std::string const& name) const {
    auto it = attributes.find(name);
    return it == attributes.end() ? nullptr : &it->second;
}

std::string Node::getAttribute(std::string const& name, std::string const& def) const {
    std::string const* value = getAttribute(name);
    return value ? *value : def;
}

bool Node::getAttributeBool(std::string const& name, bool def) const {
    std::string const* value = getAttribute(name);
    if (!value)
        return def;
    return *value == "1" || *value == "t" || *value == "true";
}

long Node::getAttributeLong(std::string const& name, long def) const {
    std::string const* value = getAttribute(name);
    return value ? std::strtol(value->c_str(), nullptr, 0) : def;
}

float Node::getAttributeFloat(std::string const& name, float def) const {
    std::string const* value = getAttribute(name);
    return value ? static_cast<float>(std::strtod(value->c_str(), nullptr)) : def;
}

std::string& Node::operator[](std::string const& name) {
    return attributes[name];
}

void Node::setAttributeBool(std::string const& name, bool value) {
    attributes[name] = value ? "true" : "false";
}

void Node::setAttributeLong(std::string const& name, long value) {
    attributes[name] = toStr<long>(value);
}

void Node::setAttributeFloat(std::string const& name, float value) {
    attributes[name] = toStr<float>(value);
}

std::string Node::toString(int depth) const {
    std::string out;
    auto indent = [&](int level) { out.append(std::min(std::max(level, 0), MAX_DEPTH), ' '); };
    // Writes the start tag; true when the element has children, whose end tag comes later.
    auto open = [&](Node const* node, int level) {
        indent(level);
        out += "<" + node->name;
        for (auto const& attribute : node->attributes)
            out += " " + attribute.first + "=\"" + encode(attribute.second) + "\"";
        out += node->children.empty() ? "/>\n" : ">\n";
        return !node->children.empty();
    };
    struct Open {
        Node const* node;
        int level;
        std::list<Node*>::const_iterator next;
    };
    // An explicit stack: a tree built in memory may be deeper than any read one.
    std::vector<Open> stack;
    if (open(this, depth))
        stack.push_back({this, depth, children.begin()});
    while (!stack.empty()) {
        Open& top = stack.back();
        if (top.next == top.node->children.end()) {
            indent(top.level);
            out += "</" + top.node->name + ">\n";
            stack.pop_back();
            continue;
        }
        Node const* child = *top.next++;
        int level = top.level < MAX_DEPTH ? top.level + 1 : top.level;
        if (open(child, level))
            stack.push_back({child, level, child->children.begin()});
    }
    return out;
}

bool Node::saveXML(char const* filename) const {
    std::string target = filename ? filename : "";
    std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n" + toString(0);
    std::string tempName = target + ".XXXXXX";
    std::vector<char> pattern(tempName.begin(), tempName.end());
    pattern.push_back('\0');
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        debug::error(dbgXml, "Could not write XML file \"%s\": %s", target.c_str(),
                     std::strerror(errno));
        return false;
    }
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    FILE* file = fdopen(fd, "w");
    if (!file) {
        int err = errno;
        close(fd);
        unlink(pattern.data());
        debug::error(dbgXml, "Could not write XML file \"%s\": %s", target.c_str(),
                     std::strerror(err));
        return false;
    }
    bool ok = true;
    int err = 0;
    auto check = [&](bool success) {
        if (ok && !success) {
            ok = false;
            err = errno;
        }
    };
    check(std::fwrite(text.data(), 1, text.size(), file) == text.size());
    check(std::fflush(file) == 0);
    check(fsync(fileno(file)) == 0);
    check(std::fclose(file) == 0);
    if (ok)
        check(std::rename(pattern.data(), target.c_str()) == 0);
    if (!ok) {
        unlink(pattern.data());
        debug::error(dbgXml, "Could not write XML file \"%s\": %s", target.c_str(),
                     std::strerror(err));
    }
    return ok;
}

void XMLHandler::startElement(char const*, char const**) {}

void XMLHandler::endElement(char const*) {}

void DOMXMLHandler::startElement(char const* name, char const** attributes) {
    Node* node = new Node(name, attributes);
    if (!root)
        root = node;
    else if (current)
        *current += node;
    current = node;
}

void DOMXMLHandler::endElement(char const*) {
    if (current)
        current = current->parent;
}

void xmlStart(void* userData, char const* name, char const** attributes) {
    auto* handler = static_cast<XMLHandler*>(userData);
    bool plain = isAscii(name);
    for (int i = 0; plain && attributes && attributes[i]; ++i)
        plain = isAscii(attributes[i]);
    if (plain) {
        handler->startElement(name, attributes);
        return;
    }
    std::string convertedName = utf8ToLatin1(name);
    std::vector<std::string> texts;
    for (int i = 0; attributes && attributes[i]; ++i)
        texts.push_back(utf8ToLatin1(attributes[i]));
    std::vector<char const*> converted;
    for (std::string const& text : texts)
        converted.push_back(text.c_str());
    converted.push_back(nullptr);
    handler->startElement(convertedName.c_str(), converted.data());
}

void xmlEnd(void* userData, char const* name) {
    auto* handler = static_cast<XMLHandler*>(userData);
    if (isAscii(name))
        handler->endElement(name);
    else
        handler->endElement(utf8ToLatin1(name).c_str());
}

namespace {

// What the parser's callbacks share while one file is read.
struct Parse {
    XML_Parser parser;
    XMLHandler* handler;
    std::string const& filename;
    int depth;
    // Set when a callback stopped the parser: the text to throw, or what the handler threw.
    std::string error;
    std::exception_ptr thrown;

    bool stopped() const { return !error.empty() || thrown; }
    void stop() { XML_StopParser(parser, XML_FALSE); }
    // Nothing may unwind through expat's C frames: what the handler throws waits for readFile.
    template <typename F>
    void guarded(F const& call) {
        try {
            call();
        } catch (std::bad_alloc const&) {
            error = "Out of memory reading XML file \"" + filename + "\"";
            stop();
        } catch (...) {
            thrown = std::current_exception();
            stop();
        }
    }
};

void parseStart(void* userData, char const* name, char const** attributes) {
    auto* parse = static_cast<Parse*>(userData);
    if (parse->stopped())
        return;
    if (++parse->depth > MAX_DEPTH) {
        parse->error = "\"" + parse->filename + "\": elements nested deeper than " +
                       toStr<int>(MAX_DEPTH) + " levels at line " +
                       toStr<unsigned long>(XML_GetCurrentLineNumber(parse->parser));
        parse->stop();
        return;
    }
    parse->guarded([&] { xmlStart(parse->handler, name, attributes); });
}

void parseEnd(void* userData, char const* name) {
    auto* parse = static_cast<Parse*>(userData);
    if (parse->stopped())
        return;
    --parse->depth;
    parse->guarded([&] { xmlEnd(parse->handler, name); });
}

// Reads up to `size` bytes, fewer only at the end of the file.
size_t readFully(int fd, char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t count = read(fd, buffer + done, size - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw std::string("Error reading XML file");
        if (count == 0)
            break;
        done += static_cast<size_t>(count);
    }
    return done;
}

struct OpenFile {
    int fd;
    ~OpenFile() {
        if (fd >= 0)
            close(fd);
    }
};

} // namespace

void XMLReader::readFile(std::string const& filename) {
    OpenFile file{open(filename.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0)
        throw std::string("Could not open XML file \"") + filename + "\"";
    auto tooLarge = [&] {
        return "XML file \"" + filename + "\" is larger than " + toStr<long>(MAX_FILE_SIZE >> 20) +
               " MiB";
    };
    struct stat status;
    size_t expected = 0;
    if (fstat(file.fd, &status) == 0 && S_ISREG(status.st_mode)) {
        if (status.st_size > MAX_FILE_SIZE)
            throw tooLarge();
        expected = static_cast<size_t>(status.st_size);
    }

    std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> owner(XML_ParserCreate(nullptr),
                                                                  XML_ParserFree);
    XML_Parser parser = owner.get();
    if (!parser)
        throw std::string("Out of memory");
    Parse parse{parser, handler, filename, 0, std::string(), nullptr};
    XML_SetUserData(parser, &parse);
    XML_SetElementHandler(parser, parseStart, parseEnd);
    // No description needs entities; one that expands them far beyond its own size is refused.
    XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, 1 << 20);
    XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, 4.0f);

    // A regular file goes straight into the parser's own buffer, allocated once: growing a copy
    // block by block, which expat then copies again, cost more than the parse (large mallocs,
    // page faults and trimming).
    size_t head = 0;
    if (expected > 0) {
        void* buffer = XML_GetBuffer(parser, static_cast<int>(expected));
        if (!buffer)
            throw std::string("Out of memory");
        head = readFully(file.fd, static_cast<char*>(buffer), expected);
    }
    // What the size did not announce: the whole of a file that is not regular, or what a file
    // gained since.
    std::string rest;
    char block[65536];
    for (size_t count; (count = readFully(file.fd, block, sizeof block)) > 0;) {
        if (head + rest.size() + count > static_cast<size_t>(MAX_FILE_SIZE))
            throw tooLarge();
        rest.append(block, count);
    }
    // An empty file has no tree.
    if (head == 0 && rest.empty())
        return;

    // All of the file is read before parsing starts: expat scans an unfinished token again for
    // every piece it is given, which makes long attribute values quadratic in pieces. The final
    // flag makes a document that stops early an error.
    bool failed = false;
    if (head > 0)
        failed = XML_ParseBuffer(parser, static_cast<int>(head), rest.empty()) == XML_STATUS_ERROR;
    if (!failed && !rest.empty())
        failed =
            XML_Parse(parser, rest.data(), static_cast<int>(rest.size()), 1) == XML_STATUS_ERROR;
    std::string message;
    if (failed)
        message = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                  toStr<unsigned long>(XML_GetCurrentLineNumber(parser));
    owner.reset();
    if (parse.thrown)
        std::rethrow_exception(parse.thrown);
    if (!parse.error.empty())
        throw parse.error;
    if (failed)
        throw message;
}

Node* loadXML(char const* filename) {
    DOMXMLHandler handler;
    XMLReader reader(&handler);
    try {
        reader.readFile(filename ? filename : "");
    } catch (std::string const& message) {
        delete handler.root;
        throw;
    }
    return handler.root;
}

std::string encode(std::string const& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '"':
            out += "&quot;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20)
                out += c;
        }
    }
    return out;
}

LoopData::LoopData(std::string name, int from, int to, int step, int digits)
    : name(name), current(from), end(to), step(step), digits(digits) {}

LoopData::LoopData() : current(0), end(0), step(1), digits(0) {}

bool LoopData::advance() {
    if (current == end || step == 0)
        return false;
    long next = static_cast<long>(current) + step;
    if ((step > 0 && next > end) || (step < 0 && next < end))
        return false;
    current = static_cast<int>(next);
    return true;
}

std::string LoopData::getString() const {
    return toStr(current, digits, '0');
}

std::string substituteLoops(std::string text, LoopList const& loops) {
    for (LoopData const* loop : loops) {
        std::string key = "[" + loop->name + "]";
        std::string value = loop->getString();
        // One pass into a new text: replacing in place moves the rest once per occurrence.
        std::string out;
        size_t done = 0;
        for (size_t pos = text.find(key); pos != std::string::npos; pos = text.find(key, done)) {
            out.append(text, done, pos - done);
            out += value;
            done = pos + key.size();
        }
        if (done == 0)
            continue;
        out.append(text, done, std::string::npos);
        text.swap(out);
    }
    return text;
}

namespace {

struct LoopRange {
    std::string const* var;
    long from, to, step, digits;
};

enum LoopFault { loopValid, loopNoVar, loopOutOfRange, loopStepZero, loopEmpty };

LoopFault readLoop(Node const* loop, LoopRange* range) {
    range->var = loop->getAttribute(XML_LOOP_VAR);
    if (!range->var)
        return loopNoVar;
    range->from = loop->getAttributeLong(XML_LOOP_FROM, 0);
    range->to = loop->getAttributeLong(XML_LOOP_TO, 0);
    range->step = loop->getAttributeLong(XML_LOOP_STEP, 1);
    range->digits = loop->getAttributeLong(XML_LOOP_DIGITS, 0);
    auto outsideInt = [](long v) { return v < INT_MIN || v > INT_MAX; };
    if (outsideInt(range->from) || outsideInt(range->to) || outsideInt(range->step))
        return loopOutOfRange;
    if (range->step == 0)
        return loopStepZero;
    if ((range->step > 0 && range->to <= range->from) ||
        (range->step < 0 && range->to >= range->from))
        return loopEmpty;
    return loopValid;
}

long passesOf(LoopRange const& range) {
    return (range.to - range.from) / range.step + 1;
}

// The work of reading a node's children once: one per element and per 64 bytes of its
// attribute text, since every pass copies and substitutes that text; a loop's body counts once
// per pass. In floating point, so that deep nesting saturates instead of wrapping.
double bodyWork(Node const* node) {
    double work = 0.0;
    for (Node const* child : node->children) {
        size_t bytes = 0;
        for (auto const& attribute : child->attributes)
            bytes += attribute.first.size() + attribute.second.size();
        work += 1.0 + static_cast<double>(bytes / 64);
        LoopRange range;
        if (child->name != XML_LOOP)
            work += bodyWork(child);
        else if (readLoop(child, &range) == loopValid)
            work += static_cast<double>(passesOf(range)) * std::max(1.0, bodyWork(child));
    }
    return work;
}

} // namespace

bool runLoop(Node const* loop, LoopList& loops, int group, std::function<void()> const& body) {
    LoopRange range;
    switch (readLoop(loop, &range)) {
    case loopNoVar:
        debug::error(group, "No variable specified for loop. Skipping loop.");
        return false;
    case loopOutOfRange:
        debug::error(group, "Loop value out of range: %s. Skipping loop.", range.var->c_str());
        return false;
    case loopStepZero:
        debug::error(group, "Step size 0 invalid: %s. Skipping loop.", range.var->c_str());
        return false;
    case loopEmpty:
        debug::error(group, "Loop range invalid: %s [%d;%d] (step: %d). Skipping loop.",
                     range.var->c_str(), static_cast<int>(range.from), static_cast<int>(range.to),
                     static_cast<int>(range.step));
        return false;
    case loopValid:
        break;
    }
    // An outermost loop pays for its nested loops as well, before anything is read.
    if (loops.empty()) {
        double work = static_cast<double>(passesOf(range)) * std::max(1.0, bodyWork(loop));
        if (static_cast<double>(*loops.work) + work > static_cast<double>(MAX_LOOP_WORK)) {
            debug::warning(group,
                           "Loop %s would read more than the %ld elements a description may "
                           "read through loops. Skipping loop.",
                           range.var->c_str(), MAX_LOOP_WORK);
            return false;
        }
        *loops.work += static_cast<long>(work);
    }
    // A width beyond any int's digits only pads; keep it from allocating without bound.
    long digits = range.digits;
    int width = static_cast<int>(digits < 0 ? 0 : digits > 64 ? 64 : digits);
    auto data =
        std::make_unique<LoopData>(*range.var, static_cast<int>(range.from),
                                   static_cast<int>(range.to), static_cast<int>(range.step), width);
    loops.push_back(data.get());
    try {
        do {
            body();
        } while (data->advance());
    } catch (...) {
        loops.remove(data.get());
        throw;
    }
    loops.remove(data.get());
    return true;
}

} // namespace xml
} // namespace ravek
