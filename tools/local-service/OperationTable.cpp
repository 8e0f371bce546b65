#include "local-service/OperationTable.h"

namespace localservice {

const OperationTable& OperationTable::standard()
{
    static const OperationTable table = [] {
        OperationTable t;
        addAccountOperations(t.operations_);
        addCatalogueOperations(t.operations_);
        addCollectionOperations(t.operations_);
        addStoreOperations(t.operations_);
        return t;
    }();
    return table;
}

const Operation* OperationTable::find(const std::string& path, const std::string& tag, const FormParams& params) const
{
    for (const auto& op : operations_)
        if (op.path == path && op.tag == tag && (!op.matches || op.matches(params)))
            return &op;
    return nullptr;
}

} // namespace localservice
