#pragma once

#include "local-service/Operation.h"

#include <string>
#include <vector>

namespace localservice {

// Every operation the service answers, found by path, tag and (where two share both) by their
// parameters.
class OperationTable {
public:
    static const OperationTable& standard();
    const Operation* find(const std::string& path, const std::string& tag, const FormParams& params) const;
    const std::vector<Operation>& operations() const { return operations_; }

private:
    std::vector<Operation> operations_;
};

// The areas, each in its own source file.
void addAccountOperations(std::vector<Operation>& ops);
void addCatalogueOperations(std::vector<Operation>& ops);
void addCollectionOperations(std::vector<Operation>& ops);
void addStoreOperations(std::vector<Operation>& ops);

// Makes a user's cart (found by name or phone) exactly these fonts, in this order, without
// checking them against the catalogue; false when there is no such user.
bool replaceCart(StateDatabase& db, const std::string& user, const std::vector<int64_t>& fontids);

} // namespace localservice
