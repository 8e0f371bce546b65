#pragma once

#include <cstdint>
#include <string>

namespace localservice {

class CatalogueIndex;
class StateDatabase;

// Fills an empty state database with the demo accounts and collections:
//   demo / demo1234      VIP type "1", agreed, four folders (one published, one under review),
//                        follows two collections, two fonts in the cart
//   newbie / newbie123   has not accepted the agreement yet (is_agree 0), first sign-in
//   editor, designer     authors of the published collections (password editor123, designer123);
//                        the editor's "会员专享合集" is protected by the password "corvane2024"
// Font ids come from the catalogue in use, so the seed fits any generated catalogue.
class ServiceSeed {
public:
    static bool seedIfEmpty(StateDatabase& db, CatalogueIndex& catalogue, int64_t now);
    // A published folder's password as the state keeps it: "salt:hash" (PBKDF2), never clear.
    static std::string folderPassword(const std::string& password);
};

} // namespace localservice
