#include "host/Screenshot.h"

#include <gdiplus.h>

#include <vector>

namespace {

bool FindPngEncoder(CLSID& encoder)
{
    UINT count = 0;
    UINT bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0)
        return false;
    std::vector<BYTE> buffer(bytes);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, encoders) != Gdiplus::Ok)
        return false;
    for (UINT n = 0; n < count; ++n)
        if (std::wstring(encoders[n].MimeType) == L"image/png") {
            encoder = encoders[n].Clsid;
            return true;
        }
    return false;
}

bool SaveBitmap(HBITMAP bitmap, const std::wstring& path)
{
    CLSID png;
    if (!FindPngEncoder(png))
        return false;
    Gdiplus::Bitmap image(bitmap, nullptr);
    return image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

} // namespace

bool SaveScreenAsPng(const RECT& area, const std::wstring& path)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    bool saved = false;
    if (copied) {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
            saved = SaveBitmap(bitmap, path);
            Gdiplus::GdiplusShutdown(token);
        }
    }
    DeleteObject(bitmap);
    return saved;
}
