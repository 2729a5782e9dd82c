// Shared ownership for views and bitmaps: an object starts with one
// reference; remember adds one, forget removes one and deletes at zero.
// UI thread only.
#pragma once

#include <cstdint>

namespace VSTGUI {

class CReferenceCounter {
public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;
    virtual ~CReferenceCounter() = default;

    void remember() { ++nbReference; }
    void forget()
    {
        if (--nbReference == 0)
            delete this;
    }
    int32_t getNbReference() const { return nbReference; }

private:
    int32_t nbReference = 1;
};

} // namespace VSTGUI
