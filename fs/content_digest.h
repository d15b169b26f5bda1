#pragma once
// What a copy checks its bytes by where a file system is not trusted: the
// 128-bit XXH3 of the content, compiled in (header-only, so the Windows
// build needs no library of its own).
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cstddef>

#include "fs/platform.h"

namespace os {

class ContentDigest {
 public:
  ContentDigest() { XXH3_128bits_reset(&state_); }
  void Add(const void* data, std::size_t size) { XXH3_128bits_update(&state_, data, size); }
  Digest Value() const {
    const XXH128_hash_t h = XXH3_128bits_digest(&state_);
    return {h.low64, h.high64};
  }

 private:
  XXH3_state_t state_;
};

}  // namespace os
