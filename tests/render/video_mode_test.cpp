// The window's multisampling, as the game chooses it for the renderer.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include "render/video_mode.h"
#include "render_support.h"

TEST(VideoMode, SoftwareRasterizersAreKnownByName)
{
    EXPECT_TRUE(isSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(isSoftwareRenderer("softpipe"));
    EXPECT_TRUE(isSoftwareRenderer("Mesa X11 swrast"));
    EXPECT_TRUE(isSoftwareRenderer("Software Rasterizer"));
    EXPECT_FALSE(isSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    EXPECT_FALSE(isSoftwareRenderer("AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-9-amd64)"));
    EXPECT_FALSE(isSoftwareRenderer("NVIDIA GeForce GTX 1060 6GB/PCIe/SSE2"));
    EXPECT_FALSE(isSoftwareRenderer(""));
    EXPECT_FALSE(isSoftwareRenderer(nullptr));
}

// Four samples unless the renderer is a software rasterizer and the run does
// not force them; without them GL draws straight into the window, with no
// framebuffer of SDL's in between.
TEST(VideoMode, MultisamplingAsChosenForThisRenderer)
{
    openGameWindow();
    const bool multisampled = multisamplingForced() || !isSoftwareRenderer(currentRenderer());
    EXPECT_EQ(sampleBuffers(), multisampled ? 1 : 0) << currentRenderer();
    EXPECT_EQ(samplesPerPixel(), multisampled ? designedSamples : 0);
    if (!multisampled) {
        GLint drawing = -1;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawing);
        EXPECT_EQ(drawing, 0);
    }
}
