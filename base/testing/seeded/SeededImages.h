#pragma once
// The helper program's images, embedded at build time: one per set of version texts.
#include <cstddef>

namespace testing_support::seeded_images {

struct Image {
    const char* name;
    const unsigned char* bytes;
    size_t size;
};
extern const Image kImages[];
extern const size_t kImageCount;

}  // namespace testing_support::seeded_images
