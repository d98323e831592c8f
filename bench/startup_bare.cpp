// The baseline side of startup_bench: a bare SDL and OpenGL program that opens the game's
// window (800 x 600, double-buffered OpenGL) and decodes the files the game reads, in the
// list's order: "icon" decodes the window icon, "png" decodes a picture with SDL_image and
// uploads it as a texture of power-of-two sides, "ogg" decodes a whole Ogg Vorbis file,
// "stream <bytes>" decodes the first bytes of one, "frame" draws the first frame. A frame is a
// title screen as a bare program draws it: 1500 points and each picture decoded before the
// first frame once, alpha-blended, one glBegin each (the game's first menu frame shows fewer
// pictures, but the driver compiles its drawing code on the first frame of either).
// The clock is read after the first frame and after the last file, and the resident memory
// then; in idle mode it then draws such frames at the game's pace of 10 ms (bench::TimedRun).
// In scene mode it draws the scene file's frame SCENE_FRAMES times before the resident memory
// is read: "point x y r g b" for each star, then
// "quad <picture file> <additive 0/1> r g b a left bottom right top sLeft sRight tTop tBottom"
// for each textured quad, drawn with one glBegin each, binding and blending as they change.
// Writes the same "key value" lines as startup_game. Links no code of the engine.
// Usage: startup_bare first|loaded|idle <result file> <list file>
//        startup_bare scene <result file> <list file> <scene file>
#include "bench/timed_run.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

unsigned const FRAME_MS = 10;
int const SCENE_FRAMES = 100;

int powerOfTwo(int n) {
    int p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

// The textures by picture file.
std::map<std::string, GLuint> textures;

// The pictures decoded before the first frame, which every frame shows.
struct Picture {
    GLuint texture;
    float width, height, s, t;
};
std::vector<Picture> shown;
bool framed = false;

// The game's pictures are all 8-bit RGBA.
bool uploadPicture(char const* file) {
    SDL_Surface* surface = IMG_Load(file);
    if (!surface || surface->format->BytesPerPixel != 4) {
        SDL_FreeSurface(surface);
        return false;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, powerOfTwo(surface->w), powerOfTwo(surface->h), 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, surface->pitch / 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, surface->w, surface->h, GL_RGBA, GL_UNSIGNED_BYTE,
                    surface->pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    textures[file] = texture;
    if (!framed)
        shown.push_back(
            {texture, static_cast<float>(surface->w), static_cast<float>(surface->h),
             static_cast<float>(surface->w) / static_cast<float>(powerOfTwo(surface->w)),
             static_cast<float>(surface->h) / static_cast<float>(powerOfTwo(surface->h))});
    SDL_FreeSurface(surface);
    return true;
}

// 16-bit PCM of the file, up to `limit` bytes (all of it for a negative limit); kept for the
// rest of the run, as a program keeps its sounds.
std::vector<std::vector<char>> sounds;

bool decode(char const* file, long limit) {
    OggVorbis_File vf;
    if (ov_fopen(file, &vf) != 0)
        return false;
    std::vector<char> pcm;
    char buffer[4096];
    int section = 0;
    for (;;) {
        long wanted = sizeof buffer;
        if (limit >= 0 && static_cast<long>(pcm.size()) + wanted > limit)
            wanted = limit - static_cast<long>(pcm.size());
        if (wanted <= 0)
            break;
        long got = ov_read(&vf, buffer, static_cast<int>(wanted), 0, 2, 1, &section);
        if (got <= 0)
            break;
        pcm.insert(pcm.end(), buffer, buffer + got);
    }
    ov_clear(&vf);
    sounds.push_back(std::move(pcm));
    return true;
}

void quad(float left, float bottom, float right, float top, float sLeft, float sRight, float tTop,
          float tBottom) {
    glBegin(GL_QUADS);
    glTexCoord2f(sLeft, tBottom);
    glVertex2f(left, bottom);
    glTexCoord2f(sLeft, tTop);
    glVertex2f(left, top);
    glTexCoord2f(sRight, tTop);
    glVertex2f(right, top);
    glTexCoord2f(sRight, tBottom);
    glVertex2f(right, bottom);
    glEnd();
}

void ortho() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 800.0, 0.0, 600.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// A title screen: 1500 stars in the game's five shades, then every picture decoded before the
// first frame, alpha-blended, one glBegin each, side by side.
void drawTitle() {
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBegin(GL_POINTS);
    for (int i = 0; i < 1500; ++i) {
        float shade = 0.2f * static_cast<float>(i % 5 + 1);
        glColor3f(shade, shade, shade);
        glVertex2f(static_cast<float>(i * 37 % 800), static_cast<float>(i * 53 % 600));
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    float x = 0.0f, y = 0.0f;
    for (Picture const& p : shown) {
        glBindTexture(GL_TEXTURE_2D, p.texture);
        quad(x, y, x + p.width, y + p.height, 0.0f, p.s, 0.0f, p.t);
        x += 20.0f;
        if (x >= 780.0f) {
            x = 0.0f;
            y += 60.0f;
        }
    }
    SDL_GL_SwapBuffers();
}

struct Quad {
    GLuint texture;
    bool additive;
    float color[4];
    float left, bottom, right, top, sLeft, sRight, tTop, tBottom;
};

bool drawScene(char const* file) {
    std::vector<float> points;
    std::vector<Quad> quads;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "point") {
            float p[5] = {};
            for (float& v : p)
                words >> v;
            points.insert(points.end(), p, p + 5);
        } else if (kind == "quad") {
            std::string picture;
            Quad q = {};
            words >> picture >> q.additive;
            for (float& v : q.color)
                words >> v;
            words >> q.left >> q.bottom >> q.right >> q.top >> q.sLeft >> q.sRight >> q.tTop >>
                q.tBottom;
            auto found = textures.find(picture);
            if (found == textures.end()) {
                std::fprintf(stderr, "no picture %s\n", picture.c_str());
                return false;
            }
            q.texture = found->second;
            quads.push_back(q);
        }
    }
    for (int frame = 0; frame < SCENE_FRAMES; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glBegin(GL_POINTS);
        for (size_t i = 0; i < points.size(); i += 5) {
            glColor3f(points[i + 2], points[i + 3], points[i + 4]);
            glVertex2f(points[i], points[i + 1]);
        }
        glEnd();
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        GLuint bound = 0;
        int blend = -1;
        for (Quad const& q : quads) {
            if (q.texture != bound)
                glBindTexture(GL_TEXTURE_2D, bound = q.texture);
            if (static_cast<int>(q.additive) != blend) {
                blend = q.additive;
                glBlendFunc(GL_SRC_ALPHA, q.additive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
            }
            glColor4fv(q.color);
            quad(q.left, q.bottom, q.right, q.top, q.sLeft, q.sRight, q.tTop, q.tBottom);
        }
        SDL_GL_SwapBuffers();
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (argc != (mode == "scene" ? 5 : 4)) {
        std::fprintf(stderr,
                     "usage: %s first|loaded|idle|scene <result file> <list file> [<scene file>]\n",
                     argv[0]);
        return 2;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!SDL_SetVideoMode(800, 600, 32, SDL_OPENGL)) {
        std::fprintf(stderr, "%s\n", SDL_GetError());
        return 1;
    }
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    ortho();
    bench::TimedRun run(mode);
    std::ifstream list(argv[3]);
    std::string line;
    bool done = false;
    while (!done && std::getline(list, line)) {
        std::istringstream words(line);
        std::string kind, file;
        long bytes = -1;
        words >> kind >> file >> bytes;
        bool ok = true;
        if (kind == "frame") {
            drawTitle();
            framed = true;
            done = run.firstFrame();
        } else if (kind == "icon") {
            SDL_Surface* icon = IMG_Load(file.c_str());
            ok = icon != nullptr;
            SDL_WM_SetIcon(icon, nullptr);
            SDL_FreeSurface(icon);
        } else if (kind == "png") {
            ok = uploadPicture(file.c_str());
        } else if (kind == "ogg" || kind == "stream") {
            ok = decode(file.c_str(), bytes);
        }
        if (!ok) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
    }
    if (mode == "scene" && !drawScene(argv[4]))
        return 1;
    if (!done)
        done = run.loadingDone();
    Uint32 last = SDL_GetTicks();
    while (!done) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        drawTitle();
        done = run.idleFrame();
        // The game's frame limiter: a frame shorter than 10 ms sleeps the rest.
        Uint32 elapsed = SDL_GetTicks() - last;
        if (elapsed < FRAME_MS)
            SDL_Delay(FRAME_MS - elapsed);
        last = SDL_GetTicks();
    }
    if (!run.write(argv[2]))
        return 1;
    SDL_Quit();
    return 0;
}
