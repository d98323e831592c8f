#include "ravek/src/xml.h"

#include "ravek/src/debug.h"
#include "ravek/src/tools.h"

#include <expat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

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
    // Detach before deleting so that each child does not search this list for itself.
    while (!children.empty()) {
        Node* child = children.front();
        children.pop_front();
        child->parent = nullptr;
        delete child;
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
    std::string indent(depth > 0 ? depth : 0, ' ');
    std::string out = indent + "<" + name;
    for (auto const& attribute : attributes)
        out += " " + attribute.first + "=\"" + encode(attribute.second) + "\"";
    if (children.empty())
        return out + "/>\n";
    out += ">\n";
    for (Node const* child : children)
        out += child->toString(depth + 1);
    return out + indent + "</" + name + ">\n";
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

void XMLReader::readFile(std::string const& filename) {
    FILE* file = std::fopen(filename.c_str(), "r");
    if (!file)
        throw std::string("Could not open XML file \"") + filename + "\"";
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) {
        std::fclose(file);
        throw std::string("Out of memory");
    }
    XML_SetUserData(parser, handler);
    XML_SetElementHandler(parser, xmlStart, xmlEnd);

    auto fail = [&](std::string const& message) {
        std::fclose(file);
        XML_ParserFree(parser);
        throw message;
    };
    auto parseError = [&]() {
        return std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
               toStr<unsigned long>(XML_GetCurrentLineNumber(parser));
    };

    char buffer[1024];
    bool anyBytes = false;
    while (!std::feof(file)) {
        size_t count = std::fread(buffer, 1, 1023, file);
        if (std::ferror(file))
            fail("Error reading XML file");
        if (count == 0)
            continue;
        anyBytes = true;
        if (XML_Parse(parser, buffer, static_cast<int>(count), 0) == XML_STATUS_ERROR)
            fail(parseError());
    }
    // The final call makes a document that stops early an error; an empty file has no tree.
    if (anyBytes && XML_Parse(parser, "", 0, 1) == XML_STATUS_ERROR)
        fail(parseError());
    std::fclose(file);
    XML_ParserFree(parser);
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
        for (size_t pos = text.find(key); pos != std::string::npos;
             pos = text.find(key, pos + value.size()))
            text.replace(pos, key.size(), value);
    }
    return text;
}

bool runLoop(Node const* loop, LoopList& loops, int group, std::function<void()> const& body) {
    std::string const* var = loop->getAttribute(XML_LOOP_VAR);
    if (!var) {
        debug::error(group, "No variable specified for loop. Skipping loop.");
        return false;
    }
    long from = loop->getAttributeLong(XML_LOOP_FROM, 0);
    long to = loop->getAttributeLong(XML_LOOP_TO, 0);
    long step = loop->getAttributeLong(XML_LOOP_STEP, 1);
    long digits = loop->getAttributeLong(XML_LOOP_DIGITS, 0);
    auto outsideInt = [](long v) { return v < INT_MIN || v > INT_MAX; };
    if (outsideInt(from) || outsideInt(to) || outsideInt(step)) {
        debug::error(group, "Loop value out of range: %s. Skipping loop.", var->c_str());
        return false;
    }
    if (step == 0) {
        debug::error(group, "Step size 0 invalid: %s. Skipping loop.", var->c_str());
        return false;
    }
    if ((step > 0 && to <= from) || (step < 0 && to >= from)) {
        debug::error(group, "Loop range invalid: %s [%d;%d] (step: %d). Skipping loop.",
                     var->c_str(), static_cast<int>(from), static_cast<int>(to),
                     static_cast<int>(step));
        return false;
    }
    // A width beyond any int's digits only pads; keep it from allocating without bound.
    int width = static_cast<int>(digits < 0 ? 0 : digits > 64 ? 64 : digits);
    auto data = std::make_unique<LoopData>(*var, static_cast<int>(from), static_cast<int>(to),
                                           static_cast<int>(step), width);
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
