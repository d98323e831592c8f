#include "ravek/src/gfx/animations.h"

#include "ravek/src/debug.h"

#include <cmath>
#include <list>
#include <memory>

namespace ravek {
namespace gfx {

namespace {

char const* const XML_ANIMATIONS = "animations";
char const* const XML_ANIMATION = "animation";
char const* const XML_ANIMATION_NAME = "name";
char const* const XML_ANIMATION_DELAY = "delay";
char const* const XML_ANIMATION_LOOP = "loop";
char const* const XML_ANIMATION_IMAGEBANK = "imageBank";
char const* const XML_FRAME = "frame";
char const* const XML_FRAME_IMAGE = "image";
char const* const XML_FRAME_DELAY = "delay";

// What is left of `time` once whole steps of `length` have been taken while more than `length`
// remained: a value in (0, length].
float remainder(float time, float length) {
    if (!(length > 0.0f) || !(time > length))
        return time;
    float rest = std::fmod(time, length);
    return rest > 0.0f ? rest : length;
}

} // namespace

// Animation

AnimationReference* Animation::getReference(float speed) {
    return new AnimationReference(this, speed);
}

void Animation::getFromNode(xml::Node const* node, ImageBank* images, xml::LoopList& loops) {
    for (xml::Node const* child : node->children) {
        if (child->name == xml::XML_LOOP) {
            xml::runLoop(child, loops, dbgAnimations, [&] { getFromNode(child, images, loops); });
            continue;
        }
        if (child->name != XML_FRAME)
            continue;
        std::string const* imageName = child->getAttribute(XML_FRAME_IMAGE);
        if (!imageName) {
            debug::error(dbgAnimations, "No name specified for animation frame image. Skipping.");
            continue;
        }
        std::string name = xml::substituteLoops(*imageName, loops);
        float frameDelay = child->getAttributeFloat(XML_FRAME_DELAY, delay);
        Image* image = nullptr;
        if (images) {
            auto found = images->resources.find(name);
            if (found != images->resources.end())
                image = found->second;
        }
        frames.push_back(AnimationFrame(image, frameDelay));
    }
}

// AnimationReference

AnimationReference::AnimationReference()
    : frame(nullptr), image(nullptr), animation(nullptr), speed(1.0f), current(0), time(0.0f),
      target(0) {}

AnimationReference::AnimationReference(Animation* animation, float speed)
    : frame(nullptr), image(nullptr), animation(animation), speed(speed), current(0), time(0.0f),
      target(0) {
    std::int32_t count = static_cast<std::int32_t>(animation->frames.size());
    target = animation->loop ? count : count - 1;
    setFrame(animation->frames.empty() ? nullptr : &animation->frames[0]);
}

float AnimationReference::duration(unsigned index) const {
    float delay = animation->frames[index].delay;
    return delay > 0.0f ? delay * speed : 0.0f;
}

void AnimationReference::perform(float ms) {
    if (!animation)
        return;
    unsigned count = static_cast<unsigned>(animation->frames.size());
    if (current >= count || static_cast<std::int64_t>(current) == target || !(speed > 0.0f))
        return;
    time += ms;
    // An endless animation that is behind by whole cycles skips them: they end where they began.
    if (target == static_cast<std::int64_t>(count)) {
        float cycle = 0.0f;
        for (unsigned i = 0; i < count; ++i)
            cycle += duration(i);
        time = remainder(time, cycle);
    }
    unsigned steps = 0;
    for (; steps < count; ++steps) {
        float length = duration(current);
        if (!(time > length))
            break;
        time -= length;
        if (static_cast<std::int64_t>(current) < target)
            ++current;
        else
            --current;
        if (current >= count)
            current = 0;
        setFrame(&animation->frames[current]);
        if (static_cast<std::int64_t>(current) == target) {
            // Where playing stops the rest of the time runs out in this frame.
            time = remainder(time, duration(current));
            return;
        }
    }
    // Only an endless animation whose frames all last 0 gets here: one cycle per call is enough.
    if (steps == count)
        time = 0.0f;
}

void AnimationReference::draw(basic_Vector2D<float> const& position, BlendMode blend) const {
    if (image)
        image->draw(position, blend);
}

void AnimationReference::draw(basic_Rect<float> const& rect, BlendMode blend) const {
    if (image)
        image->draw(rect, blend);
}

void AnimationReference::drawStretched(basic_Rect<float> const& rect, BlendMode blend) const {
    if (image)
        image->drawStretched(rect, blend);
}

void AnimationReference::setFrame(AnimationFrame* f) {
    frame = f;
    image = f ? f->image : nullptr;
    if (!image)
        return;
    width = image->width;
    height = image->height;
    bitmask = image->bitmask;
    hotspot = image->hotspot;
    outerBoundingBox = image->outerBoundingBox;
    innerBoundingBox = image->innerBoundingBox;
}

bool AnimationReference::isFinished() const {
    return static_cast<std::int64_t>(current) == target && !(animation && animation->loop);
}

// AnimationBank

std::string AnimationBank::getNodeName() const {
    return XML_ANIMATIONS;
}

void AnimationBank::getFromNode(xml::Node const* node, std::string const&) {
    getFromNode(node, nullptr);
}

void AnimationBank::getFromNode(xml::Node const* node, ImageBank* images) {
    // Outside any loop this is a new description, which gets its own allowance of loop work.
    if (loops.empty())
        loops = xml::LoopList();
    getContentsFromNode(node, imageBankOf(node, images));
}

ImageBank* AnimationBank::imageBankOf(xml::Node const* node, ImageBank* images) const {
    std::string const* name = node->getAttribute(XML_ANIMATION_IMAGEBANK);
    if (!manager || !name)
        return images;
    auto found = manager->banks.find(*name);
    if (found == manager->banks.end())
        return images;
    ImageBank* named = dynamic_cast<ImageBank*>(found->second);
    return named ? named : images;
}

void AnimationBank::getContentsFromNode(xml::Node const* node, ImageBank* images) {
    for (xml::Node const* child : node->children) {
        if (child->name == xml::XML_LOOP) {
            xml::runLoop(child, loops, dbgAnimations, [&] { getFromNode(child, images); });
            continue;
        }
        if (child->name != XML_ANIMATION)
            continue;
        std::string const* nameAttribute = child->getAttribute(XML_ANIMATION_NAME);
        if (!nameAttribute) {
            debug::error(dbgAnimations, "No name specified for animation. Skipping.");
            continue;
        }
        // Animation names take the plain values, without the padding of "digits".
        std::list<xml::LoopData> plain;
        xml::LoopList plainLoops;
        for (xml::LoopData const* loop : loops) {
            plain.push_back(*loop);
            plain.back().digits = 0;
            plainLoops.push_back(&plain.back());
        }
        std::string name = xml::substituteLoops(*nameAttribute, plainLoops);
        ImageBank* bank = imageBankOf(node, images);
        auto animation = std::make_unique<Animation>(name);
        animation->delay = child->getAttributeFloat(XML_ANIMATION_DELAY, animation->delay);
        animation->loop = child->getAttributeBool(XML_ANIMATION_LOOP, animation->loop);
        xml::LoopList frameLoops = loops;
        try {
            animation->getFromNode(child, bank, frameLoops);
        } catch (std::string const& text) {
            debug::error(dbgAnimations, "Error reading animation \"%s\": %s", name.c_str(),
                         text.c_str());
            continue;
        }
        auto old = resources.find(name);
        if (old != resources.end())
            delete old->second;
        animation->bank = this;
        resources[name] = animation.release();
    }
}

BasicResourceBank* AnimationResourceBankGenerator::generateBank(std::string const& type) const {
    if (type != XML_ANIMATIONS)
        return nullptr;
    return new AnimationBank;
}

AnimationResourceBankGenerator animationResourceBankGenerator;

} // namespace gfx
} // namespace ravek
