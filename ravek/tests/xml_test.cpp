#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <thread>

#include <sys/stat.h>

using namespace ravek;
using ravek::xml::Node;
using testutil::TempDir;

namespace {

std::unique_ptr<Node> parse(TempDir const& dir, std::string const& text) {
    return std::unique_ptr<Node>(xml::loadXML(dir.write("doc.xml", text)));
}

std::string thrownBy(std::function<void()> const& f) {
    try {
        f();
    } catch (std::string const& text) {
        return text;
    }
    return "<nothing thrown>";
}

} // namespace

TEST(XmlReading, BuildsTheElementTreeAndDropsEverythingElse) {
    TempDir dir;
    auto root = parse(dir, "<?xml version=\"1.0\"?>\n<!-- c --><a x='1'>text<b/><?pi x?>"
                           "<c y='2'><d/></c></a>");
    ASSERT_TRUE(root);
    EXPECT_EQ("a", root->name);
    EXPECT_EQ(nullptr, root->parent);
    ASSERT_EQ(2u, root->children.size());
    EXPECT_EQ("b", root->children.front()->name);
    Node* c = root->children.back();
    EXPECT_EQ(root.get(), c->parent);
    EXPECT_EQ("2", c->getAttribute("y", ""));
    ASSERT_EQ(1u, c->children.size());
    EXPECT_EQ("<a x=\"1\">\n <b/>\n <c y=\"2\">\n  <d/>\n </c>\n</a>\n", root->toString(0));
}

TEST(XmlReading, FailuresThrowTheirTexts) {
    TempDir dir;
    EXPECT_EQ("Could not open XML file \"" + dir.file("none.xml") + "\"",
              thrownBy([&] { xml::loadXML(dir.file("none.xml")); }));
    EXPECT_EQ("mismatched tag at line 2", thrownBy([&] { parse(dir, "<a>\n<b></a>"); }));
    EXPECT_EQ("Error reading XML file", thrownBy([&] { xml::loadXML(dir.path); }));
}

TEST(XmlReading, EmptyFileHasNoTree) {
    TempDir dir;
    EXPECT_EQ(nullptr, parse(dir, ""));
}

TEST(XmlReading, DocumentCutAtABlockBorderIsAnError) {
    TempDir dir;
    // An unclosed document of exactly 1023 and 2046 bytes: the last block is full.
    for (size_t size : {1023u, 2046u}) {
        std::string text = "<root>";
        while (text.size() + 5 <= size)
            text += "<a/>\n";
        text.append(size - text.size(), ' ');
        ASSERT_EQ(size, text.size());
        EXPECT_NE("<nothing thrown>", thrownBy([&] { parse(dir, text); })) << size;
    }
}

TEST(XmlReading, StreamsWithoutAKnownSizeReadWhole) {
    TempDir dir;
    std::string fifo = dir.file("pipe.xml");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    std::string text = "<root v=\"" + std::string(100000, 'x') + "\">";
    for (int i = 0; i < 20000; ++i)
        text += "<item/>";
    text += "</root>";
    auto previous = std::signal(SIGPIPE, SIG_IGN);
    for (std::string const& sent : {std::string(), text}) {
        std::thread writer([&] {
            FILE* out = std::fopen(fifo.c_str(), "wb");
            if (out) {
                std::fwrite(sent.data(), 1, sent.size(), out);
                std::fclose(out);
            }
        });
        std::unique_ptr<Node> root;
        EXPECT_EQ("<nothing thrown>", thrownBy([&] { root.reset(xml::loadXML(fifo)); }));
        writer.join();
        if (sent.empty()) {
            EXPECT_EQ(nullptr, root);
            continue;
        }
        ASSERT_TRUE(root);
        EXPECT_EQ(20000u, root->children.size());
        EXPECT_EQ(100000u, root->getAttribute("v", "").size());
    }
    std::signal(SIGPIPE, previous);
}

TEST(XmlReading, LargeDocumentsSpanningManyBlocksReadWhole) {
    TempDir dir;
    std::string text = "<root>";
    for (int i = 0; i < 2000; ++i)
        text += "<item index=\"" + std::to_string(i) + "\"/>";
    text += "</root>";
    auto root = parse(dir, text);
    ASSERT_TRUE(root);
    EXPECT_EQ(2000u, root->children.size());
    EXPECT_EQ(1999, root->children.back()->getAttributeLong("index", -1));
}

TEST(XmlAttributes, TypedGettersFollowTheirParsingRules) {
    Node node;
    node["t1"] = "1";
    node["t2"] = "t";
    node["t3"] = "true";
    node["f1"] = "True";
    node["f2"] = "TRUE";
    node["f3"] = "";
    node["hex"] = "0x10";
    node["oct"] = "010";
    node["trail"] = "12px";
    node["word"] = "abc";
    node["neg"] = " -5";
    node["exp"] = "1e3";
    for (char const* name : {"t1", "t2", "t3"})
        EXPECT_TRUE(node.getAttributeBool(name, false)) << name;
    for (char const* name : {"f1", "f2", "f3"})
        EXPECT_FALSE(node.getAttributeBool(name, true)) << name;
    EXPECT_TRUE(node.getAttributeBool("absent", true));
    EXPECT_EQ(16, node.getAttributeLong("hex", 0));
    EXPECT_EQ(8, node.getAttributeLong("oct", 0));
    EXPECT_EQ(12, node.getAttributeLong("trail", 0));
    EXPECT_EQ(0, node.getAttributeLong("word", 9));
    EXPECT_EQ(-5, node.getAttributeLong("neg", 0));
    EXPECT_EQ(77, node.getAttributeLong("absent", 77));
    EXPECT_FLOAT_EQ(1000.0f, node.getAttributeFloat("exp", 0));
    EXPECT_FLOAT_EQ(0.0f, node.getAttributeFloat("word", 3));
    EXPECT_FLOAT_EQ(3.0f, node.getAttributeFloat("absent", 3));
    EXPECT_EQ(nullptr, node.getAttribute("absent"));
    ASSERT_NE(nullptr, node.getAttribute("word"));
    EXPECT_EQ("abc", *node.getAttribute("word"));
}

TEST(XmlAttributes, SettersStoreTheirTexts) {
    Node node;
    node.setAttributeBool("b", true);
    node.setAttributeLong("l", -42);
    node.setAttributeFloat("f", 0.5f);
    EXPECT_EQ("true", node["b"]);
    EXPECT_EQ("-42", node["l"]);
    EXPECT_EQ("0.5", node["f"]);
    node.setAttributeBool("b", false);
    EXPECT_EQ("false", node["b"]);
}

TEST(XmlWriting, AttributesComeOutInNameOrderAndEscaped) {
    Node node;
    node.name = "screen";
    node["yRes"] = "600";
    node["xRes"] = "800";
    node["Z"] = "up";
    node["q"] = "a\"b&c<d>e'f";
    EXPECT_EQ("<screen Z=\"up\" q=\"a&quot;b&amp;c&lt;d&gt;e'f\" xRes=\"800\" yRes=\"600\"/>\n",
              node.toString(0));
}

TEST(XmlWriting, SavedFileReadsBackUnchanged) {
    TempDir dir;
    Node root;
    root.name = "settings";
    Node* child = new Node;
    child->name = "player";
    (*child)["name"] = "A \"quoted\" <name> & more";
    root += child;
    ASSERT_TRUE(root.saveXML(dir.file("s.xml").c_str()));
    std::string text = testutil::readFile(dir.file("s.xml"));
    EXPECT_EQ(0u, text.find("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n<settings>\n"
                            " <player name="));
    std::unique_ptr<Node> back(xml::loadXML(dir.file("s.xml")));
    ASSERT_TRUE(back);
    EXPECT_EQ(root.toString(0), back->toString(0));
}

TEST(XmlWriting, EightBitTextRoundTripsByteForByte) {
    TempDir dir;
    std::string all;
    for (int c = 32; c < 256; ++c)
        all += static_cast<char>(c);
    all += "\t\n\r";
    Node root;
    root.name = "r";
    root["v"] = all;
    ASSERT_TRUE(root.saveXML(dir.file("latin.xml").c_str()));
    std::unique_ptr<Node> back(xml::loadXML(dir.file("latin.xml")));
    ASSERT_TRUE(back);
    EXPECT_EQ(all, back->getAttribute("v", ""));
    // And the file written again is identical.
    ASSERT_TRUE(back->saveXML(dir.file("again.xml").c_str()));
    EXPECT_EQ(testutil::readFile(dir.file("latin.xml")), testutil::readFile(dir.file("again.xml")));
}

TEST(XmlWriting, ControlBytesXmlCannotHoldAreDropped) {
    EXPECT_EQ("ab", xml::encode(std::string("a\x01\x1f", 3) + "b"));
    EXPECT_EQ("&#9;&#10;&#13;", xml::encode("\t\n\r"));
}

TEST(XmlReading, Utf8DocumentsComeBackAsLatin1) {
    TempDir dir;
    auto root = parse(dir, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                           "<a n=\"\xc3\xa9\xe2\x82\xac\"/>");
    ASSERT_TRUE(root);
    EXPECT_EQ("\xe9?", root->getAttribute("n", ""));
}

TEST(XmlWriting, FailedSaveKeepsTheOldFileAndReportsIt) {
    TempDir dir;
    std::string target = dir.write("keep.xml", "old content");
    Node root;
    root.name = "new";
    // A target that is a directory cannot be replaced.
    std::string asDir = dir.file("adir");
    mkdir(asDir.c_str(), 0755);
    testutil::LogCapture log;
    EXPECT_FALSE(root.saveXML(asDir.c_str()));
    EXPECT_FALSE(root.saveXML(dir.file("missing/x.xml").c_str()));
    std::string text = log.text();
    EXPECT_NE(std::string::npos,
              text.find("(error) Could not write XML file \"" + asDir + "\": Is a directory"))
        << text;
    EXPECT_EQ("old content", testutil::readFile(target));
    // Nothing but the two entries we made is left behind.
    EXPECT_EQ(0, std::system(("test $(ls -A '" + dir.path + "' | wc -l) -eq 2").c_str()));
    EXPECT_TRUE(root.saveXML(target.c_str()));
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n<new/>\n",
              testutil::readFile(target));
}

TEST(XmlTree, DeletingAChildTakesItOutOfItsParent) {
    Node root;
    Node* a = new Node;
    Node* b = new Node;
    root += a;
    root += b;
    delete a;
    ASSERT_EQ(1u, root.children.size());
    EXPECT_EQ(b, root.children.front());
}

TEST(XmlTree, AppendingMovesAnElementBetweenParents) {
    Node first, second;
    Node* child = new Node;
    first += child;
    second += child;
    EXPECT_TRUE(first.children.empty());
    ASSERT_EQ(1u, second.children.size());
    EXPECT_EQ(&second, child->parent);
    second -= child;
    EXPECT_EQ(nullptr, child->parent);
    EXPECT_TRUE(second.children.empty());
    delete child;
}

TEST(XmlTree, AttributeArraysKeepTheLaterOfTwoEqualNames) {
    char const* attributes[] = {"a", "1", "b", "2", "a", "3", nullptr};
    Node node("n", attributes);
    EXPECT_EQ("3", node["a"]);
    EXPECT_EQ(2u, node.attributes.size());
    Node none("m", nullptr);
    EXPECT_TRUE(none.attributes.empty());
}

TEST(XmlLimits, NestingDeeperThanTheLimitIsRefusedWithFileAndLine) {
    TempDir dir;
    auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<a>\n";
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        return text;
    };
    auto root = parse(dir, nested(xml::MAX_DEPTH));
    ASSERT_TRUE(root);
    std::string text = root->toString(0);
    size_t leaf = text.find("<a/>");
    EXPECT_EQ("\n" + std::string(xml::MAX_DEPTH - 1, ' ') + "<a/>",
              text.substr(leaf - xml::MAX_DEPTH, xml::MAX_DEPTH + 4));
    std::string file = dir.write("deep.xml", nested(200000));
    EXPECT_EQ("\"" + file + "\": elements nested deeper than 256 levels at line 257",
              thrownBy([&] { xml::loadXML(file); }));
}

TEST(XmlLimits, DeepTreesBuiltInMemoryAreWrittenAndDeletedWithoutRecursion) {
    auto root = std::make_unique<Node>();
    root->name = "a";
    Node* tip = root.get();
    for (int i = 0; i < 200000; ++i) {
        Node* child = new Node;
        child->name = "a";
        *tip += child;
        tip = child;
    }
    std::string text = root->toString(0);
    // Indentation stops growing at the reading limit, so the text stays linear in the depth.
    EXPECT_LT(text.size(), 200001u * (2 * xml::MAX_DEPTH + 10));
    size_t leaf = text.find("<a/>");
    EXPECT_EQ("\n" + std::string(xml::MAX_DEPTH, ' ') + "<a/>",
              text.substr(leaf - xml::MAX_DEPTH - 1, xml::MAX_DEPTH + 5));
    // Deleting a subtree from the middle leaves its parent valid.
    Node* middle = root->children.front()->children.front();
    delete middle->children.front();
    EXPECT_TRUE(middle->children.empty());
    root.reset();
}

TEST(XmlLimits, LongAttributeValuesParseInLinearTime) {
    TempDir dir;
    std::string value(4 << 20, 'x');
    std::string file = dir.write("long.xml", "<a p=\"" + value + "\" q=\"" + value + "\"/>");
    double started = testutil::threadSeconds();
    std::unique_ptr<Node> root(xml::loadXML(file));
    double seconds = testutil::threadSeconds() - started;
    ASSERT_TRUE(root);
    EXPECT_EQ(value, root->getAttribute("q", ""));
    EXPECT_LT(seconds, 3.0);
}

TEST(XmlLimits, OversizedFilesAndEntityBombsAreRefused) {
    TempDir dir;
    std::string file = dir.write("big.xml", "<a>" + std::string(xml::MAX_FILE_SIZE, ' ') + "</a>");
    EXPECT_EQ("XML file \"" + file + "\" is larger than 16 MiB",
              thrownBy([&] { xml::loadXML(file); }));
    std::string bomb = "<!DOCTYPE a [<!ENTITY e0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">";
    for (int i = 1; i < 12; ++i) {
        std::string previous = "&e" + std::to_string(i - 1) + ";";
        std::string ten;
        for (int k = 0; k < 10; ++k)
            ten += previous;
        bomb += "<!ENTITY e" + std::to_string(i) + " \"" + ten + "\">";
    }
    bomb += "]><a v=\"&e11;\"/>";
    std::string message = thrownBy([&] { parse(dir, bomb); });
    EXPECT_NE(std::string::npos, message.find("at line 1")) << message;
    // A document that uses an entity within reason still reads.
    auto root = parse(dir, "<!DOCTYPE a [<!ENTITY n \"ship\">]><a v=\"&n;_1\"/>");
    ASSERT_TRUE(root);
    EXPECT_EQ("ship_1", root->getAttribute("v", ""));
}

TEST(XmlLimits, WhatAHandlerThrowsLeavesTheReaderIntact) {
    TempDir dir;
    struct Throwing : xml::XMLHandler {
        int started = 0;
        void startElement(char const*, char const**) override {
            if (++started == 2)
                throw 7;
        }
    } handler;
    xml::XMLReader reader(&handler);
    std::string file = dir.write("t.xml", "<a><b/><c/></a>");
    try {
        reader.readFile(file);
        FAIL();
    } catch (int thrown) {
        EXPECT_EQ(7, thrown);
    }
    EXPECT_EQ(2, handler.started);
}
