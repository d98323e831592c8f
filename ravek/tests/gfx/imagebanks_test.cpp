#include "ravek/src/debug.h"
#include "ravek/src/framework.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/xml.h"

#include "ravek/tests/gl_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gfx;

namespace {

std::unique_ptr<xml::Node> parse(std::string const& text) {
    testutil::TempDir dir;
    return std::unique_ptr<xml::Node>(xml::loadXML(dir.write("d.xml", text)));
}

// Reads a description into the bank and returns what was logged.
std::string read(ImageBank& bank, std::string const& text, std::string const& dir = "d/") {
    std::unique_ptr<xml::Node> root = parse(text);
    testutil::LogCapture log;
    bank.getFromNode(root.get(), dir);
    return log.text();
}

SimpleImage* image(ImageBank& bank, std::string const& name) {
    auto found = bank.resources.find(name);
    return found == bank.resources.end() ? nullptr : dynamic_cast<SimpleImage*>(found->second);
}

std::vector<std::string> names(ImageBank const& bank) {
    std::vector<std::string> result;
    for (auto const& entry : bank.resources)
        result.push_back(entry.first);
    return result;
}

class Journal : public BackgroundTaskCallback, public RefreshingBankHandler {
public:
    void onStart(BackgroundTask*) override { events.push_back("start"); }
    void onFinish(BackgroundTask* task) override {
        events.push_back("finish " + std::to_string(task->progress) + "/" +
                         std::to_string(task->total));
    }
    void elementRefreshed() override { events.push_back("refreshed"); }
    std::vector<std::string> events;
};

// Files a.png and c.png of 4 x 4 pixels in a fresh directory.
struct Pictures {
    testutil::TempDir dir;
    Pictures() {
        std::vector<std::uint8_t> pixels(4 * 4 * 4, 0xFF);
        testutil::writePng(dir.file("a.png"), 4, 4, 4, pixels);
        testutil::writePng(dir.file("c.png"), 4, 4, 4, pixels);
        dir.write("broken.png", "\x89PNG garbage");
    }
    std::string path() const { return dir.path + "/"; }
};

} // namespace

TEST(ImageBank, LoopNamesImagesAndTheirFiles) {
    ImageBank bank;
    read(bank, "<images><loop var='n' from='1' to='3' digits='2'>"
               "<image name='ship[n]' filename='ship[n].png'/></loop></images>");
    EXPECT_EQ((std::vector<std::string>{"ship01", "ship02", "ship03"}), names(bank));
    EXPECT_EQ("d/ship02.png", image(bank, "ship02")->filename);
    EXPECT_EQ(&bank, image(bank, "ship02")->bank);
    EXPECT_EQ(0u, image(bank, "ship02")->texture);
}

TEST(ImageBank, NestedLoopsVaryTheInnerVariableFastest) {
    ImageBank bank;
    read(bank, "<images><loop var='i' to='1'><loop var='j' to='2'>"
               "<image name='s[i]_[j]' filename='s[i][j].png'/>"
               "<image name='last[j]' filename='from[i].png'/>"
               "</loop></loop></images>");
    EXPECT_EQ(9, bank.size());
    EXPECT_EQ("d/s12.png", image(bank, "s1_2")->filename);
    // Each later pass replaces the image of the earlier one: i = 1 came last.
    EXPECT_EQ("d/from1.png", image(bank, "last0")->filename);
}

TEST(ImageBank, InvalidLoopsAreLoggedAndSkipped) {
    ImageBank bank;
    std::string log = read(bank, "<images><loop var='n' from='5' to='5'><image filename='x'/>"
                                 "</loop><loop var='k' from='3' to='1' step='-1'>"
                                 "<image name='k[k]' filename='k.png'/></loop></images>");
    EXPECT_NE(std::string::npos,
              log.find("(error) Loop range invalid: n [5;5] (step: 1). Skipping loop.\n"))
        << log;
    EXPECT_EQ((std::vector<std::string>{"k1", "k2", "k3"}), names(bank));
}

TEST(ImageBank, LoopsBeyondTheDescriptionsAllowanceAreSkipped) {
    ImageBank bank;
    std::string log =
        read(bank, "<images><loop var='f' from='0' to='2147483647'>"
                   "<image name='x' filename='x.png'/></loop>"
                   "<loop var='a' to='1'><loop var='b' to='1'><loop var='c' to='1'>"
                   "<image name='i[a][b][c]' filename='i.png'/></loop></loop></loop></images>");
    EXPECT_NE(std::string::npos, log.find("(warning) Loop f would read more than the 100000 "
                                          "elements a description may read through loops. "
                                          "Skipping loop.\n"))
        << log;
    EXPECT_EQ(8, bank.size());
}

TEST(ImageBank, ImageOfARepeatedNameReplacesTheEarlierOne) {
    ImageBank bank;
    read(bank, "<images><image name='a' filename='1.png'/><image name='a' filename='2.png'/>"
               "</images>");
    EXPECT_EQ(1, bank.size());
    EXPECT_EQ("d/2.png", image(bank, "a")->filename);
}

TEST(ImageBank, AttributesAreRead) {
    ImageBank bank;
    read(bank, "<images><image name='a' filename='a.png' hotX='3.5' hotY='7' "
               "bitmaskThreshold='0.25' clamp='true' filter='trilinear'/>"
               "<image name='b' filename='b.png' filter='Trilinear'/>"
               "<image name='c' filename='c.png' filter='none'/><other name='x'/></images>");
    SimpleImage* a = image(bank, "a");
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(basic_Vector2D<float>(3.5f, 7.0f), a->hotspot);
    EXPECT_FLOAT_EQ(0.25f, a->bitmaskThreshold);
    EXPECT_TRUE(a->clamp);
    EXPECT_EQ(trilinear, a->filter);
    EXPECT_EQ(linear, image(bank, "b")->filter);
    EXPECT_FLOAT_EQ(-1.0f, image(bank, "b")->bitmaskThreshold);
    EXPECT_FALSE(image(bank, "b")->clamp);
    EXPECT_EQ(none, image(bank, "c")->filter);
    EXPECT_EQ(3, bank.size());
}

TEST(ImageBank, MissingNameUsesTheFileAndMissingFileSkipsTheImage) {
    ImageBank bank;
    std::string log = read(bank, "<images><image filename='x[i].png'/>"
                                 "<image name='lost'/><image/></images>");
    EXPECT_NE(std::string::npos,
              log.find("(warning) No name specified for image. Using filename.\n"));
    EXPECT_NE(std::string::npos,
              log.find("(error) No filename specified for image \"lost\". Skipping entry.\n"));
    EXPECT_NE(std::string::npos,
              log.find("(error) No filename specified for image \"\". Skipping entry.\n"));
    EXPECT_EQ((std::vector<std::string>{"x[i].png"}), names(bank));
}

TEST(ImageBank, GeneratorMakesImageBanksForTheirTypeOnly) {
    ResourceManager manager;
    std::unique_ptr<BasicResourceBank> bank(manager.createResourceBank("images"));
    ASSERT_NE(nullptr, dynamic_cast<ImageBank*>(bank.get()));
    EXPECT_EQ("images", bank->getNodeName());
    EXPECT_EQ(nullptr, imageResourceBankGenerator.generateBank("Images"));
    EXPECT_EQ(linear, dynamic_cast<ImageBank*>(bank.get())->maxFilter);
}

TEST(ImageBank, ResourceDescriptionGivesTheBankItsDirectory) {
    testutil::TempDir dir;
    dir.write("resources.xml", "<resources><images name='gui' dir='gfx/'>"
                               "<image name='logo' filename='logo.png'/></images></resources>");
    ResourceManager manager;
    manager.load(dir.file("resources.xml"), "");
    ImageBank* bank = dynamic_cast<ImageBank*>(manager.banks["gui"]);
    ASSERT_NE(nullptr, bank);
    EXPECT_EQ(dir.path + "/gfx/logo.png", image(*bank, "logo")->filename);
    delete bank;
}

TEST(ImageLoader, BrokenPngIsLoggedAndSkippedBeforeAnyDecoding) {
    testutil::TempDir dir;
    // Its tRNS chunk claims more bytes than the file holds.
    std::string file = dir.write("t.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x11"
                                                      "\0\0\0\x09\x08\0\0\0\0\xf1\x83\x98\xd0"
                                                      "\0\0\xfd\x01tRNS",
                                                      41));
    ImageBank bank;
    read(bank, "<images><image name='bad' filename='t.png'/></images>", dir.path + "/");
    Journal journal;
    ImageLoader loader(&bank, &journal);
    testutil::LogCapture log;
    loader.perform(SDL_GetTicks() + 60000);
    EXPECT_TRUE(loader.finished);
    EXPECT_NE(std::string::npos,
              log.text().find("(error) Could not load \"" + file +
                              "\": PNG chunk tRNS runs past the end of the file. Skipping image "
                              "\"bad\".\n"))
        << log.text();
}

TEST(ImageLoader, EmptyBankFinishesOnItsFirstPerform) {
    ImageBank bank;
    Journal journal;
    ImageLoader loader(&bank, &journal);
    EXPECT_EQ(0u, loader.total);
    loader.perform(0);
    EXPECT_TRUE(loader.finished);
    EXPECT_EQ((std::vector<std::string>{"start", "finish 0/0"}), journal.events);
}

TEST(ImageLoader, ReachedDeadlineLoadsNothing) {
    ImageBank bank;
    read(bank, "<images><image name='a' filename='a.png'/><image name='b' filename='b.png'/>"
               "</images>");
    ImageLoader loader(&bank, nullptr);
    EXPECT_EQ(2u, loader.total);
    loader.perform(SDL_GetTicks());
    EXPECT_EQ(0u, loader.progress);
    EXPECT_FALSE(loader.finished);
}

TEST(ImageLoaderGL, LoadsEveryImageInNameOrderAndFinishes) {
    testutil::Window window(16, 16);
    Pictures pictures;
    ImageBank bank;
    read(bank,
         "<images><image name='z' filename='a.png'/><image name='y' filename='c.png'/>"
         "</images>",
         pictures.path());
    Journal journal;
    ImageLoader loader(&bank, &journal);
    loader.perform(SDL_GetTicks() + 60000);
    EXPECT_TRUE(loader.finished);
    EXPECT_EQ(2u, loader.progress);
    EXPECT_NE(0u, image(bank, "y")->texture);
    EXPECT_NE(0u, image(bank, "z")->texture);
    EXPECT_EQ((std::vector<std::string>{"start", "finish 2/2"}), journal.events);
    bank.release();
}

TEST(ImageLoaderGL, ImageThatCannotBeReadIsLoggedAndSkipped) {
    debug::setGroup(dbgImages, "ravek:images", debug::LEVEL_INFO);
    testutil::Window window(16, 16);
    Pictures pictures;
    ImageBank bank;
    read(bank,
         "<images><image name='a' filename='a.png'/><image name='b' filename='b.png'/>"
         "<image name='broken' filename='broken.png'/>"
         "<image name='c' filename='c.png'/></images>",
         pictures.path());
    Journal journal;
    backgroundTasks.push_back(new ImageLoader(&bank, &journal));
    testutil::LogCapture log;
    ravek::perform(SDL_GetTicks() + 60000);
    std::string text = log.text();
    EXPECT_TRUE(backgroundTasks.empty());
    EXPECT_EQ((std::vector<std::string>{"start", "finish 4/4"}), journal.events);
    EXPECT_NE(std::string::npos,
              text.find("[ravek:images] (error) Could not load \"" + pictures.path() + "b.png\": "))
        << text;
    EXPECT_NE(std::string::npos, text.find("Skipping image \"b\".\n"));
    EXPECT_NE(std::string::npos,
              text.find("(error) Could not load \"" + pictures.path() + "broken.png\": "));
    EXPECT_NE(0u, image(bank, "a")->texture);
    EXPECT_EQ(0u, image(bank, "b")->texture);
    EXPECT_EQ(0u, image(bank, "broken")->texture);
    EXPECT_NE(0u, image(bank, "c")->texture);
    bank.release();
}

TEST(ImageBankGL, RefreshReportsEveryImageAndReleaseAndReloadFollow) {
    testutil::Window window(16, 16);
    Pictures pictures;
    ImageBank bank;
    read(bank,
         "<images><image name='a' filename='a.png' filter='none'/>"
         "<image name='c' filename='c.png'/></images>",
         pictures.path());
    Journal journal;
    bank.refresh(&journal);
    EXPECT_EQ((std::vector<std::string>{"refreshed", "refreshed"}), journal.events);
    unsigned texture = image(bank, "a")->texture;
    EXPECT_TRUE(glIsTexture(texture));
    bank.release();
    EXPECT_EQ(0u, image(bank, "a")->texture);
    EXPECT_EQ(0u, image(bank, "c")->texture);
    EXPECT_FALSE(glIsTexture(texture));
    bank.reload();
    ASSERT_NE(0u, image(bank, "a")->texture);
    // reload leaves the filter of the new texture at OpenGL's default.
    GLint minFilter = 0;
    glBindTexture(GL_TEXTURE_2D, image(bank, "a")->texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(GL_NEAREST_MIPMAP_LINEAR, minFilter);
    bank.refresh(nullptr);
    glBindTexture(GL_TEXTURE_2D, image(bank, "a")->texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(GL_NEAREST, minFilter);
    bank.release();
}

TEST(ImageBankGL, RefreshPassesOnAFileThatCannotBeRead) {
    testutil::Window window(16, 16);
    Pictures pictures;
    ImageBank bank;
    read(bank,
         "<images><image name='a' filename='a.png'/><image name='b' filename='b.png'/>"
         "</images>",
         pictures.path());
    EXPECT_THROW(bank.refresh(nullptr), std::string);
    EXPECT_NE(0u, image(bank, "a")->texture);
    bank.release();
}
