#pragma once

namespace tavor {

class GalleryFolder;

// The window's progress bar in its three styles.
class ProgressGallery {
public:
    static void draw(GalleryFolder& folder);
};

} // namespace tavor
