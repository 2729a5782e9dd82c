// Resources compiled into the module (the editor's bitmaps). The table is
// generated at build time from the committed files in resources/.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VSTGUI {

struct EmbeddedResource {
    int32_t id;
    const uint8_t* data;
    size_t size;
};

// The resource with this id, or null. Any thread; never allocates.
const EmbeddedResource* findEmbeddedResource(int32_t id);

} // namespace VSTGUI
