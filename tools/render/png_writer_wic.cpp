// PNG through Windows Imaging Component: the picture is encoded into a
// memory stream and copied to the output file.

#include <objbase.h>
#include <wincodec.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/render/png_writer.h"

namespace quorvex {
namespace {

// Releases a COM interface when it goes out of scope.
template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** out() { return &p_; }

 private:
  T* p_ = nullptr;
};

// COM for this thread while the writer runs; left alone if the thread had
// already initialised it in another mode.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

bool Failed(HRESULT hr, const char* what, std::string& error) {
  if (SUCCEEDED(hr)) return false;
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (0x%08lx)", what, static_cast<unsigned long>(hr));
  error = text;
  return true;
}

}  // namespace

bool WritePng(std::FILE* out, const Canvas& canvas, std::string& error) {
  const int width = canvas.width();
  const int height = canvas.height();
  if (width <= 0 || height <= 0) {
    error = "empty picture";
    return false;
  }
  ComScope com;
  if (!com.usable()) {
    error = "COM could not be initialised";
    return false;
  }
  Com<IWICImagingFactory> factory;
  Com<IStream> stream;
  Com<IWICBitmapEncoder> encoder;
  Com<IWICBitmapFrameEncode> frame;
  Com<IPropertyBag2> options;
  if (Failed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.out())),
             "the imaging component", error) ||
      Failed(CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), "a memory stream", error) ||
      Failed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out()), "the PNG encoder",
             error) ||
      Failed(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "the PNG encoder", error) ||
      Failed(encoder->CreateNewFrame(frame.out(), options.out()), "the PNG frame", error) ||
      Failed(frame->Initialize(options.get()), "the PNG frame", error) ||
      Failed(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)), "the PNG frame", error))
    return false;

  // 24-bit pixels in blue, green, red order are what the PNG encoder takes
  // for an 8-bit RGB image; anything else would be converted.
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (Failed(frame->SetPixelFormat(&format), "the PNG pixel format", error)) return false;
  if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
    error = "the PNG encoder does not take 24-bit pixels";
    return false;
  }
  const UINT stride = static_cast<UINT>((width * 3 + 3) & ~3);
  std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
  const Color* px = canvas.pixels().data();
  for (int y = 0; y < height; ++y) {
    BYTE* row = pixels.data() + static_cast<size_t>(stride) * y;
    for (int x = 0; x < width; ++x) {
      const Color c = px[static_cast<size_t>(y) * width + x];
      row[3 * x] = static_cast<BYTE>(BlueOf(c));
      row[3 * x + 1] = static_cast<BYTE>(GreenOf(c));
      row[3 * x + 2] = static_cast<BYTE>(RedOf(c));
    }
  }
  if (Failed(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(pixels.size()),
                                pixels.data()),
             "writing the pixels", error) ||
      Failed(frame->Commit(), "finishing the PNG frame", error) ||
      Failed(encoder->Commit(), "finishing the PNG", error))
    return false;

  HGLOBAL memory = nullptr;
  if (Failed(GetHGlobalFromStream(stream.get(), &memory), "reading the encoded PNG", error)) return false;
  // The stream's memory may be larger than what was written: copy up to
  // the stream's end.
  ULARGE_INTEGER end{};
  if (Failed(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end), "reading the encoded PNG", error))
    return false;
  const void* data = GlobalLock(memory);
  if (!data) {
    error = "reading the encoded PNG failed";
    return false;
  }
  const size_t size = static_cast<size_t>(end.QuadPart);
  errno = 0;
  const bool written = std::fwrite(data, 1, size, out) == size;
  const int err = errno;
  GlobalUnlock(memory);
  if (!written) {
    // The system's reason, as for the samples ("No space left on device").
    error = std::strerror(err ? err : EIO);
    return false;
  }
  return true;
}

}  // namespace quorvex
