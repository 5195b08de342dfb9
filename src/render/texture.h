// Images into GL textures (3 or 4 bytes per pixel), 0 on failure.
#pragma once

unsigned loadTexture(const char* path);
