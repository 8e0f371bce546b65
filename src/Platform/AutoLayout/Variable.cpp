#include "Platform/AutoLayout/Variable.h"

namespace autolayout {

Variable::Variable(std::string name)
    : data_(std::make_shared<Data>())
{
    data_->name = std::move(name);
}

Variable::Variable(std::string name, std::shared_ptr<double> storage)
    : Variable(std::move(name))
{
    if (storage) {
        data_->slot = storage.get();
        data_->storage = std::move(storage);
        *data_->slot = 0.0;
    }
}

} // namespace autolayout
