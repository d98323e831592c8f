#include "ravek/src/gfx/animations.h"
#include "ravek/src/xml.h"

#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gfx;

namespace {

// A picture that records where it was drawn.
class StubImage : public Image {
public:
    explicit StubImage(std::uint32_t size = 1) {
        width = size;
        height = size * 2;
        hotspot = basic_Vector2D<float>(size, size);
        outerBoundingBox = BoundingBox(0, 0, size, size);
    }
    void draw(basic_Vector2D<float> const& position, BlendMode blend) const override {
        drawn.push_back("at " + std::to_string(int(position.x)) + " " + std::to_string(blend));
    }
    void draw(basic_Rect<float> const& rect, BlendMode) const override {
        drawn.push_back("rect " + std::to_string(int(rect.width)));
    }
    void drawStretched(basic_Rect<float> const& rect, BlendMode) const override {
        drawn.push_back("stretched " + std::to_string(int(rect.width)));
    }
    mutable std::vector<std::string> drawn;
};

// An animation of stub frames with the given delays.
struct Film {
    std::vector<std::unique_ptr<StubImage>> images;
    Animation animation;

    Film(std::vector<float> delays, bool loop) : animation("film") {
        animation.loop = loop;
        for (size_t i = 0; i < delays.size(); ++i) {
            images.push_back(std::make_unique<StubImage>(static_cast<std::uint32_t>(i + 1)));
            animation.frames.push_back(AnimationFrame(images.back().get(), delays[i]));
        }
    }
};

// The playing rule without any bound, for delays that are all positive.
unsigned playedFrame(std::vector<float> const& delays, float speed, bool loop,
                     std::vector<float> const& steps) {
    unsigned n = static_cast<unsigned>(delays.size());
    int target = loop ? static_cast<int>(n) : static_cast<int>(n) - 1;
    unsigned current = 0;
    float time = 0.0f;
    for (float ms : steps) {
        if (static_cast<int>(current) == target)
            continue;
        time += ms;
        while (time > speed * delays[current]) {
            time -= speed * delays[current];
            if (static_cast<int>(current) != target && ++current >= n)
                current = 0;
        }
    }
    return current;
}

std::unique_ptr<xml::Node> parse(std::string const& text) {
    testutil::TempDir dir;
    return std::unique_ptr<xml::Node>(xml::loadXML(dir.write("d.xml", text)));
}

// An image bank with stub-free images named as given (never loaded).
std::unique_ptr<ImageBank> imageBank(std::vector<std::string> const& names) {
    auto bank = std::make_unique<ImageBank>();
    for (std::string const& name : names) {
        auto* image = new SimpleImage(name, name + ".png");
        image->bank = bank.get();
        bank->resources[name] = image;
    }
    return bank;
}

struct Manager : ResourceManager {
    ~Manager() override {
        for (auto& bank : banks)
            delete bank.second;
    }
};

std::string read(AnimationBank& bank, std::string const& text, ImageBank* images) {
    std::unique_ptr<xml::Node> root = parse(text);
    testutil::LogCapture log;
    bank.getFromNode(root.get(), images);
    return log.text();
}

Animation* animation(AnimationBank& bank, std::string const& name) {
    auto found = bank.resources.find(name);
    return found == bank.resources.end() ? nullptr : found->second;
}

} // namespace

TEST(Animation, NonLoopingAnimationStopsOnItsLastFrame) {
    Film film({100, 100, 100}, false);
    std::unique_ptr<AnimationReference> ref(film.animation.getReference(1.0f));
    EXPECT_EQ(2, ref->target);
    ref->perform(50);
    EXPECT_EQ(0u, ref->current);
    ref->perform(60);
    EXPECT_EQ(1u, ref->current);
    ref->perform(100);
    EXPECT_EQ(2u, ref->current);
    EXPECT_TRUE(ref->isFinished());
    EXPECT_EQ(film.images[2].get(), ref->image);
    float time = ref->time;
    ref->perform(1000);
    EXPECT_EQ(2u, ref->current);
    EXPECT_EQ(time, ref->time);
}

TEST(Animation, LoopingAnimationWrapsAround) {
    Film film({100, 100, 100}, true);
    std::unique_ptr<AnimationReference> ref(film.animation.getReference(1.0f));
    EXPECT_EQ(3, ref->target);
    ref->perform(350);
    EXPECT_EQ(0u, ref->current);
    EXPECT_FLOAT_EQ(50.0f, ref->time);
    EXPECT_FALSE(ref->isFinished());
    ref->perform(60);
    EXPECT_EQ(1u, ref->current);
}

TEST(Animation, SpeedMultipliesEveryDelay) {
    Film film({100, 100, 100}, false);
    std::unique_ptr<AnimationReference> ref(film.animation.getReference(2.0f));
    ref->perform(150);
    EXPECT_EQ(0u, ref->current);
    ref->perform(60);
    EXPECT_EQ(1u, ref->current);
}

TEST(Animation, FrameWithoutDelayIsPassedWithTheFrameBefore) {
    Film film({100, 0, 100}, false);
    std::unique_ptr<AnimationReference> ref(film.animation.getReference(1.0f));
    ref->perform(150);
    EXPECT_EQ(2u, ref->current);
    EXPECT_FLOAT_EQ(50.0f, ref->time);
}

TEST(Animation, FramesWithoutDurationEndThePerform) {
    Film still({0, 0, 0}, true);
    std::unique_ptr<AnimationReference> looping(still.animation.getReference(1.0f));
    looping->perform(16);
    EXPECT_EQ(0u, looping->current);
    Film negative({-5, -5, 100}, false);
    std::unique_ptr<AnimationReference> once(negative.animation.getReference(1.0f));
    once->perform(1);
    EXPECT_EQ(2u, once->current);
    EXPECT_TRUE(once->isFinished());
    Film zeroLast({100, 0}, true);
    std::unique_ptr<AnimationReference> wrap(zeroLast.animation.getReference(1.0f));
    wrap->perform(1e9f);
    EXPECT_LE(wrap->current, 1u);
}

TEST(Animation, SpeedOfZeroOrLessPauses) {
    Film film({100, 100}, true);
    for (float speed : {0.0f, -1.0f}) {
        std::unique_ptr<AnimationReference> ref(film.animation.getReference(speed));
        ref->perform(1000);
        EXPECT_EQ(0u, ref->current);
        EXPECT_EQ(0.0f, ref->time);
    }
}

TEST(Animation, LongStepsLandWhereStepByStepPlayingWould) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> delay(1.0f, 50.0f);
    std::uniform_real_distribution<float> step(0.0f, 400.0f);
    for (int round = 0; round < 300; ++round) {
        std::vector<float> delays(1 + random() % 6);
        for (float& d : delays)
            d = static_cast<float>(static_cast<int>(delay(random)));
        std::vector<float> steps(1 + random() % 5);
        for (float& s : steps)
            s = static_cast<float>(static_cast<int>(step(random)));
        bool loop = round % 2 == 0;
        float speed = round % 3 == 0 ? 0.5f : 1.0f;
        Film film(delays, loop);
        std::unique_ptr<AnimationReference> ref(film.animation.getReference(speed));
        for (float s : steps)
            ref->perform(s);
        ASSERT_EQ(playedFrame(delays, speed, loop, steps), ref->current) << "round " << round;
    }
}

TEST(Animation, PlaysTowardsATargetSetByItsOwner) {
    Film film({10, 10, 10, 10, 10}, true);
    std::unique_ptr<AnimationReference> ref(film.animation.getReference(1.0f));
    ref->current = 4;
    ref->setFrame(&film.animation.frames[4]);
    ref->target = 1;
    ref->perform(25);
    EXPECT_EQ(2u, ref->current);
    ref->perform(100);
    EXPECT_EQ(1u, ref->current);
    EXPECT_FALSE(ref->isFinished());
    ref->target = 3;
    ref->perform(11);
    EXPECT_EQ(2u, ref->current);
}

TEST(Animation, ReferenceCopiesTheFrameImage) {
    Film film({10, 10}, false);
    Bitmask mask(2, 2);
    film.images[1]->bitmask = &mask;
    film.images[1]->innerBoundingBox = BoundingBox(1, 1, 1, 1);
    std::unique_ptr<AnimationReference> ref(film.animation.getReference(1.0f));
    EXPECT_EQ(1u, ref->getWidth());
    EXPECT_EQ(2u, ref->getHeight());
    ref->perform(11);
    EXPECT_EQ(2u, ref->width);
    EXPECT_EQ(4u, ref->height);
    EXPECT_EQ(basic_Vector2D<float>(2, 2), ref->hotspot);
    EXPECT_EQ(&mask, ref->getBitmask());
    EXPECT_EQ(BoundingBox(0, 0, 2, 2), ref->outerBoundingBox);
    EXPECT_EQ(BoundingBox(1, 1, 1, 1), ref->innerBoundingBox);
    ref->draw(basic_Vector2D<float>(7, 0), 2);
    ref->draw(basic_Rect<float>(0, 0, 5, 5), 0);
    ref->drawStretched(basic_Rect<float>(0, 0, 6, 6), 0);
    EXPECT_EQ((std::vector<std::string>{"at 7 2", "rect 5", "stretched 6"}), film.images[1]->drawn);
    EXPECT_TRUE(film.images[0]->drawn.empty());
}

TEST(Animation, FrameWithoutImageShowsNothingAndKeepsTheData) {
    Film film({10, 10}, false);
    film.animation.frames[1].image = nullptr;
    std::unique_ptr<AnimationReference> ref(film.animation.getReference(1.0f));
    ref->perform(11);
    EXPECT_EQ(1u, ref->current);
    EXPECT_EQ(nullptr, ref->image);
    EXPECT_EQ(1u, ref->width);
    ref->draw(basic_Vector2D<float>(0, 0), 0);
    EXPECT_TRUE(film.images[0]->drawn.empty());
}

TEST(Animation, AnimationWithoutFramesPlaysAndDrawsNothing) {
    Animation empty("empty");
    std::unique_ptr<AnimationReference> ref(empty.getReference(1.0f));
    EXPECT_EQ(nullptr, ref->frame);
    EXPECT_EQ(nullptr, ref->image);
    EXPECT_EQ(-1, ref->target);
    ref->perform(100);
    ref->draw(basic_Vector2D<float>(0, 0), 0);
    ref->draw(basic_Rect<float>(0, 0, 1, 1), 0);
    EXPECT_EQ(0u, ref->current);
    AnimationReference bare;
    bare.perform(10);
    EXPECT_FLOAT_EQ(1.0f, bare.speed);
    EXPECT_TRUE(bare.isFinished());
}

TEST(AnimationBank, BankLoopNamesAnimationsPlainAndFramesPadded) {
    auto images = imageBank({"fire01", "fire02", "fire03"});
    AnimationBank bank;
    read(bank,
         "<animations><loop var='i' from='1' to='3' digits='2'>"
         "<animation name='boom[i]'><frame image='fire[i]'/></animation></loop>"
         "</animations>",
         images.get());
    ASSERT_EQ(3, bank.size());
    for (int i = 1; i <= 3; ++i) {
        Animation* boom = animation(bank, "boom" + std::to_string(i));
        ASSERT_NE(nullptr, boom) << i;
        ASSERT_EQ(1u, boom->frames.size());
        EXPECT_EQ(images->resources["fire0" + std::to_string(i)], boom->frames[0].image);
        EXPECT_EQ(&bank, boom->bank);
    }
}

TEST(AnimationBank, DelaysLoopsAndFrameLoopsAreRead) {
    auto images = imageBank({"a", "b0", "b1", "b2"});
    AnimationBank bank;
    read(bank,
         "<animations><animation name='run' delay='40' loop='true'>"
         "<frame image='a'/><loop var='k' to='2'><frame image='b[k]' delay='5'/></loop>"
         "<frame image='missing'/></animation><animation name='plain'/></animations>",
         images.get());
    Animation* run = animation(bank, "run");
    ASSERT_NE(nullptr, run);
    EXPECT_FLOAT_EQ(40.0f, run->delay);
    EXPECT_TRUE(run->loop);
    ASSERT_EQ(5u, run->frames.size());
    EXPECT_FLOAT_EQ(40.0f, run->frames[0].delay);
    EXPECT_EQ(images->resources["b1"], run->frames[2].image);
    EXPECT_FLOAT_EQ(5.0f, run->frames[2].delay);
    EXPECT_EQ(nullptr, run->frames[4].image);
    Animation* plain = animation(bank, "plain");
    ASSERT_NE(nullptr, plain);
    EXPECT_FLOAT_EQ(10.0f, plain->delay);
    EXPECT_FALSE(plain->loop);
}

TEST(AnimationBank, FaultyElementsAreLoggedAndSkipped) {
    AnimationBank bank;
    std::string log = read(bank,
                           "<animations><animation delay='3'/><animation name='x'>"
                           "<frame delay='3'/><frame image='y'/></animation>"
                           "<loop var='i' step='0'><animation name='z'/></loop></animations>",
                           nullptr);
    EXPECT_NE(std::string::npos, log.find("(error) No name specified for animation. Skipping.\n"));
    EXPECT_NE(std::string::npos,
              log.find("(error) No name specified for animation frame image. Skipping.\n"));
    EXPECT_NE(std::string::npos, log.find("(error) Step size 0 invalid: i. Skipping loop.\n"));
    ASSERT_EQ(1, bank.size());
    ASSERT_EQ(1u, animation(bank, "x")->frames.size());
    EXPECT_EQ(nullptr, animation(bank, "x")->frames[0].image);
}

TEST(AnimationBank, AnimationOfARepeatedNameReplacesTheEarlierOne) {
    AnimationBank bank;
    read(bank,
         "<animations><animation name='a' delay='1'/><animation name='a' delay='2'/>"
         "</animations>",
         nullptr);
    EXPECT_EQ(1, bank.size());
    EXPECT_FLOAT_EQ(2.0f, animation(bank, "a")->delay);
}

TEST(AnimationBank, ImageBankIsFoundByNameInTheManager) {
    testutil::TempDir dir;
    dir.write("resources.xml",
              "<resources><images name='sprites'><image name='s1' filename='s1.png'/></images>"
              "<images name='other'><image name='s1' filename='o1.png'/></images>"
              "<animations name='anims' imageBank='sprites'>"
              "<animation name='one'><frame image='s1'/></animation>"
              "<loop var='i' from='1' to='2' imageBank='other'>"
              "<animation name='two[i]'><frame image='s[i]'/></animation></loop>"
              "</animations></resources>");
    Manager manager;
    manager.load(dir.file("resources.xml"), "");
    auto* anims = dynamic_cast<AnimationBank*>(manager.banks["anims"]);
    auto* sprites = dynamic_cast<ImageBank*>(manager.banks["sprites"]);
    auto* other = dynamic_cast<ImageBank*>(manager.banks["other"]);
    ASSERT_NE(nullptr, anims);
    EXPECT_EQ("animations", anims->getNodeName());
    EXPECT_EQ(sprites->resources["s1"], animation(*anims, "one")->frames[0].image);
    EXPECT_EQ(other->resources["s1"], animation(*anims, "two1")->frames[0].image);
    EXPECT_EQ(nullptr, animation(*anims, "two2")->frames[0].image);
}

TEST(AnimationBank, GeneratorMakesAnimationBanksForTheirTypeOnly) {
    ResourceManager manager;
    std::unique_ptr<BasicResourceBank> bank(manager.createResourceBank("animations"));
    EXPECT_NE(nullptr, dynamic_cast<AnimationBank*>(bank.get()));
    EXPECT_EQ(nullptr, animationResourceBankGenerator.generateBank("animation"));
}

TEST(AnimationBank, LoopsBeyondTheDescriptionsAllowanceAreSkipped) {
    AnimationBank bank;
    auto images = imageBank({"x"});
    std::string log = read(bank,
                           "<animations><animation name='a'>"
                           "<loop var='f' from='0' to='2147483647'><frame image='x'/></loop>"
                           "<frame image='x'/></animation>"
                           "<loop var='i' to='1'><animation name='b[i]'>"
                           "<loop var='f' to='59999'><frame image='x'/></loop></animation></loop>"
                           "<animation name='c'><loop var='f' to='9'><frame image='x'/></loop>"
                           "</animation></animations>",
                           images.get());
    EXPECT_NE(std::string::npos, log.find("(warning) Loop f would read more than the 100000 "
                                          "elements a description may read through loops."))
        << log;
    EXPECT_NE(std::string::npos, log.find("(warning) Loop i would read more")) << log;
    ASSERT_NE(nullptr, animation(bank, "a"));
    EXPECT_EQ(1u, animation(bank, "a")->frames.size());
    EXPECT_EQ(nullptr, animation(bank, "b0"));
    ASSERT_NE(nullptr, animation(bank, "c"));
    EXPECT_EQ(10u, animation(bank, "c")->frames.size());
    // The next description starts with a whole allowance again.
    read(bank, "<animations><loop var='i' to='1'><animation name='d[i]'/></loop></animations>",
         images.get());
    EXPECT_NE(nullptr, animation(bank, "d1"));
}

TEST(AnimationBank, ImageBankReplacedUnderItsNameStaysValidForItsFrames) {
    testutil::TempDir dir;
    dir.write("resources.xml",
              "<resources><images name='img'><image name='a' filename='a.png'/></images>"
              "<animations name='anim' imageBank='img'>"
              "<animation name='x'><frame image='a'/></animation></animations>"
              "<images name='img'/></resources>");
    testutil::LogCapture log;
    {
        Manager manager;
        manager.load(dir.file("resources.xml"), "");
        auto* anims = dynamic_cast<AnimationBank*>(manager.banks["anim"]);
        ASSERT_NE(nullptr, anims);
        std::unique_ptr<AnimationReference> reference(animation(*anims, "x")->getReference(1.0f));
        ASSERT_NE(nullptr, reference->image);
        EXPECT_EQ("a", dynamic_cast<SimpleImage*>(reference->image)->name);
    }
    EXPECT_NE(std::string::npos,
              log.text().find("(warning) Resource bank name \"img\" used again"));
}
