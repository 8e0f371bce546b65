#include "Lib/ModelMapping/MMFoundation.h"

#include "Platform/Foundation/Object.h"

namespace mm {

using foundation::Class;

namespace {

// The platform classes the model layer must recognise even where this port has no class of
// their own: they exist here as names in the class registry.
const Class* classNamed(const char* name, const Class* superclass)
{
    if (const Class* cls = Class::named(name))
        return cls;
    return &Class::define(name, superclass);
}

} // namespace

const std::vector<const Class*>& MMFoundation::foundationClasses()
{
    static const std::vector<const Class*> classes = [] {
        const Class* root = foundation::Object::classObject();
        std::vector<const Class*> list;
        for (const char* name : {"NSURL", "NSDate", "NSValue", "NSData", "NSError", "NSArray", "NSDictionary",
                                 "NSString", "NSAttributedString"})
            list.push_back(classNamed(name, root));
        return list;
    }();
    return classes;
}

bool MMFoundation::isClassFromFoundation(const Class* cls)
{
    if (!cls)
        return false;
    static const Class* root = foundation::Object::classObject();
    static const Class* managedObject = classNamed("NSManagedObject", root);
    if (cls == root || cls == managedObject)
        return true;
    for (const Class* foundationClass : foundationClasses())
        if (cls->isSubclassOfClass(foundationClass))
            return true;
    return false;
}

} // namespace mm
