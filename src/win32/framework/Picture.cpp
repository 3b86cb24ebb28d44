#include "framework/Picture.h"

#include "runtime/Exceptions.h"

#include <windows.h>

#include <wincodec.h>

#include <algorithm>
#include <cmath>

namespace {

// Releases a COM interface at the end of its scope.
template <typename T> class TComPtr {
public:
    TComPtr() = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr() {
        if (Pointer != nullptr) {
            Pointer->Release();
        }
    }
    T* operator->() const { return Pointer; }
    T* Get() const { return Pointer; }
    T** Out() { return &Pointer; }

private:
    T* Pointer = nullptr;
};

void Check(HRESULT result, const char16_t* what) {
    if (FAILED(result)) {
        throw Exception(std::u16string(u"Bild: ") + what);
    }
}

} // namespace

TFitted FitInto(int width, int height, int boxWidth, int boxHeight) {
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) {
        return {};
    }
    const double scale =
        std::min(static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height);
    TFitted fitted;
    fitted.Width = std::clamp(static_cast<int>(std::lround(width * scale)), 1, boxWidth);
    fitted.Height = std::clamp(static_cast<int>(std::lround(height * scale)), 1, boxHeight);
    fitted.X = (boxWidth - fitted.Width) / 2;
    fitted.Y = (boxHeight - fitted.Height) / 2;
    return fitted;
}

TPixels LoadFittedPicture(const wchar_t* name, int boxWidth, int boxHeight) {
    HRSRC found = FindResourceW(nullptr, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        throw Exception(u"Bild: Ressource fehlt");
    }
    const DWORD size = SizeofResource(nullptr, found);

    TComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out())),
          u"WIC");
    TComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.Out()), u"Strom");
    Check(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), size),
          u"Strom");
    TComPtr<IWICBitmapDecoder> decoder;
    Check(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                           decoder.Out()),
          u"Dekodierer");
    TComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, frame.Out()), u"Bild");
    // Premultiplied first, so that scaling blends transparent edges correctly.
    TComPtr<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(converter.Out()), u"Umwandlung");
    Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                nullptr, 0.0, WICBitmapPaletteTypeCustom),
          u"Umwandlung");
    UINT width = 0;
    UINT height = 0;
    Check(converter->GetSize(&width, &height), u"Größe");
    const TFitted fitted =
        FitInto(static_cast<int>(width), static_cast<int>(height), boxWidth, boxHeight);
    if (fitted.Width == 0) {
        throw Exception(u"Bild: leer");
    }
    TComPtr<IWICBitmapScaler> scaler;
    Check(factory->CreateBitmapScaler(scaler.Out()), u"Skalierung");
    Check(scaler->Initialize(converter.Get(), static_cast<UINT>(fitted.Width),
                             static_cast<UINT>(fitted.Height), WICBitmapInterpolationModeFant),
          u"Skalierung");
    TPixels pixels;
    pixels.Width = fitted.Width;
    pixels.Height = fitted.Height;
    pixels.Data.resize(static_cast<std::size_t>(fitted.Width) * fitted.Height);
    const UINT stride = static_cast<UINT>(fitted.Width) * 4;
    Check(scaler->CopyPixels(nullptr, stride, stride * static_cast<UINT>(fitted.Height),
                             reinterpret_cast<BYTE*>(pixels.Data.data())),
          u"Pixel");
    return pixels;
}
