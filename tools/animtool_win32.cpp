// animtool on Windows: PNG files through the Windows Imaging Component (the system's own codecs,
// so the program needs no image library), and MoveFileEx to put a finished file in place, since
// rename there refuses to replace an existing file.
#include <windows.h>
#include <wincodec.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/animtool_platform.h"

namespace {

constexpr UINT kMaxSide = 16384;

std::string reason(int err) { return std::strerror(err); }

std::string hresult_text(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// Releases a COM interface when the function leaves, whatever the path.
template <typename T>
struct ComRef {
  T* p = nullptr;
  ~ComRef() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  T* operator->() const { return p; }
};

IWICImagingFactory* factory() {
  static IWICImagingFactory* made = [] {
    IWICImagingFactory* f = nullptr;
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) return f;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&f))))
      f = nullptr;
    return f;
  }();
  return made;
}

std::wstring wide(const std::string& text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (n <= 0) return L"";
  std::wstring w(size_t(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &w[0], n);
  w.resize(size_t(n - 1));
  return w;
}

int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_DISK_FULL: return ENOSPC;
    default: return EIO;
  }
}

}  // namespace

std::string write_rgb_png(const std::string& path, int width, int height,
                          const std::vector<unsigned char>& rgb) {
  // Opened once by the C library first, so that a bad folder or a read-only file reads as on
  // every other system.
  FILE* probe = std::fopen(path.c_str(), "wb");
  if (!probe) return reason(errno);
  std::fclose(probe);

  IWICImagingFactory* f = factory();
  if (!f) return "the Windows Imaging Component is not available";
  // WIC stores the pixels in its own blue-green-red order.
  const UINT stride = UINT(width) * 3;
  std::vector<unsigned char> bgr(rgb.size());
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
    bgr[i] = rgb[i + 2];
    bgr[i + 1] = rgb[i + 1];
    bgr[i + 2] = rgb[i];
  }
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapEncoder> encoder;
  ComRef<IWICBitmapFrameEncode> frame;
  ComRef<IPropertyBag2> options;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  HRESULT hr = f->CreateStream(stream.out());
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(wide(path).c_str(), GENERIC_WRITE);
  if (SUCCEEDED(hr)) hr = f->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out());
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.p, WICBitmapEncoderNoCache);
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.out(), options.out());
  if (SUCCEEDED(hr)) hr = frame->Initialize(options.p);
  if (SUCCEEDED(hr)) hr = frame->SetSize(UINT(width), UINT(height));
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && format != GUID_WICPixelFormat24bppBGR) hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  if (SUCCEEDED(hr))
    hr = frame->WritePixels(UINT(height), stride, UINT(bgr.size()), bgr.empty() ? nullptr : bgr.data());
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  if (FAILED(hr)) return "PNG write error (" + hresult_text(hr) + ")";
  return "";
}

std::string read_rgb_png(const std::string& path, RgbImage* out) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return reason(errno);
  static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  unsigned char head[8];
  bool is_png = std::fread(head, 1, 8, file) == 8 && std::memcmp(head, signature, 8) == 0;
  std::fclose(file);
  if (!is_png) return "not a PNG file";

  IWICImagingFactory* f = factory();
  if (!f) return "the Windows Imaging Component is not available";
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  ComRef<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  HRESULT hr = f->CreateDecoderFromFilename(wide(path).c_str(), nullptr, GENERIC_READ,
                                            WICDecodeMetadataCacheOnDemand, decoder.out());
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.out());
  if (SUCCEEDED(hr)) hr = frame->GetSize(&width, &height);
  if (FAILED(hr)) return "bad PNG data (" + hresult_text(hr) + ")";
  // Checked before any pixel memory is taken: the header alone must not decide an allocation.
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
    return "bad PNG data (image size " + std::to_string(width) + "x" + std::to_string(height) +
           " out of range)";
  hr = f->CreateFormatConverter(converter.out());
  if (SUCCEEDED(hr))
    hr = converter->Initialize(frame.p, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone,
                               nullptr, 0.0, WICBitmapPaletteTypeCustom);
  out->width = int(width);
  out->height = int(height);
  out->rgb.assign(size_t(width) * height * 3, 0);
  if (SUCCEEDED(hr))
    hr = converter->CopyPixels(nullptr, width * 3, UINT(out->rgb.size()), out->rgb.data());
  if (FAILED(hr)) return "bad PNG data (" + hresult_text(hr) + ")";
  for (size_t i = 0; i + 2 < out->rgb.size(); i += 3) std::swap(out->rgb[i], out->rgb[i + 2]);
  return "";
}

bool animtool_replace_file(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  errno = errno_of(GetLastError());
  return false;
}
