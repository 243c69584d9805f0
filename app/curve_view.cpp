// Drawing one frame: the current timeline's curves, its keys, the selected key, then the text.
#include <GL/gl.h>

#include <vector>

#include "app/camera.h"
#include "app/timeline_editor.h"

namespace kvr {

namespace {

void drawPolyline(const std::vector<Point2>& points) {
    glBegin(GL_LINE_STRIP);
    for (const Point2& p : points) glVertex2f(p.x, p.y);
    glEnd();
}

void drawKeyPoints(const std::vector<BezierKey>& keys) {
    glBegin(GL_POINTS);
    for (const BezierKey& key : keys) glVertex2f(key.point.x, key.point.y);
    glEnd();
}

void drawSelectedKey(const BezierKey& key) {
    glBegin(GL_POINTS);
    glVertex2f(key.point.x, key.point.y);
    glVertex2f(key.inHandle.x, key.inHandle.y);
    glVertex2f(key.outHandle.x, key.outHandle.y);
    glEnd();
    glBegin(GL_LINE_STRIP);
    glVertex2f(key.inHandle.x, key.inHandle.y);
    glVertex2f(key.point.x, key.point.y);
    glVertex2f(key.outHandle.x, key.outHandle.y);
    glEnd();
}

}  // namespace

void TimelineEditor::draw() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(viewLeft, viewRight, viewBottom, viewTop, 1.0, 50000.0);
    glMatrixMode(GL_MODELVIEW);
    Camera camera;
    camera.apply();

    if (const Timeline3* timeline = currentTimeline()) {
        glColor4ub(255, 0, 0, 255);
        drawPolyline(timeline->x.samples);
        glColor4ub(0, 255, 0, 255);
        drawPolyline(timeline->y.samples);
        glColor4ub(0, 0, 255, 255);
        drawPolyline(timeline->z.samples);

        glPointSize(7.0f);
        glColor4ub(128, 128, 128, 255);
        drawKeyPoints(timeline->x.keys);
        drawKeyPoints(timeline->y.keys);
        drawKeyPoints(timeline->z.keys);

        if (selectedKey) {
            glPointSize(10.0f);
            glColor4ub(255, 255, 255, 255);
            drawSelectedKey(*selectedKey);
        }
    }

    drawHelp();
    drawStatus();
    SDL_GL_SwapBuffers();
}

}  // namespace kvr
