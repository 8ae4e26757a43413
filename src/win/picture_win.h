// Picture: one image decoded from bytes by the platform's picture loader
// (BMP, GIF's first frame, JPEG, ICO, WMF, EMF), drawn at its own size.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstddef>
#include <string>

namespace talkpost {

inline constexpr const char* kInvalidPictureMessage = "Could not load image. Invalid format";

// Keeps COM initialised on this thread for as long as it lives.
class ComScope {
public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_ = false;
};

class Picture {
public:
    Picture() = default;
    ~Picture() { clear(); }
    Picture(Picture&& other) noexcept : picture_(other.picture_) { other.picture_ = nullptr; }
    Picture& operator=(Picture&& other) noexcept;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // All bytes of the stream from its start; AppError kInvalidPictureMessage
    // when they are no picture.
    static Picture fromStream(IStream* stream);
    static Picture fromBytes(const void* data, std::size_t size);

    bool empty() const { return picture_ == nullptr; }
    void clear();
    // Width and height in pixels of the screen (0 × 0 when empty).
    SIZE size() const;
    // Unstretched, its top-left corner at x, y.
    void draw(HDC dc, int x, int y) const;
    // Filling the destination, smoothly scaled; at its own size as draw does.
    void drawScaled(HDC dc, const RECT& destination) const;

private:
    IPicture* picture_ = nullptr;
};

}  // namespace talkpost
