#pragma once

#include <memory>
#include <mutex>
#include <set>

namespace desktop {

// What the window server says about the keys and the pointer, asked for a program that wants to
// know whether the person has moved the keys elsewhere. Window ids are the server's; 0 is none.
class FocusQueries {
public:
    virtual ~FocusQueries() = default;

    // Whether a pointer button is down right now.
    virtual bool pointerButtonHeld() = 0;
    // The window the window manager names as the active one, 0 when none or unknown.
    virtual unsigned long activeWindow() = 0;
    // Whether `window` is one of this program's own.
    virtual bool ownsWindow(unsigned long window) = 0;

    // The queries installed for this process, nullptr until one is installed.
    static std::shared_ptr<FocusQueries> shared();
    // Installs `queries` (nullptr: none) and returns the previous ones. Thread-safe.
    static std::shared_ptr<FocusQueries> install(std::shared_ptr<FocusQueries> queries);
};

// Answers what it is told; for tests.
class FakeFocusQueries final : public FocusQueries {
public:
    bool pointerButtonHeld() override;
    unsigned long activeWindow() override;
    bool ownsWindow(unsigned long window) override;

    void setPointerButtonHeld(bool held);
    void setActiveWindow(unsigned long window);
    void addOwnWindow(unsigned long window);

private:
    std::mutex mutex_;
    bool buttonHeld_ = false;
    unsigned long active_ = 0;
    std::set<unsigned long> own_;
};

// Installs a FakeFocusQueries for its lifetime and puts the previous queries back afterwards.
class ScopedFakeFocusQueries {
public:
    ScopedFakeFocusQueries();
    ~ScopedFakeFocusQueries();
    ScopedFakeFocusQueries(const ScopedFakeFocusQueries&) = delete;
    ScopedFakeFocusQueries& operator=(const ScopedFakeFocusQueries&) = delete;

    FakeFocusQueries& queries() { return *fake_; }

private:
    std::shared_ptr<FakeFocusQueries> fake_;
    std::shared_ptr<FocusQueries> previous_;
};

} // namespace desktop
