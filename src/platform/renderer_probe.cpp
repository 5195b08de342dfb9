#include "platform/renderer_probe.h"

#include <cstdlib>

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {
Display* probeDisplay = nullptr;

int ignoreXError(Display*, XErrorEvent*) { return 0; }
}  // namespace

std::string probeRenderer()
{
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return "";
    if (!probeDisplay) probeDisplay = XOpenDisplay(nullptr);
    if (!probeDisplay) return "";

    // A driver that refuses any of this must not end the game: X errors are
    // ignored while probing, and the answer is then simply "unknown".
    XErrorHandler previous = XSetErrorHandler(ignoreXError);
    std::string renderer;
    const int wanted[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(probeDisplay, DefaultScreen(probeDisplay), wanted, &count);
    if (configs && count > 0) {
        const int size[] = {GLX_PBUFFER_WIDTH, 1, GLX_PBUFFER_HEIGHT, 1, None};
        GLXPbuffer surface = glXCreatePbuffer(probeDisplay, configs[0], size);
        GLXContext context = glXCreateNewContext(probeDisplay, configs[0], GLX_RGBA_TYPE, nullptr, True);
        if (surface && context && glXMakeContextCurrent(probeDisplay, surface, surface, context)) {
            const GLubyte* text = glGetString(GL_RENDERER);
            if (text) renderer = reinterpret_cast<const char*>(text);
            glXMakeContextCurrent(probeDisplay, None, None, nullptr);
        }
        if (context) glXDestroyContext(probeDisplay, context);
        if (surface) glXDestroyPbuffer(probeDisplay, surface);
    }
    if (configs) XFree(configs);
    XSync(probeDisplay, False);
    XSetErrorHandler(previous);
    return renderer;
}

void closeRendererProbe()
{
    if (probeDisplay) XCloseDisplay(probeDisplay);
    probeDisplay = nullptr;
}
