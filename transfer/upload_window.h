#pragma once

#include <string>

namespace vobisk {

// What the upload and the bootloader entry need of the main window. Texts are UTF-8.
class UploadWindow {
 public:
  virtual void SetProgressPosition(int position) = 0;  // 0 to 100
  virtual void SetProgressVisible(bool visible) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  // A modal message box with this one text, no icon and an OK button; returns when it is closed.
  virtual void ShowMessage(const std::string& text) = 0;
  virtual std::string PortText() const = 0;
  virtual std::string FirmwareFileText() const = 0;

 protected:
  ~UploadWindow() = default;
};

}  // namespace vobisk
