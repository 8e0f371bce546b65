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
    // A variable whose value is kept at `storage` instead of beside its name, so that values
    // read together after each solve can sit side by side (`storage` may alias a larger block,
    // which then lives as long as the variable).
    Variable(std::string name, std::shared_ptr<double> storage);

    const std::string& name() const { return data_->name; }
    double value() const { return *data_->slot; }
    // Where the value lives, valid while any handle to the variable does: for readers that go
    // over many values after each solve and want to skip the handles.
    const double* valueAddress() const { return data_->slot; }
    void setValue(double value) { *data_->slot = value; }

    const void* identity() const { return data_.get(); }
    // How many handles share this variable.
    long useCount() const { return data_.use_count(); }
    friend bool operator==(const Variable& a, const Variable& b) { return a.data_ == b.data_; }

private:
    friend class Solver;
    struct Data {
        std::string name;
        double value = 0.0;
        // Where the value is read and written: `value`, or the storage given.
        double* slot = &value;
        std::shared_ptr<double> storage;
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
