#include "Platform/AutoLayout/LayoutEngine.h"

#include "Platform/AutoLayout/LayoutConstraint.h"
#include "Platform/AutoLayout/Strength.h"
#include "Platform/AutoLayout/View.h"

#include <array>
#include <cmath>
#include <iostream>

namespace autolayout {

namespace {

// Half away from zero, without a library call: a pass rounds six values for every view.
double roundEdge(double value)
{
    return static_cast<double>(static_cast<long long>(value + (value < 0.0 ? -0.5 : 0.5)));
}

// The origin of the root, for views without a parent state.
const double zero = 0.0;

// A hint only: never faults, even for a view that has gone away since.
void prefetchAddress(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

} // namespace

struct LayoutEngine::ViewState {
    // The four values side by side: a pass reads them together for every view.
    ViewState(View& owner, const std::string& name, const std::shared_ptr<std::array<double, 4>>& values)
        : view(owner.weak_from_this())
        , left(name + ".left", std::shared_ptr<double>(values, values->data()))
        , top(name + ".top", std::shared_ptr<double>(values, values->data() + 1))
        , width(name + ".width", std::shared_ptr<double>(values, values->data() + 2))
        , height(name + ".height", std::shared_ptr<double>(values, values->data() + 3))
    {
    }

    std::weak_ptr<View> view;
    ViewState* parent = nullptr;
    Variable left, top, width, height;
    std::uint64_t seenPass = 0;
    // What the frame pins or the intrinsic-size constraints were last made from.
    std::vector<Constraint> own;
    bool madeAsTranslated = false;
    Rect madeFrame;
    Size madeIntrinsic { noIntrinsicMetric, noIntrinsicMetric };
    LayoutPriority madePriorities[4] = {};
    ViewState* madeParent = nullptr;
    bool made = false;
};

LayoutEngine::LayoutEngine(View& root)
    : root_(&root)
{
}

LayoutEngine::~LayoutEngine() = default;

void LayoutEngine::setLogHandler(std::function<void(const std::string&)> handler)
{
    logHandler_ = std::move(handler);
}

void LayoutEngine::log(const std::string& line)
{
    if (logHandler_)
        logHandler_(line);
    else
        std::cerr << line << '\n';
}

void LayoutEngine::layout(Size rootSize)
{
    if (root_->superview()) {
        // The tree now hangs in another one (a page built on its own, then laid over a window),
        // whose engine places it; changes go to that tree's root, so everything this engine holds
        // (intrinsic sizes above all) is stale, and applying it would undo the other engine's
        // frames at every resize. Should the tree stand alone again, it is read afresh.
        syncedGeneration_ = ~std::uint64_t(0);
        return;
    }
    if (root_->layoutGeneration() != syncedGeneration_) {
        sync();
        syncedGeneration_ = root_->layoutGeneration();
    } else {
        // Views placed by their owners (a toolkit layout, say) may have moved since the last
        // pass without telling anyone; their frames are constraints here, so they are checked.
        for (ViewState* state : translated_)
            updateViewConstraints(*state);
    }
    ViewState* root = stateFor(*root_);
    if (rootSize.width != rootSize_.width)
        (void)solver_.suggestValue(root->width, rootSize.width);
    if (rootSize.height != rootSize_.height)
        (void)solver_.suggestValue(root->height, rootSize.height);
    rootSize_ = rootSize;
    solver_.updateVariables();
    apply();
}

LayoutEngine::ViewState* LayoutEngine::stateFor(View& view)
{
    auto& slot = views_[&view];
    // A state left by a view that died at the same address belongs to nobody now. A live
    // weak reference can only be to the view at this address.
    if (slot && slot->view.expired()) {
        for (const Constraint& own : slot->own)
            (void)solver_.removeConstraint(own);
        slot.reset();
    }
    if (!slot) {
        slot = std::make_unique<ViewState>(view, view.className(), std::make_shared<std::array<double, 4>>());
        if (&view == root_) {
            for (const Variable* origin : { &slot->left, &slot->top })
                (void)solver_.addConstraint(Constraint(*origin, RelationalOperator::Equal, 0.0, strength::required));
            (void)solver_.addEditVariable(slot->width, strength::strong);
            (void)solver_.addEditVariable(slot->height, strength::strong);
            rootSize_ = Size { -1.0, -1.0 };
        }
    }
    ViewState* state = slot.get();
    state->seenPass = pass_;
    if (&view != root_ && !state->parent) {
        if (View* parent = view.superview())
            state->parent = stateFor(*parent);
    }
    return state;
}

void LayoutEngine::collect(View& view, std::vector<View*>& order)
{
    order.push_back(&view);
    for (View* child : view.subviews())
        collect(*child, order);
}

void LayoutEngine::addAttribute(std::vector<Term>& terms, ViewState& item, LayoutAttribute attribute,
    ViewState& space, double factor)
{
    // Positions are measured from the origin of the view holding the constraint.
    switch (attribute) {
    case LayoutAttribute::Left:
    case LayoutAttribute::Leading:
        terms.push_back(Term { item.left, factor });
        terms.push_back(Term { space.left, -factor });
        break;
    case LayoutAttribute::Right:
    case LayoutAttribute::Trailing:
        terms.push_back(Term { item.left, factor });
        terms.push_back(Term { item.width, factor });
        terms.push_back(Term { space.left, -factor });
        break;
    case LayoutAttribute::CenterX:
        terms.push_back(Term { item.left, factor });
        terms.push_back(Term { item.width, 0.5 * factor });
        terms.push_back(Term { space.left, -factor });
        break;
    case LayoutAttribute::Top:
    case LayoutAttribute::FirstBaseline:
        terms.push_back(Term { item.top, factor });
        terms.push_back(Term { space.top, -factor });
        break;
    case LayoutAttribute::Bottom:
    case LayoutAttribute::LastBaseline:
        terms.push_back(Term { item.top, factor });
        terms.push_back(Term { item.height, factor });
        terms.push_back(Term { space.top, -factor });
        break;
    case LayoutAttribute::CenterY:
        terms.push_back(Term { item.top, factor });
        terms.push_back(Term { item.height, 0.5 * factor });
        terms.push_back(Term { space.top, -factor });
        break;
    case LayoutAttribute::Width:
        terms.push_back(Term { item.width, factor });
        break;
    case LayoutAttribute::Height:
        terms.push_back(Term { item.height, factor });
        break;
    case LayoutAttribute::NotAnAttribute:
        break;
    }
}

Constraint LayoutEngine::makeConstraint(const LayoutConstraint& constraint, View* holder, View* first, View* second)
{
    auto inTree = [this](View* view) { return view && inTree_.count(view) != 0; };
    if (!constraint.itemsAlive())
        return Constraint();
    if (!inTree(holder) || !inTree(first) || constraint.firstAttribute() == LayoutAttribute::NotAnAttribute)
        return Constraint();
    bool hasSecond = second && constraint.secondAttribute() != LayoutAttribute::NotAnAttribute;
    if (hasSecond && !inTree(second))
        return Constraint();

    ViewState& space = *stateFor(*holder);
    std::vector<Term> terms;
    terms.reserve(6);
    addAttribute(terms, *stateFor(*first), constraint.firstAttribute(), space, 1.0);
    if (hasSecond)
        addAttribute(terms, *stateFor(*second), constraint.secondAttribute(), space, -constraint.multiplier());
    Expression expression(std::move(terms), -constraint.constant());
    RelationalOperator op = constraint.relation() == LayoutRelation::LessThanOrEqual ? RelationalOperator::LessOrEqual
        : constraint.relation() == LayoutRelation::GreaterThanOrEqual                ? RelationalOperator::GreaterOrEqual
                                                                                     : RelationalOperator::Equal;
    return Constraint(std::move(expression), op, strength::fromPriority(constraint.priority()));
}

void LayoutEngine::sync()
{
    ++pass_;
    order_.clear();
    inTree_.clear();
    collect(*root_, order_);
    inTree_.reserve(order_.size());
    inTree_.insert(order_.begin(), order_.end());
    views_.reserve(order_.size());
    std::size_t heldCount = 0;
    for (const View* view : order_)
        heldCount += view->constraints().size();
    constraints_.reserve(heldCount);

    // Everything that goes away or changes leaves the solver before anything new enters it, so
    // that a constraint replacing another is never judged against the one it replaces.
    struct Pending {
        ConstraintState* state;
        std::shared_ptr<LayoutConstraint> constraint;
        View* holder;
        View* first;
        View* second;
    };
    std::vector<Pending> pending;
    pending.reserve(heldCount);
    bool removedAny = false;
    for (View* view : order_) {
        if (auto it = views_.find(view); it != views_.end() && !it->second->view.expired())
            it->second->seenPass = pass_;
        for (const auto& held : view->constraints()) {
            auto [slot, fresh] = constraints_.try_emplace(held.get());
            ConstraintState& state = slot->second;
            if (!fresh && state.constraint.expired()) {
                // A constraint that died and left its address to this one (a live one at this
                // address can only be `held`).
                if (!state.solverConstraint.isNull())
                    (void)solver_.removeConstraint(state.solverConstraint);
                state = ConstraintState();
                fresh = true;
            }
            if (fresh)
                state.constraint = held;
            state.seenPass = pass_;
            View* first = held->firstItem();
            View* second = held->secondItem();
            bool itemsInTree = held->itemsAlive() && first && inTree_.count(first) && (!second || inTree_.count(second));
            bool unchanged = !fresh && state.constant == held->constant() && state.priority == held->priority()
                && (!state.solverConstraint.isNull() || state.dropped);
            if (unchanged && itemsInTree) {
                stateFor(*first);
                if (second)
                    stateFor(*second);
                if (state.dropped)
                    pending.push_back(Pending { &state, held, view, first, second });
                continue;
            }
            if (!state.solverConstraint.isNull()) {
                (void)solver_.removeConstraint(state.solverConstraint);
                state.solverConstraint = Constraint();
                removedAny = true;
            }
            state.dropped = false;
            pending.push_back(Pending { &state, held, view, first, second });
        }
    }
    for (auto it = constraints_.begin(); it != constraints_.end();) {
        if (it->second.seenPass != pass_) {
            if (!it->second.solverConstraint.isNull()) {
                (void)solver_.removeConstraint(it->second.solverConstraint);
                removedAny = true;
            }
            it = constraints_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = views_.begin(); it != views_.end();) {
        ViewState& state = *it->second;
        if (state.seenPass != pass_ || state.view.expired()) {
            for (const Constraint& own : state.own)
                (void)solver_.removeConstraint(own);
            removedAny = removedAny || !state.own.empty();
            it = views_.erase(it);
            continue;
        }
        ++it;
    }

    // A view whose frame was pinned by its owner and is now handed to constraints loses its pins
    // before the new constraints go in: judged against the old frame, the first constraint that
    // sizes or places it would be dropped for good. The view's own constraints are made again
    // below.
    for (auto& [view, state] : views_) {
        if (!state->made || !state->madeAsTranslated || view->translatesAutoresizingMaskIntoConstraints())
            continue;
        for (const Constraint& own : state->own)
            (void)solver_.removeConstraint(own);
        state->own.clear();
        state->made = false;
        removedAny = true;
    }

    solver_.reserve(pending.size(), 4 * (order_.size() > views_.size() ? order_.size() - views_.size() : 0));
    for (auto& [state, held, holder, first, second] : pending) {
        bool wasDropped = state->dropped;
        // A dropped constraint is tried again only when something left that it may have
        // conflicted with, and it is reported only the first time.
        if (wasDropped && !removedAny)
            continue;
        state->constant = held->constant();
        state->priority = held->priority();
        state->dropped = false;
        Constraint solverConstraint = makeConstraint(*held, holder, first, second);
        if (solverConstraint.isNull())
            continue;
        SolverStatus status = solver_.addConstraint(solverConstraint);
        if (status == SolverStatus::Ok) {
            state->solverConstraint = solverConstraint;
            continue;
        }
        state->dropped = true;
        if (!wasDropped)
            log(std::string("Layout: a required constraint conflicts with the others and is dropped (")
                + toString(status) + "): " + held->description());
    }

    // Top-down, so that an ancestor's state exists before its descendants point at it.
    for (View* view : order_) {
        auto it = views_.find(view);
        if (it == views_.end())
            continue;
        it->second->parent = view == root_ ? nullptr : stateFor(*view->superview());
    }
    translated_.clear();
    for (auto& [view, state] : views_) {
        updateViewConstraints(*state);
        if (state->madeAsTranslated)
            translated_.push_back(state.get());
    }
    std::unordered_map<const View*, Rect> applied;
    for (const Placement& placement : placed_) {
        if (placement.hasApplied)
            applied.emplace(placement.view, placement.applied);
    }
    placed_.clear();
    for (View* view : order_) {
        auto it = views_.find(view);
        if (view == root_ || it == views_.end())
            continue;
        const ViewState& state = *it->second;
        auto last = applied.find(view);
        placed_.push_back(Placement { view, state.view, state.left.valueAddress(), state.top.valueAddress(),
            state.width.valueAddress(), state.height.valueAddress(),
            state.parent ? state.parent->left.valueAddress() : &zero,
            state.parent ? state.parent->top.valueAddress() : &zero, last != applied.end() ? last->second : Rect(),
            last != applied.end() });
    }
}

void LayoutEngine::addTracked(const Constraint& constraint, const std::string& what)
{
    SolverStatus status = solver_.addConstraint(constraint);
    if (status != SolverStatus::Ok)
        log("Layout: the " + what + " conflicts with required constraints and is dropped (" + toString(status)
            + "): " + constraint.toString());
}

void LayoutEngine::updateViewConstraints(ViewState& state)
{
    std::shared_ptr<View> view = state.view.lock();
    if (!view || view.get() == root_)
        return;
    bool translated = view->translatesAutoresizingMaskIntoConstraints();
    Rect frame = translated ? view->frame() : Rect();
    Size intrinsic = translated ? Size { noIntrinsicMetric, noIntrinsicMetric } : view->intrinsicContentSize();
    LayoutPriority priorities[4] = { view->contentHuggingPriority(LayoutAxis::Horizontal),
        view->contentHuggingPriority(LayoutAxis::Vertical),
        view->contentCompressionResistancePriority(LayoutAxis::Horizontal),
        view->contentCompressionResistancePriority(LayoutAxis::Vertical) };
    bool same = state.made && state.madeAsTranslated == translated && state.madeFrame == frame
        && state.madeIntrinsic == intrinsic && std::equal(priorities, priorities + 4, state.madePriorities) && state.madeParent == state.parent;
    if (same)
        return;
    for (const Constraint& own : state.own)
        (void)solver_.removeConstraint(own);
    state.own.clear();
    state.made = true;
    state.madeAsTranslated = translated;
    state.madeFrame = frame;
    state.madeIntrinsic = intrinsic;
    state.madeParent = state.parent;
    std::copy(priorities, priorities + 4, state.madePriorities);

    constexpr auto EQ = RelationalOperator::Equal;
    if (translated) {
        // The owner placed this view: its frame is as fixed as a required constraint.
        Expression parentLeft = state.parent ? Expression(state.parent->left) : Expression();
        Expression parentTop = state.parent ? Expression(state.parent->top) : Expression();
        state.own = { Constraint(state.left - parentLeft, EQ, frame.x, strength::required),
            Constraint(state.top - parentTop, EQ, frame.y, strength::required),
            Constraint(state.width, EQ, frame.width, strength::required),
            Constraint(state.height, EQ, frame.height, strength::required) };
    } else {
        const Variable* sizes[2] = { &state.width, &state.height };
        double metrics[2] = { intrinsic.width, intrinsic.height };
        for (int axis = 0; axis < 2; ++axis) {
            if (metrics[axis] == noIntrinsicMetric)
                continue;
            state.own.emplace_back(*sizes[axis], RelationalOperator::LessOrEqual, metrics[axis],
                strength::fromPriority(priorities[axis]));
            state.own.emplace_back(*sizes[axis], RelationalOperator::GreaterOrEqual, metrics[axis],
                strength::fromPriority(priorities[2 + axis]));
        }
    }
    for (const Constraint& own : state.own)
        addTracked(own, translated ? "frame of a view placed by its owner" : "intrinsic size");
}

void LayoutEngine::apply()
{
    // Each view costs a few cache misses (its object, its values, then the toolkit's own data);
    // asking for the first two a few views ahead lets them arrive while the toolkit is busy
    // placing this one.
    constexpr std::size_t lookAhead = 4;
    for (std::size_t i = 0; i < placed_.size(); ++i) {
        if (i + lookAhead < placed_.size())
            prefetch(placed_[i + lookAhead]);
        Placement& placement = placed_[i];
        if (placement.alive.expired() || placement.view->translatesAutoresizingMaskIntoConstraints())
            continue;
        // Frames of constrained views belong to the layout: comparing with what was applied
        // last saves asking the toolkit for every view on every pass.
        Rect frame = frameOf(placement.left, placement.top, placement.width, placement.height, placement.originX,
            placement.originY);
        if (!placement.hasApplied || !(placement.applied == frame)) {
            placement.view->setFrame(frame);
            placement.applied = frame;
            placement.hasApplied = true;
        }
    }
}

void LayoutEngine::prefetch(const Placement& placement)
{
    // The base's fields sit at the start of a view; a toolkit view's own (its widget) follow.
    prefetchAddress(placement.view);
    prefetchAddress(reinterpret_cast<const char*>(placement.view) + sizeof(View));
    prefetchAddress(placement.left);
}

Rect LayoutEngine::frameOf(const double* left, const double* top, const double* width, const double* height,
    const double* originX, const double* originY)
{
    // Edges are rounded in root coordinates, so neighbours that share an edge stay flush.
    double x0 = roundEdge(*left);
    double y0 = roundEdge(*top);
    double x1 = roundEdge(*left + *width);
    double y1 = roundEdge(*top + *height);
    double ox = roundEdge(*originX);
    double oy = roundEdge(*originY);
    return Rect { x0 - ox, y0 - oy, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0) };
}

Rect LayoutEngine::frameOf(const ViewState& state)
{
    return frameOf(state.left.valueAddress(), state.top.valueAddress(), state.width.valueAddress(),
        state.height.valueAddress(), state.parent ? state.parent->left.valueAddress() : &zero,
        state.parent ? state.parent->top.valueAddress() : &zero);
}

bool LayoutEngine::solvedFrame(const View& view, Rect& frame) const
{
    auto it = views_.find(&view);
    if (it == views_.end())
        return false;
    frame = frameOf(*it->second);
    return true;
}

std::vector<const LayoutConstraint*> LayoutEngine::droppedConstraints() const
{
    std::vector<const LayoutConstraint*> dropped;
    for (const auto& [constraint, state] : constraints_) {
        if (state.dropped)
            dropped.push_back(constraint);
    }
    return dropped;
}

} // namespace autolayout
