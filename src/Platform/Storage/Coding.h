#pragma once

namespace foundation {

class KeyedArchiver;
class KeyedUnarchiver;

// An object that writes itself to a keyed archive and reads itself back, key by key. A class that
// adopts it derives from Object and from Coding, and is registered with a factory under its
// class name (runtime::ClassBuilder does both) so that decoding can make a fresh instance and
// hand it the unarchiver.
class Coding {
public:
    virtual ~Coding() = default;
    virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;
    virtual void initWithCoder(KeyedUnarchiver& coder) = 0;

protected:
    Coding() = default;
    Coding(const Coding&) = default;
    Coding& operator=(const Coding&) = default;
};

} // namespace foundation
