// Decoding pictures from memory with OleLoadPicture and drawing them.
#include "win/picture_win.h"

#include "base/app_error.h"
#include "win/dpi_win.h"

namespace talkpost {
namespace {

constexpr int kHimetricPerInch = 2540;

int screenDpi(int index)
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, index);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

ComScope::ComScope()
{
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    initialised_ = SUCCEEDED(hr);
}

ComScope::~ComScope()
{
    if (initialised_)
        CoUninitialize();
}

Picture& Picture::operator=(Picture&& other) noexcept
{
    if (this != &other) {
        clear();
        picture_ = other.picture_;
        other.picture_ = nullptr;
    }
    return *this;
}

void Picture::clear()
{
    if (picture_ != nullptr) {
        picture_->Release();
        picture_ = nullptr;
    }
}

Picture Picture::fromStream(IStream* stream)
{
    STATSTG stat{};
    LARGE_INTEGER zero{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr)) ||
        stat.cbSize.QuadPart == 0 || stat.cbSize.QuadPart > 0x7fffffff)
        throw AppError(kInvalidPictureMessage);
    Picture result;
    void* loaded = nullptr;
    HRESULT hr = OleLoadPicture(stream, static_cast<LONG>(stat.cbSize.QuadPart), FALSE, IID_IPicture, &loaded);
    if (FAILED(hr) || loaded == nullptr)
        throw AppError(kInvalidPictureMessage);
    result.picture_ = static_cast<IPicture*>(loaded);
    return result;
}

Picture Picture::fromBytes(const void* data, std::size_t size)
{
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
        throw AppError(kInvalidPictureMessage);
    ULONG written = 0;
    HRESULT hr = stream->Write(data, static_cast<ULONG>(size), &written);
    try {
        if (FAILED(hr))
            throw AppError(kInvalidPictureMessage);
        Picture result = fromStream(stream);
        stream->Release();
        return result;
    } catch (...) {
        stream->Release();
        throw;
    }
}

SIZE Picture::size() const
{
    SIZE result{0, 0};
    if (picture_ == nullptr)
        return result;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture_->get_Width(&width);
    picture_->get_Height(&height);
    result.cx = MulDiv(width, screenDpi(LOGPIXELSX), kHimetricPerInch);
    result.cy = MulDiv(height, screenDpi(LOGPIXELSY), kHimetricPerInch);
    return result;
}

void Picture::draw(HDC dc, int x, int y) const
{
    if (picture_ == nullptr)
        return;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture_->get_Width(&width);
    picture_->get_Height(&height);
    SIZE pixels = size();
    // Source rectangle upside down: the picture's units grow upwards.
    picture_->Render(dc, x, y, pixels.cx, pixels.cy, 0, height, width, -height, nullptr);
}

void Picture::drawScaled(HDC dc, const RECT& destination) const
{
    if (picture_ == nullptr)
        return;
    SIZE pixels = size();
    int width = destination.right - destination.left;
    int height = destination.bottom - destination.top;
    if ((width == pixels.cx && height == pixels.cy) || pixels.cx <= 0 || pixels.cy <= 0 || width <= 0 ||
        height <= 0) {
        draw(dc, destination.left, destination.top);
        return;
    }
    // The picture at its own size over what lies beneath (a transparent
    // picture keeps its background), then stretched smoothly into place.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, pixels.cx, pixels.cy);
    if (memory == nullptr || bitmap == nullptr) {
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        if (memory != nullptr)
            DeleteDC(memory);
        return;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    SetStretchBltMode(memory, COLORONCOLOR);
    StretchBlt(memory, 0, 0, pixels.cx, pixels.cy, dc, destination.left, destination.top, width, height, SRCCOPY);
    draw(memory, 0, 0);
    SelectObject(memory, old);
    DeleteDC(memory);
    drawBitmapSmooth(dc, destination, bitmap);
    DeleteObject(bitmap);
}

}  // namespace talkpost
