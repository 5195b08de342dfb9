// The editor's undo history. Each step is a full copy of the level: the
// shipped levels hold a few hundred vertices, so a copy costs a few KB and
// 200 of them well under a megabyte; the byte bound only matters for levels
// that have grown to tens of thousands of vertices.
#include "playfield/undo.h"

#include <cstdlib>
#include <deque>
#include <vector>

#include "physics/ball.h"
#include "playfield/playfield.h"

namespace {

struct LevelCopy {
    std::vector<int> holes;
    std::vector<int> sizes;
    std::vector<double> coordinates;   // x, y of every vertex, contour after contour
    Vec2 balls[ballCount];

    bool operator==(const LevelCopy& other) const
    {
        if (holes != other.holes || sizes != other.sizes || coordinates != other.coordinates) return false;
        for (int i = 0; i < ballCount; ++i)
            if (balls[i].x != other.balls[i].x || balls[i].y != other.balls[i].y) return false;
        return true;
    }
    size_t bytes() const
    {
        return sizeof(LevelCopy) + holes.capacity() * sizeof(int) + sizes.capacity() * sizeof(int) +
               coordinates.capacity() * sizeof(double);
    }
};

std::deque<LevelCopy> undoStack;   // oldest first
std::deque<LevelCopy> redoStack;   // the most recently undone last
size_t heldBytes = 0;

LevelCopy pendingCopy;
bool changeOpen = false;

bool edited = false;

int carriedBall = -1;
Vec2 carriedFrom;

LevelCopy copyLevel()
{
    LevelCopy copy;
    copy.holes.reserve(levelPolygon.num_contours);
    copy.sizes.reserve(levelPolygon.num_contours);
    size_t total = 0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) total += size_t(levelPolygon.contour[c].num_vertices);
    copy.coordinates.reserve(2 * total);
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const gpc_vertex_list& list = levelPolygon.contour[c];
        copy.holes.push_back(levelPolygon.hole[c]);
        copy.sizes.push_back(list.num_vertices);
        for (int v = 0; v < list.num_vertices; ++v) {
            copy.coordinates.push_back(list.vertex[v].x);
            copy.coordinates.push_back(list.vertex[v].y);
        }
    }
    for (int i = 0; i < ballCount; ++i) copy.balls[i] = balls[i].position;
    if (carriedBall >= 0) copy.balls[carriedBall] = carriedFrom;
    return copy;
}

// False when memory ran out; the level is left as it was then.
bool restoreLevel(const LevelCopy& copy)
{
    const int n = static_cast<int>(copy.sizes.size());
    gpc_polygon polygon{0, nullptr, nullptr};
    if (n > 0) {
        polygon.hole = static_cast<int*>(std::malloc(sizeof(int) * n));
        polygon.contour = static_cast<gpc_vertex_list*>(std::calloc(n, sizeof(gpc_vertex_list)));
        if (!polygon.hole || !polygon.contour) {
            std::free(polygon.hole);
            std::free(polygon.contour);
            return false;
        }
        polygon.num_contours = n;
        size_t at = 0;
        for (int c = 0; c < n; ++c) {
            const int count = copy.sizes[c];
            polygon.hole[c] = copy.holes[c];
            gpc_vertex* v = count > 0 ? static_cast<gpc_vertex*>(std::malloc(sizeof(gpc_vertex) * count)) : nullptr;
            if (count > 0 && !v) {
                gpc_free_polygon(&polygon);
                return false;
            }
            for (int i = 0; i < count; ++i, at += 2)
                v[i] = gpc_vertex{copy.coordinates[at], copy.coordinates[at + 1], copy.coordinates[at],
                                  copy.coordinates[at + 1]};
            polygon.contour[c].num_vertices = count;
            polygon.contour[c].vertex = v;
        }
    }
    replaceLevelPolygon(polygon);
    for (int i = 0; i < ballCount; ++i) {
        balls[i].position = copy.balls[i];
        balls[i].velocity = Vec2();
    }
    return true;
}

void dropOldestWhileOverBounds()
{
    while (!undoStack.empty() &&
           (int(undoStack.size() + redoStack.size()) > undoStepLimit || heldBytes > undoByteLimit)) {
        heldBytes -= undoStack.front().bytes();
        undoStack.pop_front();
    }
}

void clearRedo()
{
    for (const LevelCopy& copy : redoStack) heldBytes -= copy.bytes();
    redoStack.clear();
}

// Moves the current level onto one stack and restores the top of the other.
bool step(std::deque<LevelCopy>& from, std::deque<LevelCopy>& to)
{
    if (from.empty() || carriedBall >= 0) return false;
    LevelCopy current = copyLevel();
    if (!restoreLevel(from.back())) return false;
    heldBytes -= from.back().bytes();
    from.pop_back();
    heldBytes += current.bytes();
    to.push_back(std::move(current));
    return true;
}

}  // namespace

void beginLevelChange()
{
    pendingCopy = copyLevel();
    changeOpen = true;
}

void commitLevelChange()
{
    if (!changeOpen) return;
    changeOpen = false;
    if (pendingCopy == copyLevel()) return;
    clearRedo();
    edited = true;
    heldBytes += pendingCopy.bytes();
    undoStack.push_back(std::move(pendingCopy));
    pendingCopy = LevelCopy();
    dropOldestWhileOverBounds();
}

void noteBallPickedUp(int ball)
{
    if (ball < 0 || ball >= ballCount) return;
    carriedBall = ball;
    carriedFrom = balls[ball].position;
}

void noteBallPutDown()
{
    if (carriedBall < 0) return;
    beginLevelChange();   // holds the ball where it was picked up
    carriedBall = -1;
    commitLevelChange();
}

bool undoLevelChange() { return step(undoStack, redoStack); }
bool redoLevelChange() { return step(redoStack, undoStack); }

void clearUndoHistory()
{
    undoStack.clear();
    redoStack.clear();
    heldBytes = 0;
    changeOpen = false;
    carriedBall = -1;
    edited = false;
}

bool levelEditedSinceChosen() { return edited; }
void markLevelEdited() { edited = true; }

int undoSteps() { return static_cast<int>(undoStack.size()); }
int redoSteps() { return static_cast<int>(redoStack.size()); }
size_t undoHistoryBytes() { return heldBytes; }
