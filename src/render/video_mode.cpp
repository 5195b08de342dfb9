#include "render/video_mode.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include <GL/gl.h>
#include <SDL.h>

namespace {
const char scalingSetting[] = "SDL12COMPAT_OPENGL_SCALING";

std::string lowerCase(const char* text)
{
    std::string out = text ? text : "";
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
}  // namespace

void drawStraightIntoWindow(bool fullscreen)
{
    if (!fullscreen) setenv(scalingSetting, "0", 0);
}

bool openVideoMode(int width, int height, bool fullscreen, int samples, int alphaBits)
{
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    const int bitsPerPixel = info ? info->vfmt->BitsPerPixel : 0;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 0);
    const Uint32 flags = SDL_OPENGL | (fullscreen ? SDL_FULLSCREEN : 0);
    return SDL_SetVideoMode(width, height, bitsPerPixel, flags) != nullptr;
}

bool isSoftwareRenderer(const char* rendererName)
{
    const std::string name = lowerCase(rendererName);
    for (const char* rasterizer : {"llvmpipe", "softpipe", "swrast", "software rasterizer"})
        if (name.find(rasterizer) != std::string::npos) return true;
    return false;
}

const char* currentRenderer()
{
    const GLubyte* name = glGetString(GL_RENDERER);
    return name ? reinterpret_cast<const char*>(name) : "";
}

int sampleBuffers()
{
    GLint value = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &value);
    return value;
}

int samplesPerPixel()
{
    GLint value = 0;
    glGetIntegerv(GL_SAMPLES, &value);
    return value;
}

bool reopenWithoutMultisampling(int width, int height, bool fullscreen, int alphaBits)
{
    return openVideoMode(width, height, fullscreen, 0, alphaBits);
}

bool restartVideo(const char* driver)
{
    const bool chosenByUser = std::getenv("SDL_VIDEODRIVER") != nullptr;
    if (!chosenByUser && driver && *driver) setenv("SDL_VIDEODRIVER", driver, 1);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    bool started = false;
    for (int attempt = 0; attempt < 50 && !started; ++attempt) {
        if (attempt > 0) SDL_Delay(10);
        started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    if (!chosenByUser) unsetenv("SDL_VIDEODRIVER");
    return started;
}
