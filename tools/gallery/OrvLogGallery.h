#pragma once

namespace tavor {

class GalleryFolder;

// The item list in the window's two uses and with every built-in picture.
class OrvLogGallery {
public:
    static void draw(GalleryFolder& folder);
};

} // namespace tavor
