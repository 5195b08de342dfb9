#include <SDL.h>

#include "app/input.h"
#include "game/state.h"

namespace {
bool* flagForKey(int sym)
{
    switch (sym) {
    case SDLK_RETURN: return &keyReturn;
    case SDLK_ESCAPE: return &keyEscape;
    case SDLK_SPACE: return &keySpace;
    case SDLK_c: return &keyC;
    case SDLK_x: return &mouseRight;
    case SDLK_z: return &mouseLeft;
    case SDLK_RIGHT: return &keyRight;
    case SDLK_LEFT: return &keyLeft;
    case SDLK_F2: return &keyF2;
    case SDLK_F11: return &keyF11;
    case SDLK_F12: return &keyF12;
    default: return nullptr;
    }
}

// The editor's history keys: Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo.
// With Ctrl held, z is not the left button.
bool* historyFlag(const SDL_keysym& key)
{
    if (!(key.mod & KMOD_CTRL)) return nullptr;
    if (key.sym == SDLK_z) return (key.mod & KMOD_SHIFT) ? &keyRedo : &keyUndo;
    if (key.sym == SDLK_y) return &keyRedo;
    return nullptr;
}
}

void handleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (event.type == SDL_KEYUP && (event.key.keysym.sym == SDLK_z || event.key.keysym.sym == SDLK_y))
            keyUndo = keyRedo = false;
        if (event.type == SDL_KEYDOWN) {
            if (bool* flag = historyFlag(event.key.keysym)) {
                *flag = true;
                break;
            }
        }
        if (bool* flag = flagForKey(event.key.keysym.sym)) *flag = (event.type == SDL_KEYDOWN);
        break;
    case SDL_MOUSEMOTION:
        mousePos = Vec2(float(event.motion.x), float(event.motion.y));
        break;
    case SDL_MOUSEBUTTONDOWN:
        switch (event.button.button) {
        case SDL_BUTTON_LEFT: mouseLeft = true; break;
        case SDL_BUTTON_RIGHT: mouseRight = true; break;
        case SDL_BUTTON_WHEELUP: wheelUp = true; break;
        case SDL_BUTTON_WHEELDOWN: wheelDown = true; break;
        default: break;
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT) mouseLeft = false;
        if (event.button.button == SDL_BUTTON_RIGHT) mouseRight = false;
        mousePos = Vec2(float(event.button.x), float(event.button.y));
        break;
    case SDL_QUIT:
        requestState(Exiting);
        break;
    default:
        break;
    }
}

void pumpEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) handleEvent(event);
}
