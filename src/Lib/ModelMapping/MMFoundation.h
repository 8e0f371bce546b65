#pragma once

#include "Platform/Foundation/Class.h"

#include <vector>

namespace mm {

// Which classes belong to the platform rather than to the application's models.
class MMFoundation {
public:
    // NSURL, NSDate, NSValue, NSData, NSError, NSArray, NSDictionary, NSString, NSAttributedString.
    static const std::vector<const foundation::Class*>& foundationClasses();
    // Exactly NSObject or NSManagedObject, or any of the classes above and their subclasses.
    static bool isClassFromFoundation(const foundation::Class* cls);
};

} // namespace mm
