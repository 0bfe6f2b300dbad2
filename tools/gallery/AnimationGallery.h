#pragma once

namespace tavor {

class GalleryFolder;

// The busy clip as the busy panel shows it.
class AnimationGallery {
public:
    static void draw(GalleryFolder& folder);
};

} // namespace tavor
