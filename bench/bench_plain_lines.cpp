// Baseline for the whole-road benchmark (whole_road.sh): a process that
// draws N plain lines (width 1, black, one GL_LINES batch, no smoothing or
// blending) into a 699 x 500 hidden view and writes the frame as a PNG, the
// least a process that draws N lines with this renderer can do.
// Usage: bench_plain_lines N OUT.png (under xvfb-run -a).
#include <QApplication>
#include <QImage>
#include <QOpenGLWidget>

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

class PlainLines : public QOpenGLWidget {
public:
    explicit PlainLines(std::size_t n)
    {
        // Short segments over a square lattice filling the view, as the
        // edges of a grid mesh would.
        std::size_t side = 1;
        while (side * side < n)
            ++side;
        ends.reserve(4 * n);
        for (std::size_t k = 0; k < n; ++k) {
            const float x = float(k % side) / float(side) * 1.8f - 0.9f;
            const float y = float(k / side) / float(side) * 1.8f - 0.9f;
            ends.insert(ends.end(), {x, y, x + 1.8f / float(side), y + 0.9f / float(side)});
        }
    }

protected:
    void initializeGL() override { glClearColor(1, 1, 1, 1); }
    void paintGL() override
    {
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(0, 0, 0);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, ends.data());
        glDrawArrays(GL_LINES, 0, GLsizei(ends.size() / 2));
        glDisableClientState(GL_VERTEX_ARRAY);
    }

private:
    std::vector<float> ends;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_plain_lines N OUT.png\n");
        return 2;
    }
    PlainLines view(std::strtoull(argv[1], nullptr, 10));
    view.resize(699, 500);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    return view.grabFramebuffer().save(argv[2], "PNG") ? 0 : 1;
}
