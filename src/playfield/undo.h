// The editor's undo history: whole copies of the level (polygon and balls)
// taken before each change, with the undone ones kept for redo.
//
// A change is one stamp or cut (a mirrored pair together), a clear, a ball
// put down at a new place, or a level opened from a file. An edit that leaves
// the level as it was records nothing.
//
// Bounds: at most undoStepLimit steps and undoByteLimit bytes of copies
// together in both directions; the oldest steps go first.
#pragma once
#include <cstddef>

constexpr int undoStepLimit = 200;
constexpr size_t undoByteLimit = size_t(32) << 20;

// Copies the level as it stands, before an edit.
void beginLevelChange();
// Keeps the copy from beginLevelChange as one undo step when the level now
// differs from it, and forgets every redo step then.
void commitLevelChange();
// Remembers where the ball now carried in the editor was picked up; copies
// taken while it is carried hold it there, and putting it down is a change.
void noteBallPickedUp(int ball);
void noteBallPutDown();

// Restore the level before the last change / after the last undone change.
// Both do nothing while a ball is carried. Return whether they acted.
bool undoLevelChange();
bool redoLevelChange();

// Forgets every step (another level was chosen) and the edited mark.
void clearUndoHistory();
// Whether the editor has changed the level since the history was last
// cleared (undoing back to the start still counts as changed).
bool levelEditedSinceChosen();
// Marks the level as not the chosen one (it was loaded from elsewhere).
void markLevelEdited();

int undoSteps();
int redoSteps();
size_t undoHistoryBytes();
