// The URID map and unmap a host offers LV2 plug-ins, for the LV2 test host
// and the state fuzzer: each URI gets the next number from 1 and keeps it
// for the life of the map. Any thread (one mutex); it allocates, so it is a
// host's main-thread service, which is all the plug-in may use it for.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace vemotest {

class UridMap {
public:
    UridMap() = default;
    UridMap(const UridMap&) = delete; // the features point into the object
    UridMap& operator=(const UridMap&) = delete;

    LV2_URID map(const char* uri)
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto [at, added] = ids.try_emplace(uri, LV2_URID(uris.size() + 1));
        if (added)
            uris.push_back(at->first);
        return at->second;
    }
    LV2_URID map(const std::string& uri) { return map(uri.c_str()); }

    // Null for a number never handed out.
    const char* unmap(LV2_URID id)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return id >= 1 && id <= uris.size() ? uris[id - 1].c_str() : nullptr;
    }

    LV2_URID_Map mapData{this, &UridMap::mapThunk};
    LV2_URID_Unmap unmapData{this, &UridMap::unmapThunk};
    const LV2_Feature mapFeature{LV2_URID__map, &mapData};
    const LV2_Feature unmapFeature{LV2_URID__unmap, &unmapData};

private:
    static LV2_URID mapThunk(LV2_URID_Map_Handle self, const char* uri)
    {
        return uri != nullptr ? static_cast<UridMap*>(self)->map(uri) : 0;
    }
    static const char* unmapThunk(LV2_URID_Unmap_Handle self, LV2_URID id)
    {
        return static_cast<UridMap*>(self)->unmap(id);
    }

    std::mutex mutex;
    std::map<std::string, LV2_URID> ids;
    std::deque<std::string> uris; // a deque: c_str() stays valid as it grows
};

} // namespace vemotest
