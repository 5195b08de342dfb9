#include "app/input.h"

Vec2 mousePos;
bool mouseLeft = false;
bool mouseRight = false;
bool wheelUp = false;
bool wheelDown = false;
bool keyEscape = false;
bool keyReturn = false;
bool keySpace = false;
bool keyC = false;
bool keyLeft = false;
bool keyRight = false;
bool keyF2 = false;
bool keyF11 = false;
bool keyF12 = false;
bool keyUndo = false;
bool keyRedo = false;

void clearInput()
{
    mousePos = Vec2();
    mouseLeft = mouseRight = wheelUp = wheelDown = false;
    keyEscape = keyReturn = keySpace = keyC = false;
    keyLeft = keyRight = keyF2 = keyF11 = keyF12 = false;
    keyUndo = keyRedo = false;
}
