#include "ravek/src/gfx/sprites.h"

#include "ravek/tests/gl_state.h"
#include "ravek/tests/gl_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gfx;
using namespace ravek::sprites;

namespace {

typedef basic_Vector2D<float> Vec;

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
typedef std::unique_ptr<SDL_Surface, SurfaceDeleter> SurfacePtr;

// A mask built the way images build theirs, so its boxes are the real ones: '#' is opaque.
Bitmask* maskOf(std::vector<std::string> const& rows) {
    int height = static_cast<int>(rows.size());
    int width = static_cast<int>(rows[0].size());
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x000000FF,
                                            0x0000FF00, 0x00FF0000, 0xFF000000));
    for (int y = 0; y < height; ++y) {
        Uint32* row =
            reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < width; ++x)
            row[x] = rows[y][x] == '#' ? 0xFFFFFFFFu : 0x00FFFFFFu;
    }
    return new Bitmask(surface.get(), 0.5f, false);
}

// A picture without texture: a size, a hot spot, boxes and optionally a mask (owned), taking
// its boxes from the mask.
class StubImage : public Image {
public:
    StubImage(int w, int h, Bitmask* mask = nullptr) : owned(mask) {
        width = static_cast<std::uint32_t>(w);
        height = static_cast<std::uint32_t>(h);
        bitmask = mask;
        outerBoundingBox = mask ? mask->outerBoundingBox : BoundingBox(0, 0, w, h);
        innerBoundingBox = mask ? mask->innerBoundingBox : BoundingBox();
    }
    void draw(basic_Vector2D<float> const&, BlendMode) const override {}
    void draw(basic_Rect<float> const&, BlendMode) const override {}
    void drawStretched(basic_Rect<float> const&, BlendMode) const override {}

    std::unique_ptr<Bitmask> owned;
};

// An image sprite that writes its collisions, and the sprites it performs as, into a shared
// log, and may run an action of the test at each of them.
class Probe : public ImageSprite {
public:
    Probe(std::string const& name, std::vector<std::string>* log, Image* image,
          Vec position = Vec(0, 0))
        : ImageSprite(position, true, image), name(name), log(log) {
        collidable = true;
    }
    void onCollision(Sprite* other) override {
        log->push_back(name + ">" + static_cast<Probe*>(other)->name);
        if (onHit)
            onHit(other);
    }
    void perform(float ms) override {
        ImageSprite::perform(ms);
        log->push_back(name);
        if (onPerform)
            onPerform();
    }

    std::string name;
    std::vector<std::string>* log;
    std::function<void(Sprite*)> onHit;
    std::function<void()> onPerform;
};

// Sprites are made with `new` where a test may delete them in a handler; the rest are kept
// here.
struct Cast {
    std::vector<std::string> log;
    StubImage square{8, 8};
    std::vector<std::unique_ptr<Probe>> probes;

    Probe* make(std::string const& name) {
        probes.push_back(std::make_unique<Probe>(name, &log, &square));
        return probes.back().get();
    }
    std::string text() const {
        std::string out;
        for (std::string const& entry : log)
            out += (out.empty() ? "" : " ") + entry;
        return out;
    }
};

std::vector<Sprite*> listOf(SpriteEngine const& engine) {
    return std::vector<Sprite*>(engine.sprites.begin(), engine.sprites.end());
}

// An animation reference that counts its deletions.
class CountedReference : public AnimationReference {
public:
    CountedReference(Animation* animation, int* deleted)
        : AnimationReference(animation, 1.0f), deleted(deleted) {}
    ~CountedReference() override { ++*deleted; }
    int* deleted;
};

} // namespace

// Collision decisions

TEST(SpriteCollision, OffsetIsTheOtherCornerInPicturePixels) {
    StubImage image(16, 16);
    ImageSprite s(Vec(100, 100), true, &image), o(Vec(110, 100), true, &image);
    s.hotspot = o.hotspot = Vec(8, 8);
    int dx = 0, dy = 0;
    ASSERT_TRUE(collisionOffset(&s, &o, &dx, &dy));
    EXPECT_EQ(10, dx);
    EXPECT_EQ(0, dy);
    // Lower on screen is further down the picture.
    o.position = Vec(97.6f, 90);
    ASSERT_TRUE(collisionOffset(&s, &o, &dx, &dy));
    EXPECT_EQ(-2, dx); // -2.4
    EXPECT_EQ(10, dy);
    o.hotspot = Vec(0, 2);
    ASSERT_TRUE(collisionOffset(&s, &o, &dx, &dy));
    EXPECT_EQ(6, dx); // 5.6
    EXPECT_EQ(16, dy);
    o.position = Vec(91.5f, 107.5f);
    ASSERT_TRUE(collisionOffset(&s, &o, &dx, &dy));
    EXPECT_EQ(0, dx);  // -0.5 goes up
    EXPECT_EQ(-1, dy); // -1.5 goes up
}

TEST(SpriteCollision, OffsetsOfWholePixelsAreTheSameSeenFromEitherSprite) {
    StubImage image(16, 16);
    ImageSprite s(Vec(0, 0), true, &image), o(Vec(0, 0), true, &image);
    s.hotspot = Vec(3, 4);
    for (int x = -6; x <= 6; x += 3)
        for (int y = -6; y <= 6; y += 3) {
            o.position = Vec(x, y);
            int dx = 0, dy = 0, backX = 0, backY = 0;
            ASSERT_TRUE(collisionOffset(&s, &o, &dx, &dy));
            ASSERT_TRUE(collisionOffset(&o, &s, &backX, &backY));
            EXPECT_EQ(x + 3, dx) << x << "," << y;
            EXPECT_EQ(4 - y, dy) << x << "," << y;
            EXPECT_EQ(-dx, backX);
            EXPECT_EQ(-dy, backY);
        }
}

TEST(SpriteCollision, SpritesTooFarApartOrNowhereNeverCollide) {
    StubImage image(16, 16);
    ImageSprite s(Vec(0, 0), true, &image), o(Vec(3e9f, 0), true, &image);
    int dx = 0, dy = 0;
    EXPECT_FALSE(collisionOffset(&s, &o, &dx, &dy));
    EXPECT_FALSE(s.checkCollision(&o));
    o.position = Vec(0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_FALSE(collisionOffset(&s, &o, &dx, &dy));
    EXPECT_FALSE(s.checkCollisionOuterBoundingBox(&o));
    o.position = Vec(0, 0);
    EXPECT_TRUE(s.checkCollision(&o));
}

TEST(SpriteCollision, BoxEndingWhereTheOtherBeginsOverlapsButOneBeginningWhereItEndsDoesNot) {
    BoundingBox box(2, 3, 10, 10);
    EXPECT_TRUE(boxesOverlap(box, box, 0, 0));
    EXPECT_TRUE(boxesOverlap(box, box, -10, 0));
    EXPECT_FALSE(boxesOverlap(box, box, -11, 0));
    EXPECT_FALSE(boxesOverlap(box, box, 10, 0));
    EXPECT_TRUE(boxesOverlap(box, box, 9, 9));
    EXPECT_TRUE(boxesOverlap(box, box, 0, -10));
    EXPECT_FALSE(boxesOverlap(box, box, 0, -11));
    EXPECT_FALSE(boxesOverlap(box, box, 0, 10));
}

TEST(SpriteCollision, EmptyBoxesOverlapNothing) {
    BoundingBox big(0, 0, 10, 10);
    // The plain comparisons would let each of these hit the big box.
    EXPECT_FALSE(boxesOverlap(BoundingBox(), big, -5, -5));
    EXPECT_FALSE(boxesOverlap(big, BoundingBox(), 5, 5));
    EXPECT_FALSE(boxesOverlap(big, BoundingBox(3, 3, 0, 4), 0, 0));
    EXPECT_FALSE(boxesOverlap(big, BoundingBox(3, 3, 4, 0), 0, 0));
    // The outer box of a mask without set pixels.
    EXPECT_FALSE(boxesOverlap(big, BoundingBox(10, 10, -9, -9), -1, -1));
    EXPECT_TRUE(boxesOverlap(big, BoundingBox(0, 0, 1, 1), -1, -1));
    // Corners far out do not overflow.
    BoundingBox huge(std::numeric_limits<std::int32_t>::max(), 0, 1000, 10);
    EXPECT_FALSE(boxesOverlap(big, huge, 1000000000, 0));
}

TEST(SpriteCollision, ImagesWithoutBitmasksCollideAsSoonAsTheirOuterBoxesOverlap) {
    StubImage image(10, 10);
    ImageSprite s(Vec(0, 0), true, &image), o(Vec(9, 0), true, &image);
    ASSERT_EQ(BoundingBox(), s.innerBoundingBox);
    EXPECT_TRUE(s.checkCollision(&o));
    o.position = Vec(10, 0);
    EXPECT_FALSE(s.checkCollision(&o));
    o.position = Vec(-9, 9);
    EXPECT_TRUE(s.checkCollision(&o));
    // One mask is not enough for the mask test.
    StubImage masked(
        10, 10,
        maskOf({"#.........", "..........", "..........", "..........", "..........", "..........",
                "..........", "..........", "..........", "........##"}));
    ImageSprite m(Vec(-9, 9), true, &masked);
    EXPECT_TRUE(s.checkCollision(&m));
    EXPECT_FALSE(s.checkCollisionBitmask(&m));
}

TEST(SpriteCollision, MasksDecideWhenOnlyTheOuterBoxesOverlap) {
    std::vector<std::string> rows = {"##....", "##....", "......", ".....#"};
    StubImage image(6, 4, maskOf(rows));
    ASSERT_EQ(BoundingBox(0, 0, 6, 4), image.outerBoundingBox);
    ASSERT_EQ(BoundingBox(0, 0, 2, 2), image.innerBoundingBox);
    ImageSprite s(Vec(0, 0), true, &image), o(Vec(-5, 3), true, &image);
    int dx = 0, dy = 0;
    ASSERT_TRUE(collisionOffset(&s, &o, &dx, &dy));
    ASSERT_EQ(-5, dx);
    ASSERT_EQ(-3, dy);
    // o's lone corner pixel lies on s's square.
    EXPECT_TRUE(s.checkCollisionOuterBoundingBox(&o));
    EXPECT_FALSE(s.checkCollisionInnerBoundingBox(&o));
    EXPECT_TRUE(s.checkCollision(&o));
    EXPECT_TRUE(o.checkCollision(&s));
    // One row lower it lies on s's empty row.
    o.position = Vec(-5, 1);
    EXPECT_TRUE(s.checkCollisionOuterBoundingBox(&o));
    EXPECT_FALSE(s.checkCollision(&o));
    EXPECT_FALSE(o.checkCollision(&s));
    // Outer boxes apart: no collision whatever the masks.
    o.position = Vec(-7, 3);
    EXPECT_FALSE(s.checkCollision(&o));
}

TEST(SpriteCollision, OverlappingInnerBoxesDecideWithoutTheMasks) {
    // Empty masks: only the inner-box shortcut can report a hit.
    StubImage image(4, 4, new Bitmask(4, 4));
    image.outerBoundingBox = BoundingBox(0, 0, 4, 4);
    image.innerBoundingBox = BoundingBox(1, 1, 2, 2);
    ImageSprite s(Vec(0, 0), true, &image), o(Vec(1, -1), true, &image);
    EXPECT_TRUE(s.checkCollisionInnerBoundingBox(&o));
    EXPECT_TRUE(s.checkCollision(&o));
    o.position = Vec(3, -3);
    EXPECT_TRUE(s.checkCollisionOuterBoundingBox(&o));
    EXPECT_FALSE(s.checkCollisionInnerBoundingBox(&o));
    EXPECT_FALSE(s.checkCollision(&o));
}

TEST(SpriteCollision, ZeroInnerBoxesFallThroughToTheMasks) {
    // An image reloaded with its old mask: outer box the whole picture, inner box empty.
    StubImage dot(8, 8,
                  maskOf({"........", "........", "........", "........", "........", "........",
                          "........", ".......#"}));
    dot.outerBoundingBox = BoundingBox(0, 0, 8, 8);
    dot.innerBoundingBox = BoundingBox();
    StubImage block(4, 4, maskOf({"####", "####", "####", "####"}));
    ASSERT_EQ(BoundingBox(0, 0, 4, 4), block.innerBoundingBox);
    ImageSprite s(Vec(0, 0), true, &dot), o(Vec(-2, 2), true, &block);
    // The block covers the dot sprite's corner, where its zero inner box sits, but not its
    // pixel.
    EXPECT_FALSE(s.checkCollisionInnerBoundingBox(&o));
    EXPECT_FALSE(o.checkCollisionInnerBoundingBox(&s));
    EXPECT_FALSE(s.checkCollision(&o));
    EXPECT_FALSE(o.checkCollision(&s));
    o.position = Vec(5, -5);
    EXPECT_TRUE(s.checkCollision(&o));
    EXPECT_TRUE(o.checkCollision(&s));
}

TEST(SpriteCollision, SpritesWithoutImagesNeverCollide) {
    ImageSprite s(Vec(0, 0), true, nullptr), o(Vec(0, 0), true, nullptr);
    EXPECT_FALSE(s.checkCollision(&o));
    EXPECT_EQ(nullptr, s.getBitmask());
    EXPECT_FALSE(s.checkCollisionBitmask(&o));
}

// Image sprites

TEST(ImageSprite, CopiesItsImagesDataAndHasNoneWithoutImage) {
    StubImage image(6, 4, maskOf({"##....", "##....", "......", ".....#"}));
    image.hotspot = Vec(3, 2);
    ImageSprite sprite(Vec(1, 2), false, &image);
    EXPECT_FALSE(sprite.collidable);
    EXPECT_FLOAT_EQ(1.0f, sprite.color.alpha);
    EXPECT_FLOAT_EQ(6.0f, sprite.width);
    EXPECT_FLOAT_EQ(4.0f, sprite.height);
    EXPECT_EQ(Vec(3, 2), sprite.hotspot);
    EXPECT_EQ(BoundingBox(0, 0, 2, 2), sprite.innerBoundingBox);
    EXPECT_EQ(image.bitmask, sprite.getBitmask());
    // Clearing keeps the copies; setting no image zeroes them.
    sprite.autoclearImage();
    EXPECT_EQ(nullptr, sprite.image);
    EXPECT_FLOAT_EQ(6.0f, sprite.width);
    EXPECT_EQ(nullptr, sprite.getBitmask());
    sprite.setImage(&image);
    sprite.setImage(nullptr);
    EXPECT_FLOAT_EQ(0.0f, sprite.width);
    EXPECT_EQ(BoundingBox(), sprite.outerBoundingBox);
    EXPECT_EQ(Vec(1, 2), sprite.position);
}

TEST(ImageSprite, OwnsAnimationReferencesButNotOtherImages) {
    StubImage frame(4, 4);
    Animation animation("a");
    animation.frames.push_back(AnimationFrame(&frame, 100));
    int deleted = 0;
    {
        ImageSprite sprite(Vec(0, 0), true, new CountedReference(&animation, &deleted));
        sprite.setImage(sprite.image); // the same reference again stays alive
        EXPECT_EQ(0, deleted);
        sprite.setImage(new CountedReference(&animation, &deleted));
        EXPECT_EQ(1, deleted);
        sprite.setImage(&frame); // a bank's image is never deleted (ASan would tell)
        EXPECT_EQ(2, deleted);
        sprite.setImage(new CountedReference(&animation, &deleted));
        sprite.autoclearImage();
        EXPECT_EQ(3, deleted);
        sprite.setImage(new CountedReference(&animation, &deleted));
    }
    EXPECT_EQ(4, deleted);
}

TEST(ImageSprite, GivenAnAnimationTwiceDeletesTheFirstReference) {
    StubImage small(4, 4), large(8, 6);
    Animation animation("a");
    animation.loop = true;
    animation.frames.push_back(AnimationFrame(&small, 100));
    animation.frames.push_back(AnimationFrame(&large, 100));
    ImageSprite sprite(Vec(0, 0), true, nullptr);
    AnimationReference* first = sprite.setAnimation(&animation, 1.0f);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, sprite.image);
    EXPECT_FLOAT_EQ(4.0f, sprite.width);
    // LeakSanitizer reports the first reference if it is not deleted here.
    AnimationReference* second = sprite.setAnimation(&animation, 2.0f);
    EXPECT_EQ(second, sprite.image);
    EXPECT_FLOAT_EQ(2.0f, second->speed);
    // Performing plays the animation and takes over the new frame's data.
    sprite.perform(250);
    EXPECT_FLOAT_EQ(8.0f, sprite.width);
    EXPECT_FLOAT_EQ(6.0f, sprite.height);
}

TEST(ImageSprite, NullAnimationIsLoggedAndShowsNothing) {
    StubImage image(4, 4);
    ImageSprite sprite(Vec(0, 0), true, &image);
    testutil::LogCapture capture;
    EXPECT_EQ(nullptr, sprite.setAnimation(nullptr, 1.0f));
    EXPECT_NE(std::string::npos,
              capture.text().find("(warning) No animation given to sprite; it shows nothing."))
        << capture.text();
    EXPECT_EQ(nullptr, sprite.image);
    sprite.perform(10);
    EXPECT_FLOAT_EQ(0.0f, sprite.width);
}

// Engine membership

TEST(SpriteEngine, AddBackOfASpriteAtTheFrontMovesItToTheBack) {
    Cast cast;
    Probe *a = cast.make("a"), *b = cast.make("b"), *c = cast.make("c");
    SpriteEngine engine;
    engine.addBack(b);
    engine.addBack(c);
    engine.addFront(a);
    EXPECT_EQ((std::vector<Sprite*>{a, b, c}), listOf(engine));
    engine.addBack(a);
    EXPECT_EQ((std::vector<Sprite*>{b, c, a}), listOf(engine));
    engine.addFront(a);
    EXPECT_EQ((std::vector<Sprite*>{a, b, c}), listOf(engine));
    EXPECT_EQ(3u, engine.size());
    EXPECT_EQ(&engine, a->engine);
}

TEST(SpriteEngine, AddingToAnotherEngineMovesTheSprite) {
    Cast cast;
    Probe *a = cast.make("a"), *b = cast.make("b");
    SpriteEngine first, second;
    first.addBack(a);
    first.addBack(b);
    second.addFront(a);
    EXPECT_EQ((std::vector<Sprite*>{b}), listOf(first));
    EXPECT_EQ((std::vector<Sprite*>{a}), listOf(second));
    EXPECT_EQ(&second, a->engine);
}

TEST(SpriteEngine, RemoveOfASpriteOfAnotherEngineDoesNothing) {
    Cast cast;
    Probe *a = cast.make("a"), *b = cast.make("b"), *loose = cast.make("loose");
    SpriteEngine first, second;
    first.addBack(a);
    second.addBack(b);
    first.remove(b);
    first.remove(loose);
    first.remove(nullptr);
    EXPECT_EQ(&second, b->engine);
    EXPECT_EQ(1u, second.size());
    EXPECT_EQ(1u, first.size());
    first.remove(a);
    EXPECT_EQ(0u, first.size());
    EXPECT_EQ(nullptr, a->engine);
}

TEST(SpriteEngine, ClearingOrDestroyingLeavesTheSpritesAliveWithoutEngine) {
    Cast cast;
    Probe *a = cast.make("a"), *b = cast.make("b");
    SpriteEngine engine;
    engine.addBack(a);
    engine.addBack(b);
    engine.clear();
    EXPECT_EQ(0u, engine.size());
    EXPECT_EQ(nullptr, a->engine);
    {
        SpriteEngine shortLived;
        shortLived.addBack(b);
    }
    EXPECT_EQ(nullptr, b->engine);
}

TEST(SpriteEngine, DeletedSpriteLeavesItsEngine) {
    Cast cast;
    SpriteEngine engine;
    Probe* a = cast.make("a");
    auto* doomed = new Probe("doomed", &cast.log, &cast.square);
    engine.addBack(doomed);
    engine.addBack(a);
    delete doomed;
    EXPECT_EQ((std::vector<Sprite*>{a}), listOf(engine));
}

TEST(SpriteEngine, NullSpriteIsLoggedAndIgnored) {
    SpriteEngine engine;
    testutil::LogCapture capture;
    engine.addBack(nullptr);
    engine.addFront(nullptr);
    EXPECT_NE(std::string::npos,
              capture.text().find("(warning) Cannot add a null sprite to a sprite engine."));
    EXPECT_EQ(0u, engine.size());
}

TEST(SpriteEngine, PerformVisitsEverySpriteInListOrderVisibleOrNot) {
    Cast cast;
    SpriteEngine engine;
    for (char const* name : {"a", "b", "c"})
        engine.addBack(cast.make(name));
    cast.probes[1]->visible = false;
    engine.perform(10);
    EXPECT_EQ("a b c", cast.text());
}

TEST(SpriteEngine, SpritesAddedWhilePerformingWaitForTheNextWalk) {
    Cast cast;
    SpriteEngine engine, elsewhere;
    Probe *a = cast.make("a"), *b = cast.make("b"), *c = cast.make("c");
    Probe *front = cast.make("front"), *back = cast.make("back");
    engine.addBack(a);
    engine.addBack(b);
    engine.addBack(c);
    // a moves itself behind c; b adds sprites at both ends and sends c elsewhere.
    a->onPerform = [&] { engine.addBack(a); };
    b->onPerform = [&] {
        engine.addFront(front);
        engine.addBack(back);
        elsewhere.addBack(c);
    };
    engine.perform(10);
    EXPECT_EQ("a b", cast.text());
    EXPECT_EQ((std::vector<Sprite*>{front, b, a, back}), listOf(engine));
    a->onPerform = nullptr;
    b->onPerform = nullptr;
    cast.log.clear();
    engine.perform(10);
    EXPECT_EQ("front b a back", cast.text());
}

TEST(SpriteEngine, SpriteDeletingTheNextOneWhilePerformingIsSafe) {
    Cast cast;
    SpriteEngine engine;
    Probe* a = cast.make("a");
    auto* b = new Probe("b", &cast.log, &cast.square);
    auto* c = new Probe("c", &cast.log, &cast.square);
    Probe* d = cast.make("d");
    for (Sprite* sprite : {static_cast<Sprite*>(a), static_cast<Sprite*>(b),
                           static_cast<Sprite*>(c), static_cast<Sprite*>(d)})
        engine.addBack(sprite);
    // a deletes the next sprite, then c deletes itself while being performed.
    a->onPerform = [&] { delete b; };
    c->onPerform = [&] { delete c; };
    engine.perform(10);
    EXPECT_EQ("a c d", cast.text());
    EXPECT_EQ((std::vector<Sprite*>{a, d}), listOf(engine));
}

TEST(SpriteEngine, ClearingWhilePerformingEndsTheWalk) {
    Cast cast;
    SpriteEngine engine;
    Probe* a = cast.make("a");
    engine.addBack(a);
    engine.addBack(cast.make("b"));
    a->onPerform = [&] { engine.clear(); };
    engine.perform(10);
    EXPECT_EQ("a", cast.text());
    EXPECT_EQ(0u, engine.size());
}

// Collision tests of engines

TEST(SpriteEngineCollisions, BetweenEnginesBothAreToldThisEnginesSpriteFirst) {
    Cast cast;
    SpriteEngine ships, rocks;
    ships.addBack(cast.make("s1"));
    ships.addBack(cast.make("s2"));
    rocks.addBack(cast.make("r1"));
    rocks.addBack(cast.make("r2"));
    ships.testCollisions(&rocks);
    EXPECT_EQ("s1>r1 r1>s1 s1>r2 r2>s1 s2>r1 r1>s2 s2>r2 r2>s2", cast.text());
    cast.log.clear();
    ships.testCollisions(nullptr);
    EXPECT_EQ("", cast.text());
}

TEST(SpriteEngineCollisions, WithinAnEngineOnlyTheEarlierSpriteIsTold) {
    Cast cast;
    SpriteEngine engine;
    for (char const* name : {"a", "b", "far", "c"})
        engine.addBack(cast.make(name));
    cast.probes[2]->position = Vec(100, 0);
    engine.testCollisions();
    EXPECT_EQ("a>b a>c b>c", cast.text());
}

TEST(SpriteEngineCollisions, OnlyCollidableSpritesTakePartVisibleOrNot) {
    Cast cast;
    SpriteEngine engine, other;
    for (char const* name : {"a", "b", "c", "d"})
        engine.addBack(cast.make(name));
    other.addBack(cast.make("x"));
    cast.probes[1]->collidable = false;
    cast.probes[2]->visible = false;
    engine.testCollisions();
    EXPECT_EQ("a>c a>d c>d", cast.text());
    cast.log.clear();
    engine.testCollisions(&other);
    EXPECT_EQ("a>x x>a c>x x>c d>x x>d", cast.text());
}

TEST(SpriteEngineCollisions, SpritesAddedByAHandlerTakeNoPartInThatTest) {
    Cast cast;
    SpriteEngine ships, rocks;
    Probe *s1 = cast.make("s1"), *s2 = cast.make("s2"), *r1 = cast.make("r1");
    Probe *shard = cast.make("shard"), *blast = cast.make("blast"), *wreck = cast.make("wreck");
    ships.addBack(s1);
    ships.addBack(s2);
    rocks.addBack(r1);
    // r1 splits into a shard at the front and a blast at the back of its engine, and s1
    // leaves a wreck behind its engine's last sprite.
    r1->onHit = [&](Sprite*) {
        if (shard->engine)
            return;
        rocks.addFront(shard);
        rocks.addBack(blast);
        ships.addBack(wreck);
    };
    ships.testCollisions(&rocks);
    EXPECT_EQ("s1>r1 r1>s1 s2>r1 r1>s2", cast.text());
    cast.log.clear();
    r1->onHit = nullptr;
    ships.testCollisions(&rocks);
    EXPECT_EQ("s1>shard shard>s1 s1>r1 r1>s1 s1>blast blast>s1 s2>shard shard>s2 s2>r1 r1>s2 "
              "s2>blast blast>s2 wreck>shard shard>wreck wreck>r1 r1>wreck wreck>blast "
              "blast>wreck",
              cast.text());
}

TEST(SpriteEngineCollisions, SpriteMovingItselfToTheBackIsNotTestedFurther) {
    Cast cast;
    SpriteEngine engine;
    Probe *a = cast.make("a"), *b = cast.make("b"), *c = cast.make("c");
    engine.addBack(a);
    engine.addBack(b);
    engine.addBack(c);
    a->onHit = [&](Sprite* other) {
        if (other == b)
            engine.addBack(a);
    };
    // Having left its place, a is not tested against c any more.
    engine.testCollisions();
    EXPECT_EQ("a>b b>c", cast.text());
    EXPECT_EQ((std::vector<Sprite*>{b, c, a}), listOf(engine));
}

TEST(SpriteEngineCollisions, HandlerDeletingTheOtherSpriteOrTheNextOneIsSafe) {
    Cast cast;
    SpriteEngine lasers, rocks;
    Probe *l1 = cast.make("l1"), *l2 = cast.make("l2");
    auto* r1 = new Probe("r1", &cast.log, &cast.square);
    auto* r2 = new Probe("r2", &cast.log, &cast.square);
    Probe* r3 = cast.make("r3");
    lasers.addBack(l1);
    lasers.addBack(l2);
    rocks.addBack(r1);
    rocks.addBack(r2);
    rocks.addBack(r3);
    // l1 destroys the rock it hits and the one after it: neither is told nor tested again.
    l1->onHit = [&](Sprite* other) {
        if (other != r1)
            return;
        delete r1;
        delete r2;
    };
    lasers.testCollisions(&rocks);
    EXPECT_EQ("l1>r1 l1>r3 r3>l1 l2>r3 r3>l2", cast.text());
}

TEST(SpriteEngineCollisions, SpriteDeletedByItsOwnHandlerIsNotToldOrTestedFurther) {
    Cast cast;
    SpriteEngine lasers, rocks, one;
    auto* l1 = new Probe("l1", &cast.log, &cast.square);
    Probe *l2 = cast.make("l2"), *r1 = cast.make("r1"), *r2 = cast.make("r2");
    lasers.addBack(l1);
    lasers.addBack(l2);
    rocks.addBack(r1);
    rocks.addBack(r2);
    l1->onHit = [&](Sprite*) { delete l1; };
    lasers.testCollisions(&rocks);
    EXPECT_EQ("l1>r1 l2>r1 r1>l2 l2>r2 r2>l2", cast.text());

    // The other side deleting the first sprite stops its tests as well.
    cast.log.clear();
    auto* a = new Probe("a", &cast.log, &cast.square);
    Probe *b = cast.make("b"), *c = cast.make("c");
    one.addBack(a);
    one.addBack(b);
    one.addBack(c);
    rocks.clear();
    rocks.addBack(r1);
    r1->onHit = [&](Sprite* other) {
        if (other == a)
            delete a;
    };
    one.testCollisions(&rocks);
    EXPECT_EQ("a>r1 r1>a b>r1 r1>b c>r1 r1>c", cast.text());

    // Within one engine.
    cast.log.clear();
    auto* d = new Probe("d", &cast.log, &cast.square);
    one.addFront(d);
    d->onHit = [&](Sprite* other) {
        if (other == b)
            delete d;
    };
    one.testCollisions();
    EXPECT_EQ("d>b b>c", cast.text());
}

TEST(SpriteEngineCollisions, HandlerDeletingTheNextSpriteWithinAnEngineIsSafe) {
    Cast cast;
    SpriteEngine engine;
    Probe* a = cast.make("a");
    auto* b = new Probe("b", &cast.log, &cast.square);
    Probe* c = cast.make("c");
    engine.addBack(a);
    engine.addBack(b);
    engine.addBack(c);
    a->onHit = [&](Sprite* other) {
        if (other == b)
            delete b;
    };
    engine.testCollisions();
    EXPECT_EQ("a>b a>c", cast.text());
    EXPECT_EQ((std::vector<Sprite*>{a, c}), listOf(engine));
}

// Drawing

namespace {

// A window with a 2D context of its own pixel size, cleared to opaque blue.
struct Canvas {
    testutil::Window window;
    explicit Canvas(int size) : window(size, size) {
        RenderContext2D context(basic_Vector2D<float>(size, size));
        context.blending = false;
        context.apply();
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        clearScreen();
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    }
};

// Red at half opacity: alpha blending over blue gives about (128, 0, 127), additive blending
// (128, 0, 255).
std::unique_ptr<SimpleImage> halfRed(testutil::TempDir const& dir, int size) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < size * size; ++i)
        pixels.insert(pixels.end(), {255, 0, 0, 128});
    EXPECT_TRUE(testutil::writePng(dir.file("red.png"), size, size, 4, pixels));
    auto image = std::make_unique<SimpleImage>("red", dir.file("red.png"));
    image->filter = none;
    image->refresh(false);
    return image;
}

enum Look { untouched, blended, added, unexpected };

Look lookAt(int x, int y) {
    std::uint32_t p = testutil::pixelAt(x, y);
    int red = p >> 24, green = (p >> 16) & 0xFF, blue = (p >> 8) & 0xFF;
    if (green > 2)
        return unexpected;
    if (red < 3 && blue > 252)
        return untouched;
    if (std::abs(red - 128) < 3 && std::abs(blue - 127) < 3)
        return blended;
    if (std::abs(red - 128) < 3 && blue > 252)
        return added;
    return unexpected;
}

GLint blendDestination() {
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_DST, &destination);
    return destination;
}

} // namespace

TEST(SpriteGL, BlendModeSwitchesPerSpriteAndBackToTheEngines) {
    Canvas canvas(64);
    testutil::TempDir dir;
    std::unique_ptr<SimpleImage> red = halfRed(dir, 4);
    ImageSprite additive(Vec(4, 10), true, red.get()), plain(Vec(12, 10), true, red.get());
    ImageSprite hidden(Vec(20, 10), false, red.get());
    additive.blendMode = 2;
    SpriteEngine engine;
    engine.addBack(&additive);
    engine.addBack(&plain);
    engine.addBack(&hidden);
    // In an additive engine the roles turn round.
    ImageSprite alpha(Vec(4, 30), true, red.get()), same(Vec(12, 30), true, red.get());
    same.blendMode = 2;
    SpriteEngine glowing;
    glowing.blendMode = 2;
    glowing.addBack(&alpha);
    glowing.addBack(&same);

    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    engine.draw();
    glowing.draw();
    EXPECT_EQ(added, lookAt(5, 8));
    EXPECT_EQ(blended, lookAt(13, 8));
    EXPECT_EQ(untouched, lookAt(21, 8));
    EXPECT_EQ(blended, lookAt(5, 28));
    EXPECT_EQ(added, lookAt(13, 28));
    // The engines leave blending as they found it.
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GL_ZERO, blendDestination());
    engine.clear();
    glowing.clear();
    red->release(false);
}

TEST(SpriteGL, SpriteWithoutEngineUsesItsOwnBlendModeAndRestoresTheOld) {
    Canvas canvas(32);
    testutil::TempDir dir;
    std::unique_ptr<SimpleImage> red = halfRed(dir, 4);
    ImageSprite cursor(Vec(8, 8), true, red.get());
    cursor.blendMode = 1;
    // The caller switches blending on; the sprite only picks the function.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    cursor.draw();
    EXPECT_EQ(blended, lookAt(9, 6));
    EXPECT_EQ(GL_ONE, blendDestination());
    // Sprite::draw ignores the visible flag.
    cursor.visible = false;
    cursor.position = Vec(20, 8);
    cursor.draw();
    EXPECT_EQ(blended, lookAt(21, 6));
    red->release(false);
}

TEST(SpriteGL, ImageSpritePutsItsHotSpotOnItsPositionTinted) {
    Canvas canvas(32);
    testutil::TempDir dir;
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 16; ++i)
        pixels.insert(pixels.end(), {255, 255, 255, 255});
    ASSERT_TRUE(testutil::writePng(dir.file("white.png"), 4, 4, 4, pixels));
    SimpleImage white("white", dir.file("white.png"));
    white.filter = none;
    white.hotspot = Vec(1, 1);
    white.refresh(false);
    ImageSprite sprite(Vec(10, 10), true, &white);
    sprite.color = Color(1.0f, 1.0f, 0.0f, 1.0f);
    sprite.draw();
    // Top left corner at (9, 11): pixel columns 9 to 12 and rows 7 to 10.
    EXPECT_EQ(0xFFFF00FFu, testutil::pixelAt(9, 10));
    EXPECT_EQ(0xFFFF00FFu, testutil::pixelAt(12, 7));
    EXPECT_EQ(0x0000FFFFu, testutil::pixelAt(8, 10));
    EXPECT_EQ(0x0000FFFFu, testutil::pixelAt(9, 11));
    EXPECT_EQ(0x0000FFFFu, testutil::pixelAt(13, 7));
    EXPECT_EQ(0x0000FFFFu, testutil::pixelAt(12, 6));
    white.release(false);
}

TEST(SpriteGL, DrawsRestoreBlendingAndLeaveTheLastTintAndTexture) {
    Canvas canvas(32);
    testutil::TempDir dir;
    std::unique_ptr<SimpleImage> red = halfRed(dir, 4);
    Animation animation("a");
    animation.frames.push_back(AnimationFrame(red.get(), 100.0f));
    GLuint other = 0;
    glGenTextures(1, &other);
    GLfloat vertices[9] = {};
    auto expectation = [&](Color const& tint) {
        testutil::GLState expected = testutil::GLState::read();
        expected.texture2D = GL_TRUE;
        expected.boundTexture = static_cast<GLint>(red->texture);
        expected.color[0] = tint.red;
        expected.color[1] = tint.green;
        expected.color[2] = tint.blue;
        expected.color[3] = tint.alpha;
        return expected.text();
    };

    // A sprite of its own, as the GUI's cursor, with blending on or off.
    ImageSprite cursor(Vec(8, 8), true, red.get());
    cursor.blendMode = 2;
    cursor.color = Color(1.0f, 0.5f, 0.25f, 1.0f);
    for (bool blending : {false, true}) {
        testutil::setUnusualState(other, vertices);
        if (blending)
            glEnable(GL_BLEND);
        std::string expected = expectation(cursor.color);
        cursor.draw();
        EXPECT_EQ(expected, testutil::GLState::read().text()) << "blending " << blending;
    }

    // Engines of either mode whose sprites switch blending, one of them animated, the last one
    // hidden.
    for (BlendMode mode : {0, 2}) {
        SpriteEngine engine;
        engine.blendMode = mode;
        ImageSprite same(Vec(4, 10), true, red.get()), additive(Vec(10, 10), true, nullptr);
        ImageSprite plain(Vec(16, 10), true, red.get()), hidden(Vec(22, 10), false, red.get());
        same.blendMode = mode;
        additive.setAnimation(&animation, 1.0f);
        additive.blendMode = 2;
        plain.blendMode = 1;
        plain.color = Color(0.5f, 1.0f, 1.0f, 0.75f);
        hidden.blendMode = 2;
        hidden.color = Color(0.0f, 0.0f, 0.0f, 0.0f);
        for (ImageSprite* sprite : {&same, &additive, &plain, &hidden})
            engine.addBack(sprite);
        testutil::setUnusualState(other, vertices);
        std::string expected = expectation(plain.color);
        engine.draw();
        EXPECT_EQ(expected, testutil::GLState::read().text()) << "engine mode " << mode;
        engine.clear();
    }
    glDeleteTextures(1, &other);
    red->release(false);
}
