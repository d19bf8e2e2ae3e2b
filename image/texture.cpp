#include "image/texture.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "image/file_buffer.h"
#include "image/jpeg_decoder.h"
#include "platform/report.h"

namespace image {

Texture::~Texture() {
    if (hasName) glDeleteTextures(1, &glName);
}

void Texture::setSize(int newWidth, int newHeight) {
    width = newWidth;
    height = newHeight;
    potWidth = 1;
    potHeight = 1;
    if (width > 1) {
        while (potWidth < width) potWidth *= 2;
    }
    if (height > 1) {
        while (potHeight < height) potHeight *= 2;
    }
    uExtent = static_cast<float>(static_cast<double>(width) / potWidth);
    vExtent = static_cast<float>(static_cast<double>(height) / potHeight);
}

namespace {

// Why a texture of this size is refused where the biggest side taken is
// `largest` (0: any); empty when it is taken.
std::string tooBigForTextures(int potWidth, int potHeight, GLint largest) {
    if (largest <= 0 || (potWidth <= largest && potHeight <= largest)) return {};
    return "too big for this GL's textures (" + std::to_string(potWidth) + " by " +
           std::to_string(potHeight) + "; it takes at most " + std::to_string(largest) + ")";
}

// Stays 0 without a context: nothing to upload to.
GLint largestTexture() {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    return largest;
}

// Decoded rows go straight to their place in the power-of-two texture
// image; the texels right of and below the picture are transparent black.
class TextureSink : public RowSink {
  public:
    // largest: the biggest texture side taken (0: any).
    explicit TextureSink(GLint largest) : largest_(largest) {}

    bool begin(int pictureWidth, int pictureHeight, int, int) override {
        width = pictureWidth;
        height = pictureHeight;
        const Texture size(width, height);
        potWidth = size.potWidth;
        potHeight = size.potHeight;
        rowBytes_ = static_cast<std::size_t>(width) * 4;
        potRowBytes_ = static_cast<std::size_t>(potWidth) * 4;
        // A GPU takes textures up to a size of its own (8192 a side is
        // common); a larger one would leave a blank picture without a word.
        refusal = tooBigForTextures(potWidth, potHeight, largest_);
        if (!refusal.empty()) return false;
        const std::size_t bytes = potRowBytes_ * static_cast<std::size_t>(potHeight);
        // A big picture needs a big texture (9000 pixels a side need 1 GiB),
        // which a 32-bit process or a limited one may not have: refused
        // like a bad file, and the show goes on.
        texels.reset(new (std::nothrow) unsigned char[bytes]);
        if (texels == nullptr) {
            refusal = "not enough memory for its " + std::to_string(potWidth) + " by " +
                      std::to_string(potHeight) + " texture (" + std::to_string(bytes >> 20) +
                      " MiB)";
            return false;
        }
        std::memset(texels.get() + potRowBytes_ * static_cast<std::size_t>(height), 0,
                    potRowBytes_ * static_cast<std::size_t>(potHeight - height));
        return true;
    }
    unsigned char* row(int y) override {
        unsigned char* start = texels.get() + potRowBytes_ * static_cast<std::size_t>(y);
        std::memset(start + rowBytes_, 0, potRowBytes_ - rowBytes_);
        return start;
    }
    void rowsDone(int, int) override {}

    int width = 0;
    int height = 0;
    int potWidth = 1;
    int potHeight = 1;
    std::unique_ptr<unsigned char[]> texels;
    std::string refusal;  // why begin refused the picture

  private:
    GLint largest_;
    std::size_t rowBytes_ = 0;
    std::size_t potRowBytes_ = 0;
};

// Calls no GL; `largest` as TextureSink's.
TextureImage decodeTexture(const FileBuffer& file, GLint largest) {
    TextureImage image;
    if (file.size <= 0 || file.contents() == nullptr) {
        image.reason = *file.error() != '\0' ? file.error() : "cannot read the file";
        return image;
    }
    TextureSink sink(largest);
    const bool decoded =
        decodeJpeg(file.contents(), static_cast<std::size_t>(file.size), sink, image.reason);
    if (!sink.refusal.empty()) {
        image.reason = sink.refusal;
        image.refusedForSize = true;
    } else if (decoded) {
        image.width = sink.width;
        image.height = sink.height;
        image.texels = std::move(sink.texels);
    }
    return image;
}

// The prefetch that Texture::loadJpeg(path) takes from; one at a time.
PicturePrefetch* activePrefetch = nullptr;

}  // namespace

void Texture::upload(const unsigned char* rgbaPixels, int newWidth, int newHeight) {
    setSize(newWidth, newHeight);
    const unsigned char* texels = rgbaPixels;
    std::vector<unsigned char> padded;
    if (potWidth > width || potHeight > height) {
        // Texels right of and below the picture are transparent black.
        const std::size_t potRow = static_cast<std::size_t>(potWidth) * 4;
        const std::size_t row = static_cast<std::size_t>(width) * 4;
        padded.assign(potRow * static_cast<std::size_t>(potHeight), 0);
        for (int y = 0; y < height; ++y) {
            std::memcpy(padded.data() + potRow * static_cast<std::size_t>(y),
                        rgbaPixels + row * static_cast<std::size_t>(y), row);
        }
        texels = padded.data();
    }
    uploadTexels(texels);
}

void Texture::uploadTexels(const unsigned char* texels) {
    if (!hasName) glGenTextures(1, &glName);
    hasName = true;
    glBindTexture(GL_TEXTURE_2D, glName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, potWidth, potHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void Texture::bind() {
    glBindTexture(GL_TEXTURE_2D, glName);
}

void Texture::loadJpeg(const FileBuffer& file) {
    uploadImage(decodeTexture(file, largestTexture()), file.path());
}

void Texture::loadJpeg(const std::string& path) {
    std::optional<TextureImage> image;
    if (activePrefetch != nullptr) image = activePrefetch->take(path);
    if (!image) {
        const FileBuffer file(path.c_str());
        loadJpeg(file);
        return;
    }
    uploadImage(std::move(*image), path.c_str());
}

void Texture::uploadImage(TextureImage image, const char* path) {
    // A prefetched picture was decoded before the GL could be asked.
    if (image.texels != nullptr) {
        const Texture size(image.width, image.height);
        image.reason = tooBigForTextures(size.potWidth, size.potHeight, largestTexture());
        if (!image.reason.empty()) image.texels.reset();
    }
    if (image.texels == nullptr) {
        platform::report("%s: %s", path, image.reason.c_str());
        upload(nullptr, 0, 0);
        return;
    }
    // The rows are in place already: only the sizes are left to set.
    setSize(image.width, image.height);
    uploadTexels(image.texels.get());
}

// A picture whose texture would be bigger than this a side is left for the
// upload, which decodes it once the GL can say what it takes, rather than
// spending the memory on a texture the GL may refuse.
constexpr GLint kPrefetchLargest = 2048;

PicturePrefetch::PicturePrefetch(std::vector<std::string> paths) {
#if !defined(__EMSCRIPTEN__)  // the page runs on one thread
    if (activePrefetch != nullptr) return;
    slots_.resize(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) slots_[i].path = std::move(paths[i]);
    try {
        worker_ = std::thread([this] { decodeAll(); });
    } catch (const std::system_error&) {
        slots_.clear();  // each picture is read when it is asked for
        return;
    }
    activePrefetch = this;
#else
    (void)paths;
#endif
}

PicturePrefetch::~PicturePrefetch() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    if (worker_.joinable()) worker_.join();
    if (activePrefetch == this) activePrefetch = nullptr;
}

void PicturePrefetch::decodeAll() {
    for (Slot& slot : slots_) {
        {
            const std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        TextureImage image;
        try {
            const FileBuffer file(slot.path.c_str());
            image = decodeTexture(file, kPrefetchLargest);
        } catch (...) {  // no memory: left for loadJpeg
            image = TextureImage();
            image.refusedForSize = true;
        }
        const std::lock_guard lock(mutex_);
        slot.image = std::move(image);
        slot.ready = true;
        decoded_.notify_all();
    }
}

std::optional<TextureImage> PicturePrefetch::take(const std::string& path) {
    std::unique_lock lock(mutex_);
    for (Slot& slot : slots_) {
        if (slot.taken || slot.path != path) continue;
        decoded_.wait(lock, [&] { return slot.ready; });
        slot.taken = true;
        // Refused for its size or memory: loadJpeg tries again itself,
        // against the GL's own limit.
        if (slot.image.refusedForSize) return std::nullopt;
        return std::move(slot.image);
    }
    return std::nullopt;
}

}  // namespace image
