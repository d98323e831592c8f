#include "ravek/src/resources.h"
#include "ravek/src/xml.h"

#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace ravek;
using testutil::TempDir;

namespace {

std::vector<std::string> journal;

class Thing;

// A bank of named things; its description lists "thing" elements.
class ThingBank : public NamedResourceBank<Thing> {
public:
    explicit ThingBank(std::string label = "") : label(label) {}
    ~ThingBank() override;
    std::string getNodeName() const override { return "things"; }
    void getFromNode(xml::Node const* node, std::string const& dir) override;
    std::string label;
    std::string readDir;
};

class Thing : public NamedResource<ThingBank> {
public:
    Thing(ThingBank* owner, std::string const& name) : NamedResource<ThingBank>(name) {
        bank = owner;
        owner->resources[name] = this;
    }
    ~Thing() override { journal.push_back("~" + name); }
};

ThingBank::~ThingBank() {
    clearResources();
    journal.push_back("~bank " + label);
}

void ThingBank::getFromNode(xml::Node const* node, std::string const& dir) {
    readDir = dir;
    journal.push_back("read " + label + " in " + dir);
    for (xml::Node const* child : node->children)
        if (child->name == "thing")
            new Thing(this, child->getAttribute("name", ""));
}

int created = 0;

class ThingGenerator : public ResourceBankGenerator {
public:
    BasicResourceBank* generateBank(std::string const& type) const override {
        if (type != "things")
            return nullptr;
        return new ThingBank(std::to_string(++created));
    }
} thingGenerator;

// The manager does not own its banks; the tests do.
struct Manager : ResourceManager {
    ~Manager() override {
        for (auto& bank : banks)
            delete bank.second;
    }
};

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        journal.clear();
        created = 0;
    }
};

} // namespace

TEST_F(ResourcesTest, DescriptionBuildsBanksWithDirectoriesJoinedAsTheyStand) {
    TempDir dir;
    std::string file = dir.write("res.xml", "<resources dir='base/'>"
                                            "<things name='a' dir='gfx/'><thing name='x'/></things>"
                                            "<things name='b'/>"
                                            "</resources>");
    Manager manager;
    manager.load(file, "");
    ASSERT_EQ(2u, manager.banks.size());
    auto* a = dynamic_cast<ThingBank*>(manager.banks["a"]);
    ASSERT_TRUE(a);
    EXPECT_EQ(dir.path + "/base/gfx/", a->readDir);
    EXPECT_EQ(&manager, a->manager);
    EXPECT_EQ(1, a->size());
    EXPECT_EQ(dir.path + "/base/", dynamic_cast<ThingBank*>(manager.banks["b"])->readDir);
}

TEST_F(ResourcesTest, BaseDirectoryComesFromTheFilesPathUnlessGiven) {
    TempDir dir;
    std::string file = dir.write("things.xml", "<things/>");
    ThingBank bank;
    bank.load(file, "");
    EXPECT_EQ(dir.path + "/", bank.readDir);
    bank.load(file, "given");
    EXPECT_EQ("given/", bank.readDir);
    // A relative path without a folder reads from the working directory.
    char* saved = get_current_dir_name();
    std::string cwd = saved;
    free(saved);
    ASSERT_EQ(0, chdir(dir.path.c_str()));
    bank.readDir = "unset";
    bank.load("things.xml", "");
    EXPECT_EQ("", bank.readDir);
    ASSERT_EQ(0, chdir(cwd.c_str()));
}

TEST_F(ResourcesTest, WrongRootOrEmptyFileReadsNothing) {
    TempDir dir;
    ThingBank bank;
    bank.load(dir.write("other.xml", "<images><thing name='x'/></images>"), "");
    bank.load(dir.write("empty.xml", ""), "");
    EXPECT_EQ(0, bank.size());
    EXPECT_TRUE(journal.empty());
    EXPECT_THROW(bank.load(dir.write("broken.xml", "<things>"), ""), std::string);
}

TEST_F(ResourcesTest, ReusedNameIsLoggedAndTheReplacedBankLivesUntilTheManagerGoes) {
    TempDir dir;
    {
        Manager manager;
        testutil::LogCapture log;
        manager.load(
            dir.write("r.xml", "<resources><things name='a'/><things name='a'/></resources>"), "");
        EXPECT_NE(std::string::npos,
                  log.text().find("(warning) Resource bank name \"a\" used again; the later "
                                  "bank takes it.\n"))
            << log.text();
        ASSERT_EQ(1u, manager.banks.size());
        EXPECT_EQ("2", dynamic_cast<ThingBank*>(manager.banks["a"])->label);
        // Others may still point into the first bank.
        EXPECT_EQ((std::vector<std::string>{"read 1 in " + dir.path + "/",
                                            "read 2 in " + dir.path + "/"}),
                  journal);
    }
    EXPECT_EQ("~bank 1", journal.back());
    EXPECT_EQ(1, std::count(journal.begin(), journal.end(), "~bank 1"));
}

TEST_F(ResourcesTest, StoringUnderANameKeepsReplacedBanksAndDeletesThemNewestFirst) {
    std::vector<std::string> expected;
    {
        ResourceManager manager;
        auto* a = new ThingBank("a");
        auto* b = new ThingBank("b");
        auto* c = new ThingBank("c");
        manager.storeBank("x", a);
        manager.storeBank("y", b);
        EXPECT_EQ(&manager, a->manager);
        // A rename: the same bank under a new name, and again under its own.
        manager.banks.erase("y");
        manager.storeBank("z", b);
        manager.storeBank("z", b);
        manager.storeBank("x", c);
        manager.storeBank("y", a); // stored again: current, so it stays
        manager.storeBank("y", new ThingBank("d"));
        manager.storeBank("z", new ThingBank("e"));
        EXPECT_TRUE(journal.empty());
        for (auto& entry : manager.banks)
            expected.push_back("~bank " + dynamic_cast<ThingBank*>(entry.second)->label);
        for (auto& entry : manager.banks)
            delete entry.second; // the current banks are the owner's
    }
    expected.insert(expected.end(), {"~bank b", "~bank a"});
    EXPECT_EQ(expected, journal);

    // Freeing everything at once goes newest first, held and replaced banks alike.
    journal.clear();
    ResourceManager manager;
    manager.storeBank("x", new ThingBank("1"));
    manager.storeBank("y", new ThingBank("2"));
    manager.storeBank("x", new ThingBank("3"));
    manager.banks["z"] = new ThingBank("by hand");
    manager.deleteBanks();
    EXPECT_TRUE(manager.banks.empty());
    EXPECT_EQ((std::vector<std::string>{"~bank by hand", "~bank 3", "~bank 2", "~bank 1"}),
              journal);
}

TEST_F(ResourcesTest, BadBankElementsAreLoggedAndSkipped) {
    TempDir dir;
    Manager manager;
    testutil::LogCapture log;
    manager.load(dir.write("r.xml", "<resources><sounds name='s'/><things/>"
                                    "<things name='ok'/></resources>"),
                 "");
    std::string text = log.text();
    size_t unknown = text.find("(warning) Unknown resource bank type \"sounds\".\n");
    size_t missing = text.find("(error) Missing name attribute from resource bank node.\n");
    EXPECT_NE(std::string::npos, unknown) << text;
    EXPECT_NE(std::string::npos, missing) << text;
    EXPECT_LT(unknown, missing);
    EXPECT_EQ(1u, manager.banks.count("ok"));
    EXPECT_EQ(1u, manager.banks.size());
}

TEST_F(ResourcesTest, DeletingAnElementTakesItOutOfItsBank) {
    ThingBank bank;
    Thing* x = new Thing(&bank, "x");
    new Thing(&bank, "y");
    delete x;
    EXPECT_EQ(1, bank.size());
    EXPECT_EQ(0u, bank.resources.count("x"));
}

TEST_F(ResourcesTest, BankDestroysItsElementsFromTheGreatestKeyDown) {
    {
        ThingBank bank("b");
        new Thing(&bank, "b");
        new Thing(&bank, "a");
        new Thing(&bank, "c");
    }
    EXPECT_EQ((std::vector<std::string>{"~c", "~b", "~a", "~bank b"}), journal);
}

TEST_F(ResourcesTest, ElementWhoseNameChangedIsDeletedExactlyOnce) {
    testutil::LogCapture log;
    {
        ThingBank bank("b");
        Thing* renamed = new Thing(&bank, "a");
        new Thing(&bank, "z");
        renamed->name = "zz";
    }
    EXPECT_EQ((std::vector<std::string>{"~z", "~zz", "~bank b"}), journal);
}

TEST_F(ResourcesTest, ReplacedElementLeavesItsSuccessorInTheBank) {
    ThingBank bank;
    Thing* first = new Thing(&bank, "x");
    Thing* second = new Thing(&bank, "x"); // takes over the entry
    testutil::LogCapture log;
    delete first;
    EXPECT_NE(std::string::npos, log.text().find("(warning) Could not remove resource"));
    ASSERT_EQ(1u, bank.resources.count("x"));
    EXPECT_EQ(second, bank.resources["x"]);
}

TEST_F(ResourcesTest, GeneratorsAreAskedInOrderAndMatchExactly) {
    ResourceManager manager;
    EXPECT_EQ(nullptr, manager.createResourceBank("Things"));
    BasicResourceBank* bank = manager.createResourceBank("things");
    EXPECT_NE(nullptr, dynamic_cast<ThingBank*>(bank));
    delete bank;
}

// Every bank type of the engine must be registered in a linked program, even though nothing
// refers to the generators' object files by name.
TEST(Generators, EveryEngineBankTypeIsRegisteredInALinkedProgram) {
    std::vector<std::string> const engineTypes = {"inputEvaluator", "images", "animations",
                                                  "samples",        "fonts",  "gui"};
    ResourceManager manager;
    for (std::string const& type : engineTypes) {
        BasicResourceBank* bank = manager.createResourceBank(type);
        EXPECT_NE(nullptr, bank) << type;
        delete bank;
    }
    auto& generators = getGenerators();
    EXPECT_NE(generators.end(), std::find(generators.begin(), generators.end(), &thingGenerator));
}
