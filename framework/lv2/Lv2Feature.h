// A host feature's data by URI, from the null-terminated list a host passes.
#pragma once

#include <lv2/core/lv2.h>

#include <cstring>

// Null when the list is null or holds no such feature.
inline const void* FindLv2Feature(const LV2_Feature* const* features, const char* uri) {
  if (!features) return nullptr;
  for (const LV2_Feature* const* f = features; *f; ++f)
    if ((*f)->URI && std::strcmp((*f)->URI, uri) == 0) return (*f)->data;
  return nullptr;
}
