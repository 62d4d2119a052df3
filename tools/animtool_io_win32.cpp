// animtool's files on Windows: PNG pictures through the Windows Imaging Component (the system's
// own codecs, so the program needs no image library), decoded from memory for files and bytes
// alike; temporaries created exclusively beside their target and moved over it with MoveFileEx,
// since rename there refuses to replace an existing file.
#include <windows.h>
#include <wincodec.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "anim/anim_file.h"
#include "tools/animtool_io.h"

namespace {

std::string reason(int err) { return std::strerror(err); }

std::string wic_error(HRESULT hr) {
  char text[32];
  std::snprintf(text, sizeof text, "WIC error 0x%08lX", static_cast<unsigned long>(hr));
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
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    default: return EIO;
  }
}

// WIC hands out pixels in blue-green-red order.
void swap_red_blue(std::vector<unsigned char>* pixels) {
  for (size_t i = 0; i + 2 < pixels->size(); i += 3) std::swap((*pixels)[i], (*pixels)[i + 2]);
}

std::string read_png(const unsigned char* data, size_t size, int max_side, RgbImage* out) {
  static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 8 || std::memcmp(data, signature, 8) != 0) return "not a PNG file";
  if (size > 0xFFFFFFFFu) return "bad PNG data (file too large)";
  IWICImagingFactory* f = factory();
  if (!f) return "the Windows Imaging Component is not available";
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
  HRESULT hr = f->CreateStream(stream.out());
  if (SUCCEEDED(hr))
    hr = stream->InitializeFromMemory(const_cast<BYTE*>(data), DWORD(size));
  if (SUCCEEDED(hr))
    hr = f->CreateDecoderFromStream(stream.p, &GUID_ContainerFormatPng,
                                    WICDecodeMetadataCacheOnDemand, decoder.out());
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.out());
  if (SUCCEEDED(hr)) hr = frame->GetSize(&width, &height);
  if (FAILED(hr)) return "bad PNG data (" + wic_error(hr) + ")";
  // Judged from the header, before any pixel memory is taken.
  out->width = width > 0x7FFFFFFFu ? 0x7FFFFFFF : int(width);
  out->height = height > 0x7FFFFFFFu ? 0x7FFFFFFF : int(height);
  if (out->width > max_side || out->height > max_side)
    return std::to_string(out->width) + "x" + std::to_string(out->height) +
           " is larger than an animation can hold (" + std::to_string(max_side) + "x" +
           std::to_string(max_side) + " at most)";
  ComRef<IWICFormatConverter> converter;
  hr = f->CreateFormatConverter(converter.out());
  if (SUCCEEDED(hr))
    hr = converter->Initialize(frame.p, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone,
                               nullptr, 0.0, WICBitmapPaletteTypeCustom);
  out->rgb.assign(size_t(width) * height * 3, 0);
  if (SUCCEEDED(hr))
    hr = converter->CopyPixels(nullptr, width * 3, UINT(out->rgb.size()), out->rgb.data());
  if (FAILED(hr)) return "bad PNG data (" + wic_error(hr) + ")";
  swap_red_blue(&out->rgb);
  return "";
}

}  // namespace

std::string png_read_rgb_file(const std::string& path, int max_side, RgbImage* out) {
  errno = 0;
  FILE* f = anim_fopen_read(path.c_str());
  if (!f) return reason(errno ? errno : ENOENT);
  std::vector<unsigned char> bytes;
  unsigned char block[65536];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, f)) > 0) bytes.insert(bytes.end(), block, block + got);
  bool bad = std::ferror(f) != 0;
  std::fclose(f);
  if (bad) return reason(EIO);
  return read_png(bytes.data(), bytes.size(), max_side, out);
}

std::string png_read_rgb_bytes(const unsigned char* data, size_t size, int max_side,
                               RgbImage* out) {
  return read_png(data, size, max_side, out);
}

std::string png_write_rgb(const std::string& path, int width, int height,
                          const std::vector<unsigned char>& rgb) {
  // Opened once by the C library first, so that a bad folder or a read-only file reads as on
  // every other system.
  FILE* probe = std::fopen(path.c_str(), "wb");
  if (!probe) return reason(errno);
  std::fclose(probe);

  IWICImagingFactory* f = factory();
  if (!f) return "the Windows Imaging Component is not available";
  std::vector<unsigned char> bgr(rgb);
  swap_red_blue(&bgr);
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
  if (SUCCEEDED(hr) && format != GUID_WICPixelFormat24bppBGR)
    hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  if (SUCCEEDED(hr))
    hr = frame->WritePixels(UINT(height), UINT(width) * 3, UINT(bgr.size()),
                            bgr.empty() ? nullptr : bgr.data());
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  if (FAILED(hr)) return "PNG write error (" + wic_error(hr) + ")";
  return "";
}

std::string temp_beside(const std::string& target, int* error) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; attempt++) {
    std::string name = target + "." + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(counter++) + ".tmp";
    // Exclusive creation: a file that already bears the name (the user's own) is left alone.
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return name;
    }
    DWORD last = GetLastError();
    if (last != ERROR_FILE_EXISTS && last != ERROR_ALREADY_EXISTS) {
      *error = errno_of(last);
      return "";
    }
  }
  *error = EEXIST;
  return "";
}

int move_over(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return 0;
  return errno_of(GetLastError());
}

std::string replace_file(const std::string& target,
                         const std::function<std::string(const std::string& path)>& write) {
  int err = 0;
  std::string temp = temp_beside(target, &err);
  if (temp.empty()) return reason(err);
  std::string error = write(temp);
  if (error.empty()) {
    if (int moved = move_over(temp, target)) error = reason(moved);
  }
  if (!error.empty()) DeleteFileA(temp.c_str());
  return error;
}
