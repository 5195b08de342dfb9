#include "render_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <zlib.h>

#include "app/input.h"
#include "app/loop.h"
#include "game/levels.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/playfield.h"
#include "render/gl_setup.h"
#include "render/text.h"
#include "render/texture.h"
#include "platform/renderer_probe.h"
#include "render/video_mode.h"

namespace {

PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;

template <typename F>
void loadCall(F& call, const char* name)
{
    call = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    if (!call) {
        std::fprintf(stderr, "render tests: no %s\n", name);
        std::exit(1);
    }
}

void loadFramebufferCalls()
{
    loadCall(genFramebuffers, "glGenFramebuffers");
    loadCall(deleteFramebuffers, "glDeleteFramebuffers");
    loadCall(bindFramebuffer, "glBindFramebuffer");
    loadCall(framebufferRenderbuffer, "glFramebufferRenderbuffer");
    loadCall(genRenderbuffers, "glGenRenderbuffers");
    loadCall(deleteRenderbuffers, "glDeleteRenderbuffers");
    loadCall(bindRenderbuffer, "glBindRenderbuffer");
    loadCall(renderbufferStorage, "glRenderbufferStorage");
    loadCall(blitFramebuffer, "glBlitFramebuffer");
}

unsigned testScrewTexture = 0;
unsigned testBannerTexture = 0;

void putBigEndian(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char((value >> shift) & 0xFF));
}

void putChunk(std::string& out, const char* type, const std::string& data)
{
    putBigEndian(out, uint32_t(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    putBigEndian(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

}  // namespace

bool multisamplingForced()
{
    const char* value = std::getenv("TILTMOOR_RENDER_MULTISAMPLE");
    return value && *value && std::string(value) != "0";
}

void openGameWindow()
{
    static bool open = false;
    if (open) return;
    // As the game does by default, unless the run forces multisampling.
    const bool withoutSamples = !multisamplingForced() && isSoftwareRenderer(probeRenderer().c_str());
    if (withoutSamples) drawStraightIntoWindow(false);
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) < 0) {
        std::fprintf(stderr, "render tests: SDL_Init failed: %s\n", SDL_GetError());
        std::exit(1);
    }
    initScreen();
    SDL_WM_SetCaption("Tiltmoor", "icon");
    const int samples = withoutSamples ? 0 : designedSamples;
    int alphaBits = 8;
    if (!openVideoMode(screenWidth, screenHeight, false, samples, alphaBits)) alphaBits = 0;
    if (alphaBits == 0 && !openVideoMode(screenWidth, screenHeight, false, samples, alphaBits)) {
        std::fprintf(stderr, "render tests: no OpenGL window: %s\n", SDL_GetError());
        std::exit(1);
    }
    closeRendererProbe();
    std::fprintf(stderr, "render tests: %s, sample buffers %d, samples %d\n", currentRenderer(), sampleBuffers(),
                 samplesPerPixel());
    initGL(screenWidth, screenHeight);
    buildFonts();
    pushOrtho2D(float(screenWidth), float(screenHeight));
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    createBalls();
    pivot = Vec2(512.0, 384.0);

    // Stand-ins for the screw and the banner, in colours no text has.
    TempDir folder;
    testScrewTexture = solidTexture(folder.path.string(), {60, 60, 60});
    testBannerTexture = solidTexture(folder.path.string(), {0, 200, 0});
    open = true;
}

void resetScene()
{
    gameState = Playing;
    pendingState = 0;
    stateTime = 0;
    keepTime = -1;
    levelIndex = 0;
    currentTicks = 0;
    freePlayfield();
    angle = 0.0f;
    angularVelocity = 0.0f;
    shapeType = Circle;
    shapeSize = 40.0f;
    stampBlockedMs = 0;
    selectedBall = -1;
    screwTexture = testScrewTexture;
    mainTexture = testBannerTexture;
    for (int i = 0; i < ballCount; ++i) {
        balls[i].position = Vec2(-1000.0, -1000.0);
        balls[i].velocity = Vec2();
    }
    mousePos = Vec2(-500.0, -500.0);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    glLineWidth(1.0f);
}

void clearScreen()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

// The window's GL drawing may go to a multisampled framebuffer object (as
// the game asks for four samples); it is resolved into a plain one first.
Frame readFrame()
{
    Frame frame;
    frame.width = screenWidth;
    frame.height = screenHeight;
    frame.rgba.resize(size_t(frame.width) * size_t(frame.height) * 4);
    glFinish();

    GLint drawing = 0, samples = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawing);
    glGetIntegerv(GL_SAMPLES, &samples);
    GLuint resolved = 0, colour = 0;
    if (samples > 0) {
        if (!genFramebuffers) loadFramebufferCalls();
        genFramebuffers(1, &resolved);
        genRenderbuffers(1, &colour);
        bindRenderbuffer(GL_RENDERBUFFER, colour);
        renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, frame.width, frame.height);
        bindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved);
        framebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        bindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(drawing));
        blitFramebuffer(0, 0, frame.width, frame.height, 0, 0, frame.width, frame.height, GL_COLOR_BUFFER_BIT,
                        GL_NEAREST);
        bindFramebuffer(GL_READ_FRAMEBUFFER, resolved);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
    if (samples > 0) {
        bindFramebuffer(GL_FRAMEBUFFER, GLuint(drawing));
        deleteFramebuffers(1, &resolved);
        deleteRenderbuffers(1, &colour);
    }
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) std::fprintf(stderr, "render tests: GL error 0x%x reading the frame\n", error);
    return frame;
}

Rgb Frame::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0};
    const size_t i = (size_t(height - 1 - y) * size_t(width) + size_t(x)) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2]};
}

int Frame::count(Box box, const std::function<bool(Rgb)>& test) const
{
    int n = 0;
    for (int y = box.y0; y < box.y1; ++y)
        for (int x = box.x0; x < box.x1; ++x)
            if (test(at(x, y))) ++n;
    return n;
}

std::vector<int> Frame::mask(Box box, const std::function<bool(Rgb)>& test) const
{
    std::vector<int> keys;
    for (int y = box.y0; y < box.y1; ++y)
        for (int x = box.x0; x < box.x1; ++x)
            if (test(at(x, y))) keys.push_back(y * width + x);
    return keys;
}

Box Frame::bounds(Box box, const std::function<bool(Rgb)>& test) const
{
    Box found = {box.x1, box.y1, box.x0, box.y0};
    for (int y = box.y0; y < box.y1; ++y)
        for (int x = box.x0; x < box.x1; ++x)
            if (test(at(x, y))) {
                found.x0 = std::min(found.x0, x);
                found.y0 = std::min(found.y0, y);
                found.x1 = std::max(found.x1, x + 1);
                found.y1 = std::max(found.y1, y + 1);
            }
    if (found.x1 <= found.x0) return {0, 0, 0, 0};
    return found;
}

int Frame::median(Box box, int channel) const
{
    std::vector<int> values;
    for (int y = box.y0; y < box.y1; ++y)
        for (int x = box.x0; x < box.x1; ++x) {
            const Rgb c = at(x, y);
            values.push_back(channel == 0 ? c.r : channel == 1 ? c.g : c.b);
        }
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

bool near(Rgb c, Rgb want, int tolerance)
{
    return std::abs(c.r - want.r) <= tolerance && std::abs(c.g - want.g) <= tolerance &&
           std::abs(c.b - want.b) <= tolerance;
}

bool pureWhite(Rgb c) { return c.r >= 250 && c.g >= 250 && c.b >= 250; }

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tiltmoor-render-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

void writePng(const std::string& path, int w, int h, int channels, const std::vector<uint8_t>& pixels)
{
    std::string raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back('\0');   // no filter
        raw.append(reinterpret_cast<const char*>(pixels.data()) + size_t(y) * size_t(w) * size_t(channels),
                   size_t(w) * size_t(channels));
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
              uLong(raw.size()), 9);
    packed.resize(packedSize);

    std::string header;
    putBigEndian(header, uint32_t(w));
    putBigEndian(header, uint32_t(h));
    header += char(8);                          // bits per channel
    header += char(channels == 4 ? 6 : 2);      // RGBA or RGB
    header += std::string(3, '\0');             // deflate, no filter set, no interlace

    std::string file = "\x89PNG\r\n\x1a\n";
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", packed);
    putChunk(file, "IEND", std::string());
    std::ofstream(path, std::ios::binary) << file;
}

unsigned solidTexture(const std::string& folder, Rgb colour)
{
    const std::string path = folder + "/solid.png";
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 16; ++i) {
        pixels.push_back(uint8_t(colour.r));
        pixels.push_back(uint8_t(colour.g));
        pixels.push_back(uint8_t(colour.b));
    }
    writePng(path, 4, 4, 3, pixels);
    return loadTexture(path.c_str());
}

void dumpFrame(const Frame& frame, const std::string& name)
{
    const char* folder = std::getenv("TILTMOOR_FRAME_DUMPS");
    if (!folder || !*folder) return;
    std::ofstream out(std::string(folder) + "/" + name + ".ppm", std::ios::binary);
    out << "P6\n" << frame.width << " " << frame.height << "\n255\n";
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const Rgb c = frame.at(x, y);
            out.put(char(c.r)).put(char(c.g)).put(char(c.b));
        }
}
