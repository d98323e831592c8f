// The resource hub built from the committed data set, as the game starts it.
#include "quellon/tests/hub_util.h"

#include "quellon/src/buildinfo.h"

#include "ravek/src/audio/music.h"
#include "ravek/src/audio/sources.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/core.h"
#include "ravek/src/gui/standard.h"
#include "ravek/src/gui/text.h"

#include <cmath>
#include <vector>

using quellon::Resources;

namespace {

// A copy of the data set whose description has the given texts replaced; the files stay
// links to the committed ones.
class EditedData {
public:
    explicit EditedData(std::vector<std::pair<std::string, std::string>> const& replace) {
        for (char const* sub : {"fonts", "images_game", "images_gui", "images_hud", "music",
                                "sounds", "controls.xml"})
            if (symlink((qtest::DATA + "/" + sub).c_str(), dir.file(sub).c_str()) != 0)
                ADD_FAILURE() << sub;
        std::string text = testutil::readFile(qtest::DATA + "/resources.xml");
        for (auto const& r : replace) {
            size_t at = text.find(r.first);
            if (at == std::string::npos)
                ADD_FAILURE() << r.first;
            else
                text.replace(at, r.first.size(), r.second);
        }
        dir.write("resources.xml", text);
    }
    testutil::TempDir dir;
};

// What building the hub on the data set throws (and, when asked, setting it up), or "".
std::string startError(std::string const& data, bool init = false) {
    qtest::WorkDir work(data);
    if (init)
        qtest::startEngine();
    try {
        Resources r;
        if (init) {
            r.setResolution(800, 600, 32, false);
            r.init();
        }
    } catch (std::string const& message) {
        return message;
    }
    return "";
}

} // namespace

TEST(Hub, PlayerEvaluatorIsRenamedClonedAndEveryEvaluatorQueuedInOrder) {
    qtest::WorkDir dir;
    Resources r;
    EXPECT_EQ(0u, r.banks.count("evaluatorGamePlayer"));
    EXPECT_EQ(r.evaluatorGamePlayerSingle, r.banks.at("evaluatorGamePlayerSingle[0]"));
    EXPECT_EQ(r.evaluatorGamePlayerMulti[0], r.banks.at("evaluatorGamePlayerMulti[0]"));
    EXPECT_EQ(r.evaluatorGamePlayerMulti[1], r.banks.at("evaluatorGamePlayerMulti[1]"));
    int expected[] = {0, 0, 1};
    ravek::InputEvaluator* players[] = {r.evaluatorGamePlayerSingle, r.evaluatorGamePlayerMulti[0],
                                        r.evaluatorGamePlayerMulti[1]};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(&r, players[i]->manager);
        EXPECT_FALSE(players[i]->active);
        for (auto& t : players[i]->resources)
            EXPECT_EQ(expected[i], t.second->data) << i << " " << t.first;
    }
    // The GUI is offered every event first, the core evaluator last.
    std::vector<ravek::Evaluator*> order(r.controlQueue->evaluators.begin(),
                                         r.controlQueue->evaluators.end());
    std::vector<ravek::Evaluator*> wanted = {
        r.gui,          r.evaluatorGamePlayerMulti[1], r.evaluatorGamePlayerMulti[0],
        players[0],     r.evaluatorGameCore,           r.evaluatorMenu,
        r.evaluatorCore};
    EXPECT_EQ(wanted, order);
    EXPECT_TRUE(r.evaluatorCore->active);
    EXPECT_TRUE(r.evaluatorMenu->active);
    EXPECT_FALSE(r.evaluatorGameCore->active);
    ASSERT_TRUE(r.controlQueue->focusLostTrigger);
    EXPECT_EQ("pause", r.controlQueue->focusLostTrigger->name);
    EXPECT_TRUE(r.hudTimewarp[1] && r.hudFire[4][5] && r.hudSpeed[0] && r.container[2]);
}

TEST(Hub, MissingDescriptionOrBankStopsTheConstruction) {
    testutil::TempDir empty;
    EXPECT_NE("", startError(empty.path));
    EditedData noSounds({{"<samples name=\"sounds\"", std::string("<samples name=\"noises\"")}});
    EXPECT_EQ("samples not found", startError(noSounds.dir.path));
    EditedData noPlayer(
        {{"name=\"evaluatorGamePlayer\"", std::string("name=\"evaluatorPlayer\"")}});
    EXPECT_EQ("Resource \"evaluatorGamePlayer\" not found.", startError(noPlayer.dir.path));
}

TEST(HubGL, SetUpInAWindowOf1024By768) {
    qtest::WorkDir dir;
    qtest::Hub hub(1024, 768, false);
    EXPECT_EQ(1024.0f, hub->renderContextGui.size.x);
    EXPECT_EQ(768.0f, hub->renderContextGui.size.y);
    EXPECT_EQ(800.0f, hub->renderContext.size.x);
    EXPECT_EQ(600.0f, hub->renderContextAdditive.size.y);
    EXPECT_EQ(ravek::basic_Rect<float>(0, 0, 800, 600), hub->viewport);
    EXPECT_FLOAT_EQ((1024.0f - hub->logo->getWidth()) / 2, hub->logoPosition.x);
    EXPECT_FLOAT_EQ(768.0f - hub->logo->getHeight() - 10, hub->logoPosition.y);
    // Menu panels are centred below the logo, the others on the whole screen.
    EXPECT_EQ(std::trunc((1024 - hub->pMainMenu->width) / 2), hub->pMainMenu->x);
    EXPECT_EQ(std::trunc((hub->logoPosition.y - hub->pMainMenu->height) / 2), hub->pMainMenu->y);
    EXPECT_EQ(std::trunc((768 - hub->pInGame->height) / 2), hub->pInGame->y);

    ASSERT_TRUE(hub->fontStandard);
    ASSERT_TRUE(hub->musicManager);
    EXPECT_FLOAT_EQ(0.7f, hub->poolMenu->getVolume());
    EXPECT_FLOAT_EQ(0.7f, hub->poolGame->getVolume());
    EXPECT_EQ(quellon::getFullVersion(), hub->lHeaderVersion->getCaption());

    // While the images load, frames are not throttled and the menu keys wait.
    EXPECT_FALSE(hub->imagesLoaded);
    EXPECT_EQ(0u, qtest::application()->minFrameTime);
    qtest::finishLoading();
    EXPECT_TRUE(hub->imagesLoaded);
    EXPECT_TRUE(hub->pMainMenu->getVisible());
    EXPECT_FALSE(hub->pCredits->getVisible());
    EXPECT_EQ(static_cast<ravek::gui::Component*>(hub->btnSinglePlayerA), hub->gui->getFocused());
    EXPECT_TRUE(hub->evaluatorMenu->active);
    EXPECT_EQ(10u, qtest::application()->minFrameTime);
}

TEST(HubGL, MusicVolumeZeroMakesNoMusicManager) {
    qtest::WorkDir dir;
    dir.write("settings.xml", "<settings><sound volumeMusic=\"0\" volumeSfx=\"0\"/></settings>");
    qtest::Hub hub;
    EXPECT_FALSE(hub->musicManager);
    hub->setVolumeMusic(50);
    EXPECT_FALSE(hub->musicManager);
    EXPECT_EQ(50, hub->currentVolumeMusic);
    EXPECT_EQ(0, hub->settings.volumeMusic);
    EXPECT_FLOAT_EQ(0.0f, hub->poolGame->getVolume());
}

TEST(HubGL, DataSetLackingNamesFailsWithOneMessageNamingEach) {
    EditedData data({{"<image name=\"logo\"", "<image name=\"logo2\""},
                     {"<sample name=\"ping\"", "<sample name=\"pong\""},
                     {"name=\"btnQuitNo\"", "name=\"btnQuitNot\""},
                     {"filename=\"laserRoundRed.png\"", "filename=\"gone.png\""}});
    EXPECT_EQ("Missing from the data set: image \"logo\", sample \"ping\", widget "
              "\"btnQuitNo\", file \"resources/images_game/gone.png\".",
              startError(data.dir.path, true));
}
