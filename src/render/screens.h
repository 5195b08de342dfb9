// The last layer of every frame: dimming, the screens and their texts, the
// editor's weight line and the exit fade.
#pragma once

void drawStateLayer();
