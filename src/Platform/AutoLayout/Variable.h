#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace autolayout {

// A value the solver computes. Copies share one value, so a caller keeps its handle and reads
// the result after Solver::updateVariables(). Identity, not the name, tells variables apart.
class Variable {
public:
    explicit Variable(std::string name = {});

    const std::string& name() const { return data_->name; }
    double value() const { return data_->value; }
    // Where the value lives, valid while any handle to the variable does: for readers that go
    // over many values after each solve and want to skip the handles.
    const double* valueAddress() const { return &data_->value; }
    void setValue(double value) { data_->value = value; }

    const void* identity() const { return data_.get(); }
    // How many handles share this variable.
    long useCount() const { return data_.use_count(); }
    friend bool operator==(const Variable& a, const Variable& b) { return a.data_ == b.data_; }

private:
    friend class Solver;
    struct Data {
        std::string name;
        double value = 0.0;
        // Where the solver that saw this variable last keeps it, so that it need not look the
        // variable up again; only that solver (and that tableau) trusts it.
        const void* solver = nullptr;
        std::uint64_t tableau = 0;
        std::uint32_t symbol = 0;
    };
    std::shared_ptr<Data> data_;
};

struct VariableHash {
    std::size_t operator()(const Variable& variable) const
    {
        return std::hash<const void*>()(variable.identity());
    }
};

} // namespace autolayout
