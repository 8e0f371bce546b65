#pragma once

#include "Platform/AutoLayout/Geometry.h"
#include "Platform/AutoLayout/LayoutAttribute.h"
#include "Platform/AutoLayout/Solver.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace autolayout {

class LayoutConstraint;
class View;

// Lays out one view tree (a window's content) with one solver. The root's size is an edit
// variable; every view that a held constraint mentions, and its ancestors, get variables for
// their frame in root coordinates. Views that translate their autoresizing mask keep the frame
// their owner gave them; the others get their frames from the solution, applied top-down.
// Changes are picked up incrementally: only the constraints added, removed or changed since the
// last pass are taken out of or put into the solver. A required constraint that cannot be
// satisfied together with the others is logged and left out, and layout goes on without it.
// Main thread only.
class LayoutEngine {
public:
    explicit LayoutEngine(View& root);
    ~LayoutEngine();
    LayoutEngine(const LayoutEngine&) = delete;
    LayoutEngine& operator=(const LayoutEngine&) = delete;

    // Where the "dropped" lines go; stderr by default.
    void setLogHandler(std::function<void(const std::string&)> handler);

    // Solves for the root at `rootSize` and applies the frames; does nothing while the root has a
    // superview (the engine of the tree it joined lays it out).
    void layout(Size rootSize);
    // The frame that the last pass computed for a view, in its superview's coordinates, or
    // nothing when the view has no variables.
    bool solvedFrame(const View& view, Rect& frame) const;
    // The constraints left out because they could not be satisfied.
    std::vector<const LayoutConstraint*> droppedConstraints() const;
    std::string dump() { return solver_.dump(); }

private:
    struct ViewState;
    struct ConstraintState {
        std::weak_ptr<LayoutConstraint> constraint;
        Constraint solverConstraint;
        double constant = 0.0;
        LayoutPriority priority = 0.0f;
        bool dropped = false;
        std::uint64_t seenPass = 0;
    };

    void sync();
    void collect(View& view, std::vector<View*>& order);
    ViewState* stateFor(View& view);
    void updateViewConstraints(ViewState& state);
    static void addAttribute(std::vector<Term>& terms, ViewState& item, LayoutAttribute attribute, ViewState& space,
        double factor);
    Constraint makeConstraint(const LayoutConstraint& constraint, View* holder, View* first, View* second);
    void addTracked(const Constraint& constraint, const std::string& what);
    void apply();
    static Rect frameOf(const ViewState& state);
    static Rect frameOf(const double* left, const double* top, const double* width, const double* height,
        const double* originX, const double* originY);
    void log(const std::string& line);

    View* root_;
    Solver solver_;
    std::unordered_map<const View*, std::unique_ptr<ViewState>> views_;
    std::unordered_map<const LayoutConstraint*, ConstraintState> constraints_;
    std::vector<View*> order_;
    std::unordered_set<const View*> inTree_;
    // The views with variables below the root, top-down: what each pass positions, with the
    // addresses of the values it reads, kept together so that a pass walks one array.
    struct Placement {
        View* view;
        // The view may go away between passes without a new sync; this says whether it did.
        // A copy rather than the state's own, so that a pass need not visit the states.
        std::weak_ptr<View> alive;
        const double* left;
        const double* top;
        const double* width;
        const double* height;
        const double* originX;
        const double* originY;
        Rect applied;
        bool hasApplied;
    };
    std::vector<Placement> placed_;
    static void prefetch(const Placement& placement);
    std::vector<ViewState*> translated_;
    std::function<void(const std::string&)> logHandler_;
    std::uint64_t syncedGeneration_ = ~std::uint64_t(0);
    std::uint64_t pass_ = 0;
    Size rootSize_ { -1.0, -1.0 };
};

} // namespace autolayout
