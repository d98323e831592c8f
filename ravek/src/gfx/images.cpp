#include "ravek/src/gfx/images.h"

#include "ravek/src/debug.h"
#include "ravek/src/imagefile.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <memory>

namespace ravek {
namespace gfx {

namespace {

char const* const XML_IMAGE = "image";
char const* const XML_IMAGE_NAME = "name";
char const* const XML_IMAGE_FILENAME = "filename";
char const* const XML_IMAGE_HOTX = "hotX";
char const* const XML_IMAGE_HOTY = "hotY";
char const* const XML_IMAGE_BITMASK_THRESHOLD = "bitmaskThreshold";
char const* const XML_IMAGE_CLAMP = "clamp";
char const* const XML_IMAGE_FILTER = "filter";
char const* const XML_IMAGES = "images";

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
typedef std::unique_ptr<SDL_Surface, SurfaceDeleter> SurfacePtr;

#if SDL_BYTEORDER == SDL_LIL_ENDIAN
Uint32 const RED = 0x000000FF, GREEN = 0x0000FF00, BLUE = 0x00FF0000, ALPHA = 0xFF000000;
Uint32 const RED24 = 0x000000FF, GREEN24 = 0x0000FF00, BLUE24 = 0x00FF0000;
#else
Uint32 const RED = 0xFF000000, GREEN = 0x00FF0000, BLUE = 0x0000FF00, ALPHA = 0x000000FF;
Uint32 const RED24 = 0x00FF0000, GREEN24 = 0x0000FF00, BLUE24 = 0x000000FF;
#endif

std::string loadError(std::string const& filename) {
    return "Could not load \"" + filename + "\": " + SDL_GetError() + ".";
}

// Texturing, the texture and a blend function are all a draw changes, and they stay in effect
// by contract, so there is nothing to save: no attribute push, and no matrix change either
// (vertices are placed directly), which lets the driver batch consecutive quads. Setting what
// is already set costs the driver a comparison.
void beginDraw(unsigned texture, BlendMode blend) {
    if (blend != 0)
        setBlendMode(blend);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void emit(TexturedQuad const& q) {
    glTexCoord2f(q.sLeft, q.tBottom);
    glVertex2f(q.left, q.bottom);
    glTexCoord2f(q.sLeft, q.tTop);
    glVertex2f(q.left, q.top);
    glTexCoord2f(q.sRight, q.tTop);
    glVertex2f(q.right, q.top);
    glTexCoord2f(q.sRight, q.tBottom);
    glVertex2f(q.right, q.bottom);
}

} // namespace

std::uint32_t textureSize(std::uint32_t size) {
    std::uint32_t power = 1;
    while (power < size && power < 0x80000000u)
        power <<= 1;
    return power;
}

SDL_Surface* toTextureOrder(SDL_Surface* surface) {
    SDL_PixelFormat const* f = surface->format;
    bool keyed = (surface->flags & SDL_SRCCOLORKEY) != 0;
    if (!keyed && !f->palette) {
        if (f->BitsPerPixel == 32 && f->Rmask == RED && f->Gmask == GREEN && f->Bmask == BLUE &&
            f->Amask == ALPHA)
            return surface;
        if (f->BitsPerPixel == 24 && f->Rmask == RED24 && f->Gmask == GREEN24 &&
            f->Bmask == BLUE24 && f->Amask == 0)
            return surface;
    }
    bool alpha = f->Amask != 0 || keyed;
    SDL_Surface* converted = alpha ? SDL_CreateRGBSurface(SDL_SWSURFACE, surface->w, surface->h, 32,
                                                          RED, GREEN, BLUE, ALPHA)
                                   : SDL_CreateRGBSurface(SDL_SWSURFACE, surface->w, surface->h, 24,
                                                          RED24, GREEN24, BLUE24, 0);
    if (!converted)
        return nullptr;
    // Keyed pixels are skipped by the blit and stay transparent black; without per-surface
    // alpha the blit copies an alpha channel unchanged.
    SDL_FillRect(converted, nullptr, 0);
    Uint32 alphaFlags = surface->flags & (SDL_SRCALPHA | SDL_RLEACCELOK);
    Uint8 surfaceAlpha = f->alpha;
    SDL_SetAlpha(surface, 0, 0);
    int failed = SDL_BlitSurface(surface, nullptr, converted, nullptr);
    SDL_SetAlpha(surface, alphaFlags, surfaceAlpha);
    if (failed) {
        SDL_FreeSurface(converted);
        return nullptr;
    }
    return converted;
}

SDL_Surface* padSurface(SDL_Surface* surface, std::uint32_t textureWidth,
                        std::uint32_t textureHeight) {
    SDL_PixelFormat const* f = surface->format;
    SDL_Surface* padded = SDL_CreateRGBSurface(SDL_SWSURFACE, static_cast<int>(textureWidth),
                                               static_cast<int>(textureHeight), f->BitsPerPixel,
                                               f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!padded)
        return nullptr;
    SDL_FillRect(padded, nullptr, SDL_MapRGBA(padded->format, 0, 0, 0, 0));
    SDL_SetAlpha(surface, 0, 0);
    if (SDL_BlitSurface(surface, nullptr, padded, nullptr) != 0)
        std::printf("Blitting failed: %s.\n", SDL_GetError());
    return padded;
}

int unpackAlignment(int pitch, int rowBytes) {
    for (int alignment = 8; alignment >= 1; alignment /= 2)
        if ((rowBytes + alignment - 1) / alignment * alignment == pitch)
            return alignment;
    return 0;
}

void tileQuads(basic_Rect<float> const& rect, float w, float h, std::uint32_t textureWidth,
               std::uint32_t textureHeight, float right, float lower,
               std::function<void(TexturedQuad const&)> const& out) {
    // Written as negations so that NaN draws nothing as well.
    if (!(rect.width > 0.0f) || !(rect.height > 0.0f) || !(w > 0.0f) || !(h > 0.0f) ||
        textureWidth == 0 || textureHeight == 0)
        return;
    float rectRight = rect.x + rect.width;
    float rectTop = rect.y + rect.height;
    if (w == static_cast<float>(textureWidth) && h == static_cast<float>(textureHeight)) {
        // The texture's repeat wrapping does the tiling.
        out({rect.x, rect.y, rectRight, rectTop, 0.0f,
             rect.width / static_cast<float>(textureWidth), 0.0f,
             rect.height / static_cast<float>(textureHeight)});
        return;
    }
    // Edges are counted in tiles from the corner, so that a step too small to change a large
    // coordinate cannot stall the walk.
    for (long row = 0;; ++row) {
        float top = rectTop - static_cast<float>(static_cast<double>(row) * h);
        if (!(top > rect.y))
            break;
        float bottom = top - h;
        float tBottom = lower;
        if (bottom < rect.y) {
            bottom = rect.y;
            tBottom = (top - rect.y) / h * lower;
        }
        for (long column = 0;; ++column) {
            float left = rect.x + static_cast<float>(static_cast<double>(column) * w);
            if (!(left < rectRight))
                break;
            float tileRight = left + w;
            float sRight = right;
            if (tileRight > rectRight) {
                tileRight = rectRight;
                sRight = (rectRight - left) / w * right;
            }
            out({left, bottom, tileRight, top, 0.0f, sRight, 0.0f, tBottom});
        }
    }
}

bool filterParameters(int filter, int* minFilter, int* magFilter) {
    switch (filter) {
    case none:
        *minFilter = GL_NEAREST;
        *magFilter = GL_NEAREST;
        return true;
    case linear:
        *minFilter = GL_LINEAR;
        *magFilter = GL_LINEAR;
        return true;
    case bilinear:
        *minFilter = GL_NEAREST_MIPMAP_LINEAR;
        *magFilter = GL_LINEAR;
        return true;
    case trilinear:
        *minFilter = GL_LINEAR_MIPMAP_LINEAR;
        *magFilter = GL_LINEAR;
        return true;
    default:
        return false;
    }
}

// ImageResource

ImageResource::ImageResource() : bitmaskThreshold(-1.0f), clamp(false), filter(linear) {}

ImageResource::ImageResource(std::string const& name, std::string const& filename)
    : NamedResource<ImageBank, std::string>(name), filename(filename), bitmaskThreshold(-1.0f),
      clamp(false), filter(linear) {}

ImageResource::~ImageResource() {
    delete bitmask;
    bitmask = nullptr;
}

void ImageResource::reload(bool freeCache) {
    load(freeCache, bitmask == nullptr);
}

void ImageResource::createBitmask(SDL_Surface* surface, bool freeCache) {
    delete bitmask;
    bitmask = nullptr;
    bitmask = new Bitmask(surface, bitmaskThreshold, !freeCache);
    outerBoundingBox = bitmask->outerBoundingBox;
    innerBoundingBox = bitmask->innerBoundingBox;
}

// SingleTextureImage

SingleTextureImage::SingleTextureImage() : texture(0), textureWidth(0), textureHeight(0) {}

SingleTextureImage::SingleTextureImage(std::string const& name, std::string const& filename)
    : ImageResource(name, filename), texture(0), textureWidth(0), textureHeight(0) {}

void SingleTextureImage::draw(basic_Vector2D<float> const& position, BlendMode blend) const {
    if (texture == 0)
        return;
    float left = position.x - hotspot.x;
    float bottom = position.y + hotspot.y;
    beginDraw(texture, blend);
    glBegin(GL_QUADS);
    emit({left, bottom, left + static_cast<float>(width), bottom + static_cast<float>(height),
          getLeftTexCoord(), getRightTexCoord(), getUpperTexCoord(), getLowerTexCoord()});
    glEnd();
}

void SingleTextureImage::draw(basic_Rect<float> const& rect, BlendMode blend) const {
    if (texture == 0)
        return;
    if (!(rect.width > 0.0f) || !(rect.height > 0.0f))
        return;
    beginDraw(texture, blend);
    glBegin(GL_QUADS);
    tileQuads(rect, static_cast<float>(width), static_cast<float>(height), textureWidth,
              textureHeight, getRightTexCoord(), getLowerTexCoord(), emit);
    glEnd();
}

void SingleTextureImage::drawStretched(basic_Rect<float> const& rect, BlendMode blend) const {
    if (texture == 0)
        return;
    beginDraw(texture, blend);
    glBegin(GL_QUADS);
    emit({rect.x, rect.y, rect.x + rect.width, rect.y + rect.height, getLeftTexCoord(),
          getRightTexCoord(), getUpperTexCoord(), getLowerTexCoord()});
    glEnd();
}

// SimpleImage

void SimpleImage::load(bool freeCache, bool makeBitmask) {
    release(freeCache);
    SurfacePtr loaded(loadImageFile(filename));
    if (!loaded)
        throw loadError(filename);
    // Red and blue must not swap and alpha must not be garbage, whatever the file's layout.
    SDL_Surface* ordered = toTextureOrder(loaded.get());
    if (!ordered)
        throw loadError(filename);
    SurfacePtr surface(ordered == loaded.get() ? loaded.release() : ordered);
    loaded.reset();

    outerBoundingBox = BoundingBox(0, 0, surface->w, surface->h);
    innerBoundingBox = BoundingBox();
    if (makeBitmask && bitmaskThreshold >= 0.0f)
        createBitmask(surface.get(), freeCache);

    width = static_cast<std::uint32_t>(surface->w);
    height = static_cast<std::uint32_t>(surface->h);
    textureWidth = textureSize(width);
    textureHeight = textureSize(height);
    if (textureWidth != width || textureHeight != height) {
        SurfacePtr padded(padSurface(surface.get(), textureWidth, textureHeight));
        if (!padded)
            throw loadError(filename);
        surface = std::move(padded);
    }
    texCoords =
        basic_Rect<float>(0.0f, 0.0f, static_cast<float>(width) / static_cast<float>(textureWidth),
                          static_cast<float>(height) / static_cast<float>(textureHeight));

    if (texture == 0)
        glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    int bytes = surface->format->BytesPerPixel;
    GLenum format = bytes == 4 ? GL_RGBA : GL_RGB;
    GLint internal = bytes == 4 ? GL_RGBA8 : GL_RGB8;
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    int alignment = unpackAlignment(surface->pitch, surface->w * bytes);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment ? alignment : 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, alignment ? 0 : surface->pitch / bytes);
    if (filter > linear)
        gluBuild2DMipmaps(GL_TEXTURE_2D, internal, surface->w, surface->h, format, GL_UNSIGNED_BYTE,
                          surface->pixels);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, internal, surface->w, surface->h, 0, format,
                     GL_UNSIGNED_BYTE, surface->pixels);
    glPopClientAttrib();
    if (clamp) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
}

void SimpleImage::refresh(bool freeCache) {
    if (texture == 0)
        load(freeCache, bitmask == nullptr);
    setFilter(filter);
}

void SimpleImage::release(bool) {
    if (texture == 0)
        return;
    glDeleteTextures(1, &texture);
    texture = 0;
}

void SimpleImage::setFilter(ImageFilter value) {
    if (texture == 0)
        return;
    int applied = value;
    if (bank && bank->maxFilter < value)
        applied = bank->maxFilter;
    GLint minFilter, magFilter;
    if (!filterParameters(applied, &minFilter, &magFilter))
        return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

// ImageBank

std::string ImageBank::getNodeName() const {
    return XML_IMAGES;
}

void ImageBank::getFromNode(xml::Node const* node, std::string const& dir) {
    xml::LoopList loops;
    readNode(node, dir, loops);
}

void ImageBank::readNode(xml::Node const* node, std::string const& dir, xml::LoopList& loops) {
    for (xml::Node const* child : node->children) {
        if (child->name == xml::XML_LOOP) {
            xml::runLoop(child, loops, dbgImages, [&] { readNode(child, dir, loops); });
            continue;
        }
        if (child->name != XML_IMAGE)
            continue;
        std::string const* nameAttribute = child->getAttribute(XML_IMAGE_NAME);
        std::string const* fileAttribute = child->getAttribute(XML_IMAGE_FILENAME);
        std::string name;
        if (nameAttribute) {
            name = *nameAttribute;
        } else {
            debug::warning(dbgImages, "No name specified for image. Using filename.");
            if (fileAttribute)
                name = *fileAttribute;
        }
        if (!fileAttribute) {
            debug::error(dbgImages, "No filename specified for image \"%s\". Skipping entry.",
                         name.c_str());
            continue;
        }
        name = xml::substituteLoops(name, loops);
        std::string file = xml::substituteLoops(*fileAttribute, loops);

        auto* image = new SimpleImage(name, dir + file);
        image->hotspot = basic_Vector2D<float>(child->getAttributeFloat(XML_IMAGE_HOTX, 0.0f),
                                               child->getAttributeFloat(XML_IMAGE_HOTY, 0.0f));
        image->bitmaskThreshold = child->getAttributeFloat(XML_IMAGE_BITMASK_THRESHOLD, -1.0f);
        image->clamp = child->getAttributeBool(XML_IMAGE_CLAMP, false);
        try {
            image->filter = strTo<ImageFilter>(child->getAttribute(XML_IMAGE_FILTER, "linear"));
        } catch (std::string const&) {
            image->filter = linear;
        }
        auto old = resources.find(name);
        if (old != resources.end())
            delete old->second;
        resources[name] = image;
        image->bank = this;
    }
}

void ImageBank::refresh(RefreshingBankHandler* handler) {
    for (auto& entry : resources) {
        entry.second->refresh(false);
        if (handler)
            handler->elementRefreshed();
    }
}

void ImageBank::release() {
    for (auto& entry : resources)
        entry.second->release(true);
}

void ImageBank::reload() {
    for (auto& entry : resources)
        entry.second->load(false, entry.second->bitmask == nullptr);
}

BasicResourceBank* ImageResourceBankGenerator::generateBank(std::string const& type) const {
    if (type != XML_IMAGES)
        return nullptr;
    return new ImageBank;
}

ImageResourceBankGenerator imageResourceBankGenerator;

// ImageLoader

ImageLoader::ImageLoader(ImageBank* bank, BackgroundTaskCallback* callback)
    : BackgroundTask(callback), bank(bank), started(false) {
    total = static_cast<unsigned int>(bank->size());
}

void ImageLoader::perform(unsigned int deadline) {
    if (finished)
        return;
    for (;;) {
        auto next = started ? bank->resources.upper_bound(lastName) : bank->resources.begin();
        if (next == bank->resources.end()) {
            finish();
            return;
        }
        if (SDL_GetTicks() >= deadline)
            return;
        ImageResource* image = next->second;
        try {
            image->refresh(false);
        } catch (std::string const& text) {
            // An error here would end the program from inside the main loop.
            debug::error(dbgImages, "%s Skipping image \"%s\".", text.c_str(), next->first.c_str());
        }
        lastName = next->first;
        started = true;
        ++progress;
    }
}

} // namespace gfx
} // namespace ravek
