// How long frames take on this machine, learnt from the frames drawn, and
// what that says about the level to draw while the view moves: a frame then
// takes at most a tenth of a second.
#ifndef FRAME_TIMES_H
#define FRAME_TIMES_H

#include <cstdint>

class FrameTimes {
public:
    // The longest a frame may take while the view is turned, panned or zoomed.
    static constexpr double target = 0.1;

    // A frame of a mesh with `faces` faces took `seconds`.
    void record(std::uint64_t faces, double seconds);
    // The seconds a frame of `faces` faces is expected to take.
    double expected(std::uint64_t faces) const;
    // The most faces a moving frame may have: its expected time is at most
    // four fifths of the target, room for what the frame does besides.
    std::uint64_t faceBudget() const;
    // A level of `faces` faces is too slow to move smoothly.
    bool tooSlow(std::uint64_t faces) const { return expected(faces) > target; }

    // Whether the coarse level of a drawn level should be built anew: it has
    // `coarseFaces` faces (0: none) and was built for a budget of `builtFor`
    // faces. So when the drawn level turned out too slow and none was built
    // because the budget then allowed it, when the coarse level itself is
    // too slow, and when a finer one than it would now fit.
    bool rebuildWanted(std::uint64_t drawnFaces, std::uint64_t coarseFaces, std::uint64_t builtFor) const;

    double secondsPerFace() const { return secondsPerFace_; }

private:
    // A frame's fixed part (clearing, handing the picture over) and the
    // cost of each face (its edges classified and drawn, its occluder
    // triangle). Start values from the frame benchmark on the software
    // renderer: 1201 x 1201 takes about a second.
    static constexpr double overhead_ = 0.01;
    static constexpr double smallestMeasured_ = 20000;
    double secondsPerFace_ = 4e-7;
};

#endif
