#pragma once

// Ribbon pictures: a PNG file turned into an OLE picture through GDI+'s flat API, the way Office's
// loadImage callback wants them.

#include "win32/windows_api.h"

#include <ocidl.h>

#include <memory>
#include <string>

#include "platform/ui/ui.h"
#include "win32/com_ptr.h"

namespace tw::win32 {

// An OLE picture that owns its bitmap, with the bitmap's size in pixels.
class OlePicture final : public ui::Picture {
 public:
  OlePicture(ComPtr<IPictureDisp> picture, int width, int height)
      : picture_(std::move(picture)), width_(width), height_(height) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  IPictureDisp* dispatch() const { return picture_.get(); }

 private:
  ComPtr<IPictureDisp> picture_;
  int width_;
  int height_;
};

// GDI+ is started for this one picture and shut down again. Null when GDI+ cannot start or the file is
// missing or not a readable image.
std::shared_ptr<OlePicture> loadPictureGdi(const std::wstring& file);

}  // namespace tw::win32
