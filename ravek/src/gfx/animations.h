#ifndef RAVEK_GFX_ANIMATIONS_H
#define RAVEK_GFX_ANIMATIONS_H

#include "ravek/src/gfx/images.h"
#include "ravek/src/resources.h"
#include "ravek/src/xml.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ravek {
namespace gfx {

class AnimationBank;
class AnimationReference;

// One picture of an animation and how long it shows, in milliseconds (a negative delay counts
// as 0). The image belongs to an image bank; null when the bank has no image of that name, and
// then the frame shows nothing.
struct AnimationFrame {
    Image* image;
    float delay;

    AnimationFrame() : image(nullptr), delay(0.0f) {}
    AnimationFrame(Image* image, float delay) : image(image), delay(delay) {}
};

// A named sequence of frames in an animation bank, which owns it.
class Animation : public NamedResource<AnimationBank, std::string> {
public:
    std::vector<AnimationFrame> frames;
    // The delay of frames that give none.
    float delay;
    // Play endlessly.
    bool loop;

    Animation() : delay(10.0f), loop(false) {}
    explicit Animation(std::string const& name)
        : NamedResource<AnimationBank, std::string>(name), delay(10.0f), loop(false) {}

    // A new reference playing this animation; the caller owns it, and it must not outlive the
    // animation.
    AnimationReference* getReference(float speed);
    // Appends the frames of an "animation" element; `loops` are the loops around it (the
    // element's own loops are added while they run). Frames resolve their images in `images`
    // (all null without a bank).
    void getFromNode(xml::Node const* node, ImageBank* images, xml::LoopList& loops);
};

// A playing animation: an image that shows the current frame's picture and copies its size,
// hot spot, bitmask and boxes at every frame change. Every frame lasts its delay times `speed`
// milliseconds; a speed of 0 or less pauses it. Playing stops when `current` reaches `target`
// (the last frame of a non-looping animation). Owned by whoever asked for it.
class AnimationReference : public Image {
public:
    AnimationFrame* frame;
    Image* image;
    Animation* animation;
    float speed;
    unsigned current;
    float time;
    std::int32_t target;

    AnimationReference();
    AnimationReference(Animation* animation, float speed);

    // Advances by `ms`; at most one full cycle of frames is stepped through per call (whole
    // cycles of a long step are skipped), so frames without duration cannot hang it.
    void perform(float ms) override;
    void draw(basic_Vector2D<float> const& position, BlendMode blend) const override;
    void draw(basic_Rect<float> const& rect, BlendMode blend) const override;
    void drawStretched(basic_Rect<float> const& rect, BlendMode blend) const override;

    // Shows the frame; null (or a frame without image) shows nothing and keeps the copied data.
    void setFrame(AnimationFrame* frame);
    bool isFinished() const;

private:
    float duration(unsigned index) const;
};

// The animations of an animation description (bank type "animations"), by name; owns them. A
// loop or the bank element may name the image bank ("imageBank") among its manager's banks
// whose images the frames show. Faulty elements are logged in the animations group and
// skipped.
class AnimationBank : public NamedResourceBank<Animation> {
public:
    std::string getNodeName() const override;
    // The directory is not used.
    void getFromNode(xml::Node const* node, std::string const& dir) override;
    void getFromNode(xml::Node const* node, ImageBank* images);
    void getContentsFromNode(xml::Node const* node, ImageBank* images);

private:
    // The image bank named by the element's "imageBank" when the manager holds one, else
    // `images`.
    ImageBank* imageBankOf(xml::Node const* node, ImageBank* images) const;
    // The loops being read, outermost first.
    xml::LoopList loops;
};

class AnimationResourceBankGenerator : public ResourceBankGenerator {
public:
    BasicResourceBank* generateBank(std::string const& type) const override;
};

extern AnimationResourceBankGenerator animationResourceBankGenerator;

} // namespace gfx
} // namespace ravek

#endif
