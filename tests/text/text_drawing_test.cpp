// Text drawing in a real OpenGL window under X: pixels read back, raster positions, matrix state.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/text/text_ink.h"
#include "text/bitmap_font.h"
#include "text/outlined_text.h"

// Xlib's macros (None, Bool, Status) clash with names in the test framework, so X comes last.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include "tests/support/x_display.h"

namespace kvr::test {
namespace {

const int kWidth = 800;
const int kHeight = 500;

// "ミドルドラッグ: ポイントの移動、画面のスクロール"
const char kFirstHelpLine[] =
    "\x83\x7E\x83\x68\x83\x8B\x83\x68\x83\x89\x83\x62\x83\x4F: "
    "\x83\x7C\x83\x43\x83\x93\x83\x67\x82\xCC\x88\xDA\x93\xAE\x81\x41"
    "\x89\xE6\x96\xCA\x82\xCC\x83\x58\x83\x4E\x83\x8D\x81\x5B\x83\x8B";

// The window's pixels, row 0 at the top: white is glyph, black is outline, the rest background.
std::vector<Ink> readInk() {
    glFinish();
    std::vector<unsigned char> rgb(kWidth * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::vector<Ink> ink(kWidth * kHeight, Ink::Background);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const unsigned char* p = &rgb[((kHeight - 1 - y) * kWidth + x) * 3];
            if (p[0] > 200 && p[1] > 200 && p[2] > 200) ink[y * kWidth + x] = Ink::Glyph;
            if (p[0] < 40 && p[1] < 40 && p[2] < 40) ink[y * kWidth + x] = Ink::Outline;
        }
    }
    return ink;
}

struct Box {
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
};

Box boundsOf(const std::vector<Ink>& frame, Ink kind) {
    Box box;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (frame[y * kWidth + x] != kind) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                   std::max(box.bottom, y)};
        }
    }
    return box;
}

int differences(const std::vector<Ink>& a, const std::vector<Ink>& b) {
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
    return count;
}

struct MatrixState {
    GLfloat modelView[16], projection[16], texture[16];
    GLint mode;
};

MatrixState matrixState() {
    MatrixState state;
    glGetFloatv(GL_MODELVIEW_MATRIX, state.modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, state.projection);
    glGetFloatv(GL_TEXTURE_MATRIX, state.texture);
    glGetIntegerv(GL_MATRIX_MODE, &state.mode);
    return state;
}

void expectSameMatrices(const MatrixState& before, const MatrixState& after) {
    EXPECT_EQ(after.mode, before.mode);
    EXPECT_EQ(0, std::memcmp(after.modelView, before.modelView, sizeof before.modelView));
    EXPECT_EQ(0, std::memcmp(after.projection, before.projection, sizeof before.projection));
    EXPECT_EQ(0, std::memcmp(after.texture, before.texture, sizeof before.texture));
}

// A plain GLX window of the editor's size, so text is drawn by the same software OpenGL that the
// editor gets under Xvfb.
class TextDrawing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        display = openDisplay();
        ASSERT_NE(display, nullptr) << "needs an X server (DISPLAY)";
        int attributes[] = {GLX_RGBA, GLX_RED_SIZE,     8,   GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE,
                            8,        GLX_DOUBLEBUFFER, None};
        XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
        ASSERT_NE(visual, nullptr) << "no GLX visual";
        const Window root = RootWindow(display, visual->screen);
        XSetWindowAttributes settings{};
        settings.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
        window = XCreateWindow(display, root, 0, 0, kWidth, kHeight, 0, visual->depth, InputOutput,
                               visual->visual, CWColormap, &settings);
        context = glXCreateContext(display, visual, nullptr, True);
        XFree(visual);
        ASSERT_NE(context, nullptr);
        XMapWindow(display, window);
        XSync(display, False);
        ASSERT_TRUE(glXMakeCurrent(display, window, context));
        font = new BitmapFont;
    }
    static void TearDownTestSuite() {
        delete font;
        font = nullptr;
        if (display == nullptr) return;
        glXMakeCurrent(display, None, nullptr);
        if (context != nullptr) glXDestroyContext(display, context);
        XDestroyWindow(display, window);
        XCloseDisplay(display);
        display = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(font, nullptr);
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(0.0f, 0.0f, 0.5f, 1.0f);  // neither black nor white, so the outline shows
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    }

    // The editor's curve projection and camera, which text must not depend on or disturb.
    static void setCurveView() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, 800.0, -250.0, 250.0, 1.0, 50000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, -100.0f);
    }

    // Where drawing `text` at (x, y) leaves the raster position, in pixels right of x.
    static int advanceOf(const char* text) {
        font->drawText(100, 200, text);
        GLfloat raster[4];
        glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
        EXPECT_EQ(raster[1], kHeight - 216) << "raster row moved for " << text;
        return static_cast<int>(raster[0]) - 100;
    }

    static Display* display;
    static Window window;
    static GLXContext context;
    static BitmapFont* font;
};

Display* TextDrawing::display = nullptr;
Window TextDrawing::window = 0;
GLXContext TextDrawing::context = nullptr;
BitmapFont* TextDrawing::font = nullptr;

TEST_F(TextDrawing, OutlinedStatusTextMatchesTheGlyphs) {
    setCurveView();
    drawOutlinedText(5, 480, "--EDIT--", *font);
    const std::vector<Ink> frame = readInk();

    EXPECT_EQ(differences(frame, textInk(*font, kWidth, kHeight, 5, 480, "--EDIT--", true)), 0);
    const Box white = boundsOf(frame, Ink::Glyph);
    EXPECT_GE(white.left, 5);
    EXPECT_LE(white.left, 12);   // inside the first cell
    EXPECT_GE(white.right, 61);  // inside the last cell
    EXPECT_LE(white.right, 68);
    EXPECT_GE(white.top, 480);
    EXPECT_LE(white.bottom, 495);
    const Box black = boundsOf(frame, Ink::Outline);
    EXPECT_EQ(black.left, white.left - 1);
    EXPECT_EQ(black.right, white.right + 1);
    EXPECT_EQ(black.top, white.top - 1);
    EXPECT_EQ(black.bottom, white.bottom + 1);

    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f) << "colour not left white";
}

TEST_F(TextDrawing, JapaneseHelpLineIs384PixelsWide) {
    font->drawText(5, 5, kFirstHelpLine);
    const std::vector<Ink> frame = readInk();

    EXPECT_EQ(differences(frame, textInk(*font, kWidth, kHeight, 5, 5, kFirstHelpLine, false)), 0);
    const Box white = boundsOf(frame, Ink::Glyph);
    EXPECT_LT(white.left, 5 + 16);
    EXPECT_GE(white.right, 5 + 384 - 16);
    EXPECT_LT(white.right, 5 + 384);
    EXPECT_GE(white.top, 5);
    EXPECT_LE(white.bottom, 20);
    EXPECT_EQ(advanceOf(kFirstHelpLine), 384);
}

TEST_F(TextDrawing, TextColourIsTheCurrentColour) {
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    font->drawText(5, 5, "#");
    glFinish();
    unsigned char rgb[16 * 16 * 3];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(5, kHeight - 21, 16, 16, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    int red = 0;
    for (int i = 0; i < 16 * 16; ++i) red += rgb[i * 3] > 200 && rgb[i * 3 + 1] < 40;
    EXPECT_GT(red, 10);
}

TEST_F(TextDrawing, CallerMatricesAndModeSurvive) {
    setCurveView();
    glMatrixMode(GL_PROJECTION);
    glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(2.0f, 3.0f, 1.0f);
    glMatrixMode(GL_PROJECTION);
    const MatrixState before = matrixState();

    drawOutlinedText(5, 5, kFirstHelpLine, *font);
    expectSameMatrices(before, matrixState());

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(TextDrawing, RasterAdvancePerCharacter) {
    EXPECT_EQ(advanceOf(""), 0);
    EXPECT_EQ(advanceOf("A"), 8);
    EXPECT_EQ(advanceOf(" "), 8);
    EXPECT_EQ(advanceOf("\x8A\x67"), 16);
    EXPECT_EQ(advanceOf("A\x81"), 8);      // lone lead byte ends the text
    EXPECT_EQ(advanceOf("\nA"), 16);       // control byte leads a pair
    EXPECT_EQ(advanceOf("\xF0\x40"), 16);  // blank row 0x7F, still in the table
    EXPECT_EQ(advanceOf("\xF0\x9F"), 0);   // past the table: no glyph, no move
    EXPECT_EQ(advanceOf("\xF1\x40Z"), 8);
}

TEST_F(TextDrawing, NothingToDraw) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, kWidth, 0.0, kHeight, -1.0, 1.0);
    glRasterPos2i(3, 7);
    const MatrixState before = matrixState();
    auto expectState = [](GLint alignment, GLfloat x, GLfloat y) {
        GLint currentAlignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &currentAlignment);
        EXPECT_EQ(currentAlignment, alignment);
        GLfloat raster[4];
        glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
        EXPECT_EQ(raster[0], x);
        EXPECT_EQ(raster[1], y);
    };

    // No text or no font: no OpenGL call at all.
    const unsigned char headerOnly[] = {16, 0, 0, 0};
    const BitmapFont empty(headerOnly, sizeof headerOnly);
    font->drawText(40, 60, nullptr);
    empty.drawText(40, 60, "A");
    expectState(4, 3, 7);

    // An empty string still places the raster position and sets the alignment.
    font->drawText(40, 60, "");
    expectState(1, 40, kHeight - 76);
    expectSameMatrices(before, matrixState());
    EXPECT_EQ(boundsOf(readInk(), Ink::Glyph).right, -1);
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace
}  // namespace kvr::test
