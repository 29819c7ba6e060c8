#pragma once

namespace talvex {

// Root of the program's own object hierarchy: anything that may be deleted through a base
// pointer (self-deleting reference-counted objects, threads) derives from it.
class DObject {
public:
    DObject() = default;
    virtual ~DObject() = default;
    DObject(const DObject&) = delete;
    DObject& operator=(const DObject&) = delete;
};

}  // namespace talvex
