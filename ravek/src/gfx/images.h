#ifndef RAVEK_GFX_IMAGES_H
#define RAVEK_GFX_IMAGES_H

#include "ravek/src/framework.h"
#include "ravek/src/gfx/bitmasks.h"
#include "ravek/src/math.h"
#include "ravek/src/ravek.h"
#include "ravek/src/resources.h"
#include "ravek/src/tools.h"
#include "ravek/src/xml.h"

#include <SDL/SDL.h>

#include <cstdint>
#include <functional>
#include <string>

namespace ravek {
namespace gfx {

// Something drawable with a pixel size, a hot spot (from the top left corner, y down), an
// optional collision bitmask and an outer and inner bounding box. Draw operations take
// coordinates of the current 2D render context (y up) and a blend mode; 0 keeps the blend
// function in effect. None of them switches blending on or off. They leave 2D texturing on,
// their texture bound and the function of a blend mode other than 0 in effect; the rest of the
// OpenGL state (current colour, matrices and matrix mode) is as they found it, but for the
// current texture coordinate.
class Image {
public:
    std::uint32_t width, height;
    basic_Vector2D<float> hotspot;
    // Owned by an ImageResource; merely shown by an AnimationReference.
    Bitmask* bitmask;
    BoundingBox outerBoundingBox, innerBoundingBox;

    Image() : width(0), height(0), bitmask(nullptr) {}
    virtual ~Image() {}
    Image(Image const&) = delete;
    Image& operator=(Image const&) = delete;

    // A still image has nothing to advance.
    virtual void perform(float) {}
    // The image's bottom left corner at (x - hotX, y + hotY).
    virtual void draw(basic_Vector2D<float> const& position, BlendMode blend) const = 0;
    // Tiled at natural size from the rectangle's top left corner, cut at its right and bottom.
    virtual void draw(basic_Rect<float> const& rect, BlendMode blend) const = 0;
    // Stretched over the rectangle.
    virtual void drawStretched(basic_Rect<float> const& rect, BlendMode blend) const = 0;

    std::uint32_t getWidth() const { return width; }
    std::uint32_t getHeight() const { return height; }
    Bitmask* getBitmask() const { return bitmask; }
    BoundingBox& getOuterBoundingBox() { return outerBoundingBox; }
    BoundingBox const& getOuterBoundingBox() const { return outerBoundingBox; }
    BoundingBox& getInnerBoundingBox() { return innerBoundingBox; }
    BoundingBox const& getInnerBoundingBox() const { return innerBoundingBox; }
    void setHotspot(basic_Vector2D<float> const& spot) { hotspot = spot; }
    basic_Vector2D<float> const& getHotspot() const { return hotspot; }
};

enum ImageFilter { none = 0, linear = 1, bilinear = 2, trilinear = 3 };

// The words of the filters, indexed by value.
static char const* const STR_IMAGEFILTER[4] = {"none", "linear", "bilinear", "trilinear"};

class ImageBank;

// An image of an image bank, read from `filename`. Owns its bitmask; destroying it takes it out
// of its bank but does not free its texture (release does). Loading throws a std::string.
class ImageResource : public NamedResource<ImageBank, std::string>, public Image {
public:
    std::string filename;
    // Below 0: no bitmask.
    float bitmaskThreshold;
    bool clamp;
    ImageFilter filter;

    ImageResource();
    ImageResource(std::string const& name, std::string const& filename);
    ~ImageResource() override;

    // Reads the file and (re)creates the texture; a bitmask only when `makeBitmask` and the
    // threshold is not negative. `freeCache` frees the bitmask scratch buffers afterwards.
    virtual void load(bool freeCache, bool makeBitmask) = 0;
    // Makes the image drawable: loads it when it has no texture, then applies its filter.
    virtual void refresh(bool freeCache) = 0;
    // Frees the texture; size, hot spot, bitmask and boxes stay.
    virtual void release(bool) {}
    // Applies a filter to the texture (capped by the bank's maximum) without storing it.
    virtual void setFilter(ImageFilter filter) = 0;

    ImageFilter getFilter() const { return filter; }
    void setBitmaskThreshold(float threshold) { bitmaskThreshold = threshold; }
    float getBitmaskThreshold() const { return bitmaskThreshold; }
    void setClamp(bool on) { clamp = on; }
    bool getClamp() const { return clamp; }
    void setFilename(std::string const& file) { filename = file; }
    std::string const& getFilename() const { return filename; }
    // load without the filter step; a bitmask only when the image has none yet.
    void reload(bool freeCache);

protected:
    // Replaces the bitmask by one of the surface and takes over its boxes.
    void createBitmask(SDL_Surface* surface, bool freeCache);
};

// An image held in one OpenGL texture whose sides are powers of two; the image fills the top
// left part, so its texture coordinates run from 0 to width / textureWidth and
// height / textureHeight. Without a texture (never loaded, released, or failed to load) every
// draw does nothing.
class SingleTextureImage : public ImageResource {
public:
    unsigned texture;
    // x: left, y: upper (both 0), width and height: the image's share of the texture.
    basic_Rect<float> texCoords;
    std::uint32_t textureWidth, textureHeight;

    SingleTextureImage();
    SingleTextureImage(std::string const& name, std::string const& filename);

    unsigned getTextureName() const { return texture; }
    float getLeftTexCoord() const { return texCoords.x; }
    float getRightTexCoord() const { return texCoords.x + texCoords.width; }
    float getUpperTexCoord() const { return texCoords.y; }
    float getLowerTexCoord() const { return texCoords.y + texCoords.height; }
    basic_Rect<float> const& getTexCoordRect() const { return texCoords; }

    void draw(basic_Vector2D<float> const& position, BlendMode blend) const override;
    void draw(basic_Rect<float> const& rect, BlendMode blend) const override;
    void drawStretched(basic_Rect<float> const& rect, BlendMode blend) const override;
};

// The image read from its file: the only image class that descriptions create. A file that
// SDL_image cannot read throws "Could not load \"<file>\": <SDL's text>." after the old texture
// has been released.
class SimpleImage : public SingleTextureImage {
public:
    SimpleImage() {}
    SimpleImage(std::string const& name, std::string const& filename)
        : SingleTextureImage(name, filename) {}

    void load(bool freeCache, bool makeBitmask) override;
    void refresh(bool freeCache) override;
    void release(bool freeCache) override;
    void setFilter(ImageFilter filter) override;
};

// The computations behind loading and drawing, kept apart from OpenGL.

// The smallest power of two that is at least `size` (1 for 0).
std::uint32_t textureSize(std::uint32_t size);

// The surface in the byte order OpenGL is given: 24-bit RGB for a picture without
// transparency, 32-bit RGBA for one with an alpha channel or a colour key (whose pixels become
// transparent). Returns `surface` itself when it is already in order, else a new surface the
// caller owns; null with SDL's error set when the conversion fails.
SDL_Surface* toTextureOrder(SDL_Surface* surface);

// A new surface of the texture size with the picture at its top left and transparent black
// around it. Null when the surface cannot be created.
SDL_Surface* padSurface(SDL_Surface* surface, std::uint32_t textureWidth,
                        std::uint32_t textureHeight);

// The unpack alignment (8, 4, 2 or 1) under which rows of `rowBytes` bytes are `pitch` bytes
// apart, or 0 when none does.
int unpackAlignment(int pitch, int rowBytes);

// One textured quad: edges in render-context coordinates (y up) and the texture coordinates of
// its left, right, top and bottom edges.
struct TexturedQuad {
    float left, bottom, right, top;
    float sLeft, sRight, tTop, tBottom;
};

// Passes `out` the quads of draw(rect), top row first and each row from the left, for an image
// of w x h pixels in a texture of textureWidth x textureHeight whose right and lower coordinates
// are `right` and `lower`. Nothing for an empty rectangle or an image without size.
void tileQuads(basic_Rect<float> const& rect, float w, float h, std::uint32_t textureWidth,
               std::uint32_t textureHeight, float right, float lower,
               std::function<void(TexturedQuad const&)> const& out);

// The minifying and magnifying filters of a filter value; false for a value outside 0..3.
bool filterParameters(int filter, int* minFilter, int* magFilter);

// A bank of images by name (bank type "images"), read from an image description; owns its
// images. Reading only creates them: refresh, reload or the ImageLoader upload them. Faulty
// elements are logged in the images group and skipped; a file that cannot be read makes
// refresh and reload throw.
class ImageBank : public NamedResourceBank<ImageResource>, public RefreshingBank {
public:
    // The highest filter any image of the bank may use.
    ImageFilter maxFilter;

    ImageBank() : maxFilter(linear) {}
    std::string getNodeName() const override;
    void getFromNode(xml::Node const* node, std::string const& dir) override;
    int size() const override { return static_cast<int>(resources.size()); }
    // Every image in name order, each reported to the handler (null for none).
    void refresh(RefreshingBankHandler* handler) override;
    // Frees every texture.
    void release();
    // Uploads every image again without re-applying its filter (after a change of video mode).
    void reload();

private:
    void readNode(xml::Node const* node, std::string const& dir, xml::LoopList& loops);
};

class ImageResourceBankGenerator : public ResourceBankGenerator {
public:
    BasicResourceBank* generateBank(std::string const& type) const override;
};

extern ImageResourceBankGenerator imageResourceBankGenerator;

// Uploads a bank's images a few per frame as a background task. Does not own the bank, which
// must outlive it. An image that fails to load is logged as an error in the images group and
// skipped (it keeps no texture and draws nothing); the rest still load.
class ImageLoader : public BackgroundTask {
public:
    ImageBank* bank;

    ImageLoader(ImageBank* bank, BackgroundTaskCallback* callback);
    // Loads images until the deadline; finishes when none is left.
    void perform(unsigned int deadline) override;

private:
    // The position is the name of the image loaded last, so that images added to or deleted
    // from the bank meanwhile cannot leave it dangling.
    bool started;
    std::string lastName;
};

} // namespace gfx

template <>
inline std::string toStr<gfx::ImageFilter>(gfx::ImageFilter value) {
    return value >= 0 && value < 4 ? gfx::STR_IMAGEFILTER[value] : toStr(static_cast<int>(value));
}

// Throws the text when it names no filter.
template <>
inline gfx::ImageFilter strTo<gfx::ImageFilter>(std::string text) {
    for (int i = 0; i < 4; ++i)
        if (text == gfx::STR_IMAGEFILTER[i])
            return static_cast<gfx::ImageFilter>(i);
    throw text;
}

} // namespace ravek

#endif
