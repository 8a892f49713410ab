#include "win32/gdiplus_picture.h"

#include <olectl.h>

#include <memory>
#include <utility>

#include "win32/handle.h"

namespace tw::win32 {
namespace {

// GDI+'s flat API as gdiplus.dll exports it; loaded when a picture is asked for, so that the add-in
// imports nothing beyond what every Windows process has loaded.
struct GdiplusStartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
struct GpBitmap;
constexpr int kOk = 0;
using Startup = int(WINAPI*)(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
using Shutdown = void(WINAPI*)(ULONG_PTR token);
using CreateBitmapFromFile = int(WINAPI*)(const WCHAR* file, GpBitmap** bitmap);
using CreateHBitmapFromBitmap = int(WINAPI*)(GpBitmap* bitmap, HBITMAP* handle, DWORD background);
using DisposeImage = int(WINAPI*)(GpBitmap* image);

class Library {
 public:
  // From the system folder only: Word's folder or the current one could hold a planted copy.
  explicit Library(const wchar_t* name)
      : module_(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
  template <class Function>
  Function function(const char* name) const {
    return module_.valid()
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)))
               : nullptr;
  }

 private:
  LibraryHandle module_;
};

// GDI+ started, until this goes.
class Started {
 public:
  Started(Shutdown shutdown, ULONG_PTR token) : shutdown_(shutdown), token_(token) {}
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;
  ~Started() { shutdown_(token_); }

 private:
  Shutdown shutdown_;
  ULONG_PTR token_;
};

struct BitmapDisposer {
  DisposeImage dispose;
  void operator()(GpBitmap* bitmap) const { dispose(bitmap); }
};

// The picture that owns `bitmap` (PICTYPE_BITMAP, no palette); null when it cannot be made.
std::shared_ptr<OlePicture> pictureFromBitmap(BitmapHandle& bitmap) {
  BITMAP size{};
  if (!bitmap.get() || GetObjectW(bitmap.get(), sizeof size, &size) == 0) return nullptr;
  PICTDESC description{};
  description.cbSizeofstruct = sizeof description;
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap.get();
  description.bmp.hpal = nullptr;
  ComPtr<IPicture> picture;
  if (FAILED(OleCreatePictureIndirect(&description, IID_IPicture, TRUE,
                                      reinterpret_cast<void**>(picture.put()))) ||
      !picture) {
    return nullptr;
  }
  bitmap.release();  // the picture owns it now
  auto dispatch = ComPtr<IUnknown>(picture.get()).query<IPictureDisp>(IID_IPictureDisp);
  if (!dispatch) return nullptr;
  return std::make_shared<OlePicture>(std::move(dispatch), size.bmWidth, size.bmHeight);
}

}  // namespace

std::shared_ptr<OlePicture> loadPictureGdi(const std::wstring& file) {
  Library gdiplus(L"gdiplus.dll");
  auto startup = gdiplus.function<Startup>("GdiplusStartup");
  auto shutdown = gdiplus.function<Shutdown>("GdiplusShutdown");
  auto fromFile = gdiplus.function<CreateBitmapFromFile>("GdipCreateBitmapFromFile");
  auto toHandle = gdiplus.function<CreateHBitmapFromBitmap>("GdipCreateHBITMAPFromBitmap");
  auto dispose = gdiplus.function<DisposeImage>("GdipDisposeImage");
  if (!startup || !shutdown || !fromFile || !toHandle || !dispose) return nullptr;

  const GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (startup(&token, &input, nullptr) != kOk) return nullptr;
  const Started started(shutdown, token);
  GpBitmap* loaded = nullptr;
  if (fromFile(file.c_str(), &loaded) != kOk || !loaded) return nullptr;
  const std::unique_ptr<GpBitmap, BitmapDisposer> bitmap(loaded, BitmapDisposer{dispose});
  BitmapHandle handle;
  toHandle(bitmap.get(), handle.put(), 0x00000000);  // transparent black behind the picture
  return pictureFromBitmap(handle);
}

}  // namespace tw::win32
