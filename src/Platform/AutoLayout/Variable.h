#pragma once

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
    void setValue(double value) { data_->value = value; }

    const void* identity() const { return data_.get(); }
    // How many handles share this variable.
    long useCount() const { return data_.use_count(); }
    friend bool operator==(const Variable& a, const Variable& b) { return a.data_ == b.data_; }

private:
    struct Data {
        std::string name;
        double value = 0.0;
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
