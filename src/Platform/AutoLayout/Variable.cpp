#include "Platform/AutoLayout/Variable.h"

namespace autolayout {

Variable::Variable(std::string name)
    : data_(std::make_shared<Data>())
{
    data_->name = std::move(name);
}

} // namespace autolayout
