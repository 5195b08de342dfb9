#include "render/texture.h"

#include <cstdio>

#include <GL/gl.h>
#include <SDL.h>
#include <SDL_image.h>

unsigned loadTexture(const char* path)
{
    SDL_Surface* image = IMG_Load(path);
    if (!image) {
        std::printf("Failed to load %s\n", path);
        return 0;
    }

    GLenum format;
    switch (image->format->BytesPerPixel) {
    case 3: format = GL_RGB; break;
    case 4: format = GL_RGBA; break;
    default:
        // Palette and 16-bit images are refused without a word.
        SDL_FreeSurface(image);
        return 0;
    }

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // The surface's rows go to GL as they are: top row first, the surface's
    // own channel order, GL's default unpack alignment. One level at the
    // image's own size: the textures are only ever sampled linearly from
    // level 0, so smaller levels would never be seen (building them took the
    // splash picture some 50 ms on a software renderer).
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), image->w, image->h, 0, format, GL_UNSIGNED_BYTE,
                 image->pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    SDL_FreeSurface(image);
    return name;
}
